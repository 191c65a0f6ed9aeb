#include "control_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zvr::sim {

namespace {

bool FillAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool SomeoneListens(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answered =
        probe >= 0 &&
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (probe >= 0) ::close(probe);
    return answered;
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{fd, POLLOUT, 0};
            if (::poll(&p, 1, 1000) > 0) continue;
        }
        if (n <= 0) return;  // the client is not reading: its answer is lost
        done += static_cast<size_t>(n);
    }
}

}  // namespace

ControlSocket::~ControlSocket() { close(); }

bool ControlSocket::open(const std::string& path, std::string& error) {
    sockaddr_un address{};
    if (!FillAddress(path, address)) {
        error = "control socket path '" + path + "' is empty or too long";
        return false;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = path + " exists and is not a socket";
            return false;
        }
        if (SomeoneListens(address)) {
            error = "another simulator answers at " + path;
            return false;
        }
        ::unlink(path.c_str());
    }
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 8) != 0) {
        error = "cannot listen at " + path + ": " + std::strerror(errno);
        close();
        return false;
    }
    path_ = path;
    return true;
}

void ControlSocket::close() {
    for (Client& client : clients_)
        ::close(client.fd);
    clients_.clear();
    if (listenFd_ >= 0) ::close(listenFd_);
    listenFd_ = -1;
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

void ControlSocket::serve(int timeoutMs, int wakeFd, const Handler& handler) {
    std::vector<pollfd> fds{{wakeFd, POLLIN, 0}, {listenFd_, POLLIN, 0}};
    for (const Client& client : clients_)
        fds.push_back({client.fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), timeoutMs) <= 0) return;
    if (fds[0].revents != 0) return;
    if (fds[1].revents & POLLIN) accept();
    std::vector<Client> staying;
    for (size_t i = 0; i < clients_.size(); ++i) {
        const short events = i + 2 < fds.size() ? fds[i + 2].revents : 0;
        if (events == 0 || readFrom(clients_[i], handler)) {
            staying.push_back(std::move(clients_[i]));
        } else {
            ::close(clients_[i].fd);
        }
    }
    clients_ = std::move(staying);
}

void ControlSocket::accept() {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd >= 0) clients_.push_back({.fd = fd});
}

bool ControlSocket::readFrom(Client& client, const Handler& handler) {
    char buffer[512];
    const ssize_t n = ::read(client.fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) return false;
    for (ssize_t i = 0; i < n; ++i) {
        const char c = buffer[i];
        if (c == '\n') {
            if (!client.discarding) WriteAll(client.fd, handler(client.pending) + "\n");
            client.pending.clear();
            client.discarding = false;
        } else if (!client.discarding) {
            client.pending.push_back(c);
            if (client.pending.size() > kMaxLine) {
                WriteAll(client.fd, "error: line too long\n");
                client.pending.clear();
                client.discarding = true;
            }
        }
    }
    return true;
}

}  // namespace zvr::sim
