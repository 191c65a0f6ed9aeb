#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
    // The child's environment is made here: between fork and exec a child of a process with
    // threads may only make async-signal-safe calls.
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable)
        variables.emplace_back(*variable);
    for (const std::string& change : environment) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(variables, [&](const std::string& v) { return v.starts_with(name + "="); });
        if (change.size() > name.size()) variables.push_back(change);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables)
        envp.push_back(variable.data());
    envp.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        ::execve(argv[0], argv.data(), envp.data());
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
