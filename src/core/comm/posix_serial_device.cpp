// The serial port on POSIX termios.
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "comm/device_access.h"
#include "comm/serial_device.h"

namespace zvr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A write that cannot go out within this time means the device is stuck, not slow: at 9600
// baud the longest request takes 24 ms.
constexpr milliseconds kWriteLimit{2000};

int RemainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The terminal's exclusive flag outlives the descriptor that set it while the other end of
// the line stays open (a simulator's pseudo-terminal, a getty's port): it is cleared before
// closing, or the next program of an ordinary user is refused the port as busy.
void CloseExclusive(int fd) {
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
}

class PosixSerialDevice : public SerialDevice {
public:
    explicit PosixSerialDevice(int fd) : fd_(fd) {}
    ~PosixSerialDevice() override { CloseExclusive(fd_); }

    size_t read(uint8_t* data, size_t size, milliseconds timeout) override {
        const auto deadline = Clock::now() + timeout;
        size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd_, data + got, size - got);
            if (n > 0) {
                got += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && IsGone(errno)) {
                lost_ = true;
                break;
            }
            // A raw terminal with nothing waiting reads 0 bytes (or EAGAIN): wait for more.
            const bool nothingYet = n == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
            if (!nothingYet || !waitFor(POLLIN, deadline)) {
                break;  // failed, hung up, or the time is over
            }
        }
        return got;
    }

    void waitReadable(milliseconds timeout) override {
        pollfd p{fd_, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(timeout.count()));
        // A hung-up device reports POLLHUP (often with POLLIN) at once, every time, and its
        // reads give nothing: sleep out the tick so the receive loop keeps its pace.
        if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            lost_ = true;
            ::usleep(static_cast<useconds_t>(timeout.count() * 1000));
        }
    }

    bool lost() const override { return lost_; }

    bool write(const uint8_t* data, size_t size) override {
        const auto deadline = Clock::now() + kWriteLimit;
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, data + done, size - done);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(POLLOUT, deadline)) {
                continue;
            }
            return false;
        }
        return true;
    }

private:
    // True when the event came before the deadline.
    bool waitFor(short event, Clock::time_point deadline) {
        for (;;) {
            pollfd p{fd_, event, 0};
            const int ready = ::poll(&p, 1, RemainingMs(deadline));
            if (ready < 0 && errno == EINTR) continue;
            if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) lost_ = true;
            return ready > 0 && (p.revents & event) != 0 && (p.revents & (POLLHUP | POLLERR)) == 0;
        }
    }

    // Errors of a device that is no longer there (EIO: a pseudo-terminal whose far end
    // closed; ENXIO, ENODEV: an unplugged adapter).
    static bool IsGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

    int fd_;
    std::atomic<bool> lost_{false};
};

// USB serial adapters hold short replies back for their latency timer unless told not to.
// Drivers without the setting (built-in ports, pseudo-terminals) refuse, which is fine.
void AskForLowLatency(int fd) {
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
}

// The owner and group of a device, by name, and whether the user is listed in the group.
DeviceAccess AccessOf(const struct stat& info) {
    DeviceAccess access{.mode = info.st_mode, .groupId = info.st_gid};
    const passwd* owner = ::getpwuid(info.st_uid);
    access.owner = owner != nullptr ? owner->pw_name : std::to_string(info.st_uid);
    const group* members = ::getgrgid(info.st_gid);
    access.group = members != nullptr ? members->gr_name : std::to_string(info.st_gid);
    const passwd* user = ::getpwuid(::getuid());
    if (members != nullptr && user != nullptr) {
        for (char** name = members->gr_mem; *name != nullptr; ++name) {
            if (std::strcmp(*name, user->pw_name) == 0) access.userListedInGroup = true;
        }
    }
    return access;
}

int Configure(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return -2;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, B9600) != 0 || ::cfsetospeed(&settings, B9600) != 0 ||
        ::tcsetattr(fd, TCSANOW, &settings) != 0) {
        return -3;
    }
    return 0;
}

}  // namespace

std::string SerialDevicePath(const std::string& portName) {
    if (portName.size() > 3 && portName.size() <= 6 && portName.compare(0, 3, "COM") == 0 &&
        portName.find_first_not_of("0123456789", 3) == std::string::npos) {
        const unsigned long number = std::stoul(portName.substr(3));
        if (number >= 1 && number < 1000) {
            return "/dev/ttyS" + std::to_string(number - 1);
        }
    }
    return portName;
}

std::string OpenErrorText(const std::string& path, int err) {
    if (err == EBUSY) return InUseText(DeviceHolders(path));
    std::string text = std::strerror(err);
    if (err != EACCES && err != EPERM) return text;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        // Nothing to look at: the group serial devices usually belong to.
        return text + ". Serial devices are for members of the group that owns them " +
               "(usually 'dialout'): add your user to it (sudo usermod -aG dialout $USER), " +
               "then log out and in again";
    }
    return text + ". " + PermissionAdvice(path, AccessOf(info));
}

std::string DescribeOpenFailure(const std::string& portName) {
    const std::string path = SerialDevicePath(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return OpenErrorText(path, errno);
    std::string reason;
    struct stat info {};
    if (!::isatty(fd)) {
        const bool file = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
        reason = file ? "a regular file, not a serial device" : "not a serial device";
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        // Closed first, so that this look is not counted among the holders.
        ::close(fd);
        return InUseText(DeviceHolders(path));
    } else if (termios settings{}; ::tcgetattr(fd, &settings) != 0) {
        reason = std::string("its line settings cannot be read: ") + std::strerror(errno);
    }
    ::close(fd);
    return reason;
}

int OpenSerialDevice(const std::string& portName, std::unique_ptr<SerialDevice>& device) {
    const std::string path = SerialDevicePath(portName);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        return -2;
    }
    // Exclusive: nobody else may open the port while we hold it. The lock also holds against
    // a process with the privilege to ignore the terminal's exclusive flag.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);
        return -1;
    }
    if (const int result = Configure(fd); result != 0) {
        CloseExclusive(fd);
        return result;
    }
    // A node left behind by a device that has gone (a pseudo-terminal whose far end closed)
    // still opens, but hangs up at once: it is not a port.
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        CloseExclusive(fd);
        return -1;
    }
    AskForLowLatency(fd);
    device = std::make_unique<PosixSerialDevice>(fd);
    return 0;
}

}  // namespace zvr
