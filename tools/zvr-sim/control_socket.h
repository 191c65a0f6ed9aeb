#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zvr::sim {

// The control channel's UNIX stream socket: any number of clients, one text command per
// line, one answer line each.
//
// Threads: one thread (the control thread) opens it and serves it.
class ControlSocket {
public:
    using Handler = std::function<std::string(std::string_view line)>;

    static constexpr size_t kMaxLine = 1024;

    ControlSocket() = default;
    ~ControlSocket();
    ControlSocket(const ControlSocket&) = delete;
    ControlSocket& operator=(const ControlSocket&) = delete;

    // Listens at path. A stale socket left by a killed simulator is replaced; a live one (an
    // other simulator answers there) or any other file is not.
    bool open(const std::string& path, std::string& error);
    void close();

    // Waits up to timeoutMs (-1 for ever) for a client, a command or wakeFd becoming readable,
    // and answers every complete line with handler.
    void serve(int timeoutMs, int wakeFd, const Handler& handler);

private:
    struct Client {
        int fd = -1;
        std::string pending;
        bool discarding = false;  // the rest of an over-long line
    };

    void accept();
    // false when the client has gone.
    bool readFrom(Client& client, const Handler& handler);

    int listenFd_ = -1;
    std::string path_;
    std::vector<Client> clients_;
};

}  // namespace zvr::sim
