#pragma once

#include <chrono>
#include <functional>
#include <string>

struct udev;
struct udev_monitor;

namespace zvr {

// Watches for a serial device that went away (an adapter pulled out) to come back under the
// same path, without polling: the kernel's file notifications on the folder that holds the
// path (devtmpfs announces /dev/ttyUSB0 there, udev its /dev/serial/by-id links, a simulator
// its link) and udev's announcements of tty devices wake the watcher. A slow check every
// second covers a folder that itself appears only with the device.
//
// Threads: one owner. fd() may be handed to an event loop (readable when something changed);
// the owner then calls Changed() and asks Present().
class DeviceWatch {
public:
    explicit DeviceWatch(std::string path);
    ~DeviceWatch();
    DeviceWatch(const DeviceWatch&) = delete;
    DeviceWatch& operator=(const DeviceWatch&) = delete;

    const std::string& path() const { return path_; }
    // The path names a terminal device now (a link is followed).
    bool Present() const;
    // Waits until Present(), for up to limit; false when the time ran out or interrupted()
    // said so (asked at least every second).
    bool WaitForReturn(std::chrono::milliseconds limit,
                       const std::function<bool()>& interrupted = {});

    // Readable when the watched folder or the tty devices changed; -1 when notifications
    // cannot be had (the watcher then checks once a second).
    int fd() const { return inotify_; }
    // Reads the pending notifications so that fd() is quiet again, and watches the folder
    // anew if it has just appeared.
    void Changed();

private:
    void WatchFolder();

    std::string path_;
    int inotify_ = -1;
    int watch_ = -1;
    ::udev* udev_ = nullptr;
    ::udev_monitor* monitor_ = nullptr;
};

}  // namespace zvr
