#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <thread>

namespace zvr::test {

namespace {

std::string TakeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ::unlink(path.c_str());
    return text;
}

}  // namespace

ChildRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::vector<std::string>& environment, std::chrono::seconds limit) {
    const std::string outPath = "child." + std::to_string(::getpid()) + ".out";
    const std::string errPath = "child." + std::to_string(::getpid()) + ".err";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        for (const std::string& change : environment) {
            const size_t equals = change.find('=');
            if (equals == std::string::npos) {
                ::unsetenv(change.c_str());
            } else {
                ::setenv(change.substr(0, equals).c_str(), change.c_str() + equals + 1, 1);
            }
        }
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ChildRun run;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            status = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (status != -1) {
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    run.out = TakeFile(outPath);
    run.err = TakeFile(errPath);
    return run;
}

}  // namespace zvr::test
