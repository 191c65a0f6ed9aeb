#include "control_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zvr::sim {

namespace {

constexpr int kAnswerLimitMs = 5000;

// Closes the descriptor when the call is over, whichever way it ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

std::optional<std::string> SendControlCommand(const std::string& socketPath,
                                              const std::string& command, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        error = "the control path is too long: " + socketPath;
        return std::nullopt;
    }
    if (command.find('\n') != std::string::npos) {
        error = "a command is one line";
        return std::nullopt;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    const Descriptor socket{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (socket.fd < 0 ||
        ::connect(socket.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "no simulator answers at " + socketPath + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const std::string line = command + "\n";
    if (::send(socket.fd, line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size())) {
        error = std::string("the command could not be sent: ") + std::strerror(errno);
        return std::nullopt;
    }
    std::string answer;
    for (;;) {
        pollfd ready{socket.fd, POLLIN, 0};
        if (::poll(&ready, 1, kAnswerLimitMs) <= 0) {
            error = "the simulator did not answer";
            return std::nullopt;
        }
        char chunk[256];
        const ssize_t got = ::recv(socket.fd, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        answer.append(chunk, static_cast<size_t>(got));
        if (const size_t end = answer.find('\n'); end != std::string::npos) {
            answer.resize(end);
            return answer;
        }
    }
    if (answer.empty()) {
        error = "the simulator closed the connection without an answer";
        return std::nullopt;
    }
    return answer;
}

}  // namespace zvr::sim
