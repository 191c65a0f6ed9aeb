#include "comm/device_watch.h"

#include <libudev.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace zvr {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kSlowCheck{1000};

std::string FolderOf(const std::string& path) {
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return folder.empty() ? "." : folder;
}

}  // namespace

DeviceWatch::DeviceWatch(std::string path) : path_(std::move(path)) {
    inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    WatchFolder();
    udev_ = udev_new();
    if (udev_ != nullptr) {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (monitor_ != nullptr &&
            (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0 ||
             udev_monitor_enable_receiving(monitor_) < 0)) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
    }
}

DeviceWatch::~DeviceWatch() {
    if (monitor_ != nullptr) udev_monitor_unref(monitor_);
    if (udev_ != nullptr) udev_unref(udev_);
    if (inotify_ >= 0) ::close(inotify_);
}

void DeviceWatch::WatchFolder() {
    if (inotify_ < 0) return;
    const int watch = ::inotify_add_watch(inotify_, FolderOf(path_).c_str(),
                                          IN_CREATE | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF);
    if (watch >= 0) watch_ = watch;
}

bool DeviceWatch::Present() const {
    struct stat info {};
    return ::stat(path_.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
}

void DeviceWatch::Changed() {
    if (inotify_ >= 0) {
        alignas(inotify_event) char buffer[4096];
        while (::read(inotify_, buffer, sizeof buffer) > 0) {
        }
    }
    if (monitor_ != nullptr) {
        while (udev_device* device = udev_monitor_receive_device(monitor_))
            udev_device_unref(device);
    }
    // The folder may have come with the device (/dev/serial/by-id appears with the first
    // adapter): watching it again is harmless when it is already watched.
    WatchFolder();
}

bool DeviceWatch::WaitForReturn(milliseconds limit, const std::function<bool()>& interrupted) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (Present()) return true;
        if (interrupted && interrupted()) return false;
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= milliseconds(0)) return false;
        pollfd fds[2] = {{inotify_, POLLIN, 0},
                         {monitor_ ? udev_monitor_get_fd(monitor_) : -1, POLLIN, 0}};
        const int wait = static_cast<int>(std::min(left, kSlowCheck).count());
        if (::poll(fds, 2, wait) > 0) Changed();
    }
}

}  // namespace zvr
