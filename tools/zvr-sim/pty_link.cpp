#include "pty_link.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zvr::sim {

PtyLink::~PtyLink() {
    unpublish();
    hangUp();
}

bool PtyLink::open(std::string& error) {
    hangUp();
    char name[256];
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        master_ = slave_ = -1;
        return false;
    }
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    slavePath_ = name;
    return true;
}

bool PtyLink::publish(const std::string& linkPath, std::string& error) {
    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = linkPath + " exists and is not a symbolic link";
        return false;
    }
    // A link under a temporary name renamed over the path: the program never sees the path
    // missing or pointing nowhere while the line is being replaced.
    const std::string temporary = linkPath + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(slavePath_.c_str(), temporary.c_str()) != 0 ||
        ::rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = "cannot create the link " + linkPath + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

void PtyLink::unpublish() {
    if (linkPath_.empty()) return;
    char target[256];
    const ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<size_t>(n)) == slavePath_) {
        ::unlink(linkPath_.c_str());
    }
    linkPath_.clear();
}

size_t PtyLink::read(uint8_t* data, size_t size) {
    if (master_ < 0) return 0;
    for (;;) {
        const ssize_t n = ::read(master_, data, size);
        if (n < 0 && errno == EINTR) continue;
        return n > 0 ? static_cast<size_t>(n) : 0;
    }
}

void PtyLink::write(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (master_ >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

void PtyLink::hangUp() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
}

}  // namespace zvr::sim
