#include "support/unprivileged.h"

#include <grp.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace zvr::test {

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;
constexpr int kCannotDrop = 77;

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return text;
        text.append(buffer, static_cast<size_t>(got));
    }
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        done += static_cast<size_t>(put);
    }
}

}  // namespace

bool RunningAsRoot() { return ::geteuid() == 0; }

UnprivilegedRun RunUnprivileged(const std::function<std::string()>& part) {
    if (!RunningAsRoot()) return {.ran = true, .failure = part()};

    // A folder the child may write in: the test's own belongs to root.
    std::string folder = (std::filesystem::temp_directory_path() / "zvr-nobody-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr || ::chown(folder.c_str(), kNobody, kNoGroup) != 0) {
        return {.skipReason = "no folder for the unprivileged user"};
    }
    int pipe[2];
    if (::pipe(pipe) != 0) return {.skipReason = "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0 ||
            ::setuid(0) == 0 || ::chdir(folder.c_str()) != 0) {
            ::_exit(kCannotDrop);
        }
        WriteAll(pipe[1], part());
        ::close(pipe[1]);
        ::_exit(0);
    }
    ::close(pipe[1]);
    UnprivilegedRun run;
    run.failure = ReadAll(pipe[0]);
    ::close(pipe[0]);
    int status = 0;
    while (child > 0 && ::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (child < 0) return {.skipReason = "cannot fork"};
    if (WIFEXITED(status) && WEXITSTATUS(status) == kCannotDrop) {
        return {.skipReason = "root's privileges cannot be dropped here"};
    }
    run.ran = true;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        run.failure +=
            "\nthe unprivileged part did not end normally (status " + std::to_string(status) + ")";
    }
    return run;
}

}  // namespace zvr::test
