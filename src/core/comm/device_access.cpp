#include "comm/device_access.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace zvr {

namespace {

// A user-visible list stays short: the first few holders say enough.
constexpr size_t kMaxNamedHolders = 3;

bool IsNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text) {
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    }
    return true;
}

std::string CommandName(const std::string& pid) {
    std::ifstream comm("/proc/" + pid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? "process" : name;
}

// Whether one of the process's open files is the device.
bool HoldsDevice(const std::string& pid, dev_t device) {
    const std::string folder = "/proc/" + pid + "/fd";
    DIR* fds = ::opendir(folder.c_str());
    if (fds == nullptr) return false;  // gone, or another user's
    bool holds = false;
    while (const dirent* entry = ::readdir(fds)) {
        if (!IsNumber(entry->d_name)) continue;
        struct stat info {};
        if (::stat((folder + "/" + entry->d_name).c_str(), &info) == 0 && S_ISCHR(info.st_mode) &&
            info.st_rdev == device) {
            holds = true;
            break;
        }
    }
    ::closedir(fds);
    return holds;
}

// The processes holding a lock on the device node, from /proc/locks, whose lines read
// "1: FLOCK  ADVISORY  WRITE 4814 00:1a:3 0 EOF" (the node's file system as hex major:minor,
// then its inode); "->" lines are waiters, not holders.
std::vector<int> LockingProcesses(const struct stat& node) {
    std::vector<int> pids;
    std::ifstream locks("/proc/locks");
    std::string line;
    while (std::getline(locks, line)) {
        std::istringstream fields(line);
        std::string number, kind, mode, access, where;
        int pid = 0;
        if (!(fields >> number >> kind >> mode >> access >> pid >> where) || kind == "->") continue;
        unsigned major = 0, minor = 0;
        unsigned long inode = 0;
        if (std::sscanf(where.c_str(), "%x:%x:%lu", &major, &minor, &inode) == 3 &&
            major == ::major(node.st_dev) && minor == ::minor(node.st_dev) &&
            inode == node.st_ino) {
            pids.push_back(pid);
        }
    }
    return pids;
}

}  // namespace

std::string ModeText(mode_t mode) {
    std::string text = S_ISCHR(mode) ? "c" : S_ISBLK(mode) ? "b" : S_ISDIR(mode) ? "d" : "-";
    const char* letters = "rwxrwxrwx";
    for (int bit = 0; bit < 9; ++bit)
        text += (mode & (0400u >> bit)) != 0 ? letters[bit] : '-';
    return text;
}

std::string PermissionAdvice(const std::string& path, const DeviceAccess& access) {
    const bool groupMayUse = (access.mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (groupMayUse && access.groupId != 0) {
        if (access.userListedInGroup) {
            return "Your user is in the group that owns the device ('" + access.group +
                   "'), but this login is not yet: log out and in again";
        }
        return "Serial devices are for members of the group that owns them ('" + access.group +
               "'): add your user to it (sudo usermod -aG " + access.group +
               " $USER), then log out and in again";
    }
    return path + " is " + ModeText(access.mode) + " " + access.owner + " " + access.group +
           ": no group but root's may read and write it, so its permissions must be changed " +
           "(a udev rule that sets its GROUP and MODE, see zvr(1))";
}

std::vector<DeviceHolder> DeviceHolders(const std::string& path) {
    std::vector<DeviceHolder> holders;
    struct stat device {};
    if (::stat(path.c_str(), &device) != 0 || !S_ISCHR(device.st_mode)) return holders;
    // A program that locked the port is the one that holds it. Others may merely have it
    // open without claiming it (a simulator keeps its end of a pseudo-terminal open), and
    // are named only when nobody locked it.
    for (int pid : LockingProcesses(device)) {
        if (::kill(pid, 0) == 0 || errno == EPERM) {
            holders.push_back({pid, CommandName(std::to_string(pid))});
        }
    }
    if (holders.empty()) {
        DIR* processes = ::opendir("/proc");
        if (processes == nullptr) return holders;
        while (const dirent* entry = ::readdir(processes)) {
            if (IsNumber(entry->d_name) && HoldsDevice(entry->d_name, device.st_rdev)) {
                holders.push_back({std::stoi(entry->d_name), CommandName(entry->d_name)});
            }
        }
        ::closedir(processes);
    }
    std::sort(holders.begin(), holders.end(),
              [](const DeviceHolder& a, const DeviceHolder& b) { return a.pid < b.pid; });
    holders.erase(std::unique(holders.begin(), holders.end()), holders.end());
    return holders;
}

std::string InUseText(const std::vector<DeviceHolder>& holders) {
    if (holders.empty()) return "in use by another program";
    std::string text = "in use by ";
    for (size_t i = 0; i < holders.size() && i < kMaxNamedHolders; ++i) {
        text += (i ? ", " : "") + holders[i].name + " (pid " + std::to_string(holders[i].pid) + ")";
    }
    if (holders.size() > kMaxNamedHolders) text += " and others";
    return text;
}

}  // namespace zvr
