#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zvr {

// Who may open a device node, as the file system says.
struct DeviceAccess {
    mode_t mode = 0;    // type and permission bits, as stat gives them
    std::string owner;  // the owning user's name (the number when it has none)
    std::string group;  // the owning group's name (the number when it has none)
    gid_t groupId = 0;
    bool userListedInGroup = false;  // the user is a member, though this login may not be yet
};

// What gives an ordinary user access to a device the system refused. A group is named only
// when membership would help: the group may read and write the device and is not root's
// (joining root's group is no fix, it is a hole). A user already listed in the group is told
// to log in again; otherwise the device's permissions must change, and they are shown.
std::string PermissionAdvice(const std::string& path, const DeviceAccess& access);

// "crw-rw----", as ls shows a mode.
std::string ModeText(mode_t mode);

// A process that has a device open.
struct DeviceHolder {
    int pid = 0;
    std::string name;  // its command name, as /proc/PID/comm gives it

    friend bool operator==(const DeviceHolder&, const DeviceHolder&) = default;
};

// The processes that hold the device at path (a link to it counts as the device), as far as
// /proc shows them: those that locked it, or when none did, those that have it open (another
// user's open files are hidden from an ordinary user).
std::vector<DeviceHolder> DeviceHolders(const std::string& path);

// "in use by ModemManager (pid 812)", several holders by commas; "in use by another program"
// when none is known.
std::string InUseText(const std::vector<DeviceHolder>& holders);

}  // namespace zvr
