// Why a serial device does not open: the advice on permissions, and who holds a busy port.
#include "comm/device_access.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "comm/serial_device.h"
#include "support/pty_peer.h"
#include "support/unprivileged.h"

namespace zvr {
namespace {

using test::PtyPeer;

constexpr const char* kAddUser = "usermod -aG";

TEST(DeviceAccess, AGroupIsNamedOnlyWhenJoiningItGivesAccessAndIsSafe) {
    struct Case {
        const char* what;
        DeviceAccess access;
        std::string mustSay;
        bool namesGroup;
    };
    const Case cases[] = {
        {"the usual serial group",
         {S_IFCHR | 0660, "root", "dialout", 20, false},
         "add your user to it (sudo usermod -aG dialout $USER), then log out and in again",
         true},
        {"root's own group, even with read and write",
         {S_IFCHR | 0660, "root", "root", 0, false},
         "/dev/ttyUSB0 is crw-rw---- root root: no group but root's may read and write it",
         false},
        {"only the owner may use it",
         {S_IFCHR | 0600, "root", "dialout", 20, false},
         "/dev/ttyUSB0 is crw------- root dialout",
         false},
        {"the group may write but not read (a terminal's tty group)",
         {S_IFCHR | 0620, "alice", "tty", 5, false},
         "/dev/ttyUSB0 is crw--w---- alice tty",
         false},
        {"the group may read but not write",
         {S_IFCHR | 0640, "root", "uucp", 10, false},
         "/dev/ttyUSB0 is crw-r----- root uucp",
         false},
        {"a member whose login predates joining",
         {S_IFCHR | 0660, "root", "dialout", 20, true},
         "Your user is in the group that owns the device ('dialout'), but this login is not "
         "yet: log out and in again",
         false},
    };
    for (const Case& c : cases) {
        const std::string advice = PermissionAdvice("/dev/ttyUSB0", c.access);
        EXPECT_NE(advice.find(c.mustSay), std::string::npos) << c.what << ": " << advice;
        EXPECT_EQ(advice.find(kAddUser) != std::string::npos, c.namesGroup) << c.what;
        if (!c.namesGroup && !c.access.userListedInGroup) {
            EXPECT_NE(advice.find("permissions must be changed (a udev rule"), std::string::npos)
                << c.what;
        }
    }
}

TEST(DeviceAccess, HoldersAreNamedWithTheirProcessIds) {
    EXPECT_EQ(InUseText({}), "in use by another program");
    EXPECT_EQ(InUseText({{812, "ModemManager"}}), "in use by ModemManager (pid 812)");
    EXPECT_EQ(InUseText({{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}}),
              "in use by a (pid 1), b (pid 2), c (pid 3) and others");
}

// A device node whose owner, group and mode the test sets; the test's user opens it.
struct PermissionCase {
    const char* what;
    gid_t group;
    mode_t mode;
    std::string mustSay;
    bool namesGroup;
};

// Opens path as an ordinary user and checks the reason given against each case, after the
// node was given the case's group and mode.
void ExpectAdvice(const std::string& path, const std::vector<PermissionCase>& cases) {
    for (const PermissionCase& c : cases) {
        ASSERT_EQ(::chown(path.c_str(), static_cast<uid_t>(-1), c.group), 0) << c.what;
        ASSERT_EQ(::chmod(path.c_str(), c.mode), 0) << c.what;
        const test::UnprivilegedRun run = test::RunUnprivileged([&] {
            std::unique_ptr<SerialDevice> device;
            if (OpenSerialDevice(path, device) == 0) return std::string("the port opened");
            const std::string reason = DescribeOpenFailure(path);
            std::string failures;
            if (reason.rfind("Permission denied. ", 0) != 0) failures += "no system reason; ";
            if (reason.find(c.mustSay) == std::string::npos) failures += "not said; ";
            if ((reason.find(kAddUser) != std::string::npos) != c.namesGroup)
                failures += c.namesGroup ? "no group named; " : "a group named; ";
            return failures.empty() ? failures : failures + reason;
        });
        if (!run.ran) GTEST_SKIP() << run.skipReason;
        EXPECT_EQ(run.failure, "") << c.what;
    }
}

TEST(DeviceAccess, AnOrdinaryUserRefusedAPortIsToldWhatGivesAccess) {
    PtyPeer peer;
    if (!test::RunningAsRoot()) {
        // The test's own terminal: the user owns it, so only taking every permission away
        // refuses it, and the advice is to change them.
        ExpectAdvice(peer.path(), {{"no permissions", ::getgid(), 0, "is c---------", false}});
        return;
    }
    // Root made the terminal; an ordinary user gets the advice its owner, group and mode
    // call for.
    ASSERT_EQ(::chown(peer.path().c_str(), 0, 0), 0);
    std::vector<PermissionCase> cases = {
        {"root's device, root's group", 0, 0660, "crw-rw---- root root", false},
        {"only root may use it", 0, 0600, "crw------- root root", false},
    };
    if (const group* dialout = ::getgrnam("dialout")) {
        cases.push_back({"the serial group may use it", dialout->gr_gid, 0660,
                         "sudo usermod -aG dialout $USER", true});
        cases.push_back({"the serial group may only write", dialout->gr_gid, 0620,
                         "crw--w---- root dialout", false});
    }
    ExpectAdvice(peer.path(), cases);
}

// A child process that holds the port, under a name of its choosing, until it is stopped:
// then it closes the port as the link does.
class PortHolder {
public:
    PortHolder(const std::string& path, const char* name) {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(stop_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            ::close(stop_[1]);
            ::prctl(PR_SET_NAME, name);
            auto device = std::make_unique<std::unique_ptr<SerialDevice>>();
            const char opened = OpenSerialDevice(path, *device) == 0 ? 'y' : 'n';
            (void)!::write(ready[1], &opened, 1);
            char ignored;
            (void)!::read(stop_[0], &ignored, 1);  // until the test closes its end
            device.reset();
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(stop_[0]);
        char opened = 'n';
        holding_ = pid_ > 0 && ::read(ready[0], &opened, 1) == 1 && opened == 'y';
        ::close(ready[0]);
    }
    ~PortHolder() { Stop(); }

    void Stop() {
        if (pid_ <= 0) return;
        ::close(stop_[1]);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    bool holding() const { return holding_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int stop_[2] = {-1, -1};
    bool holding_ = false;
};

// What a user is told about a port another program holds; empty when it is right.
std::string BusyPortFindings() {
    PtyPeer peer;
    PortHolder holder(peer.path(), "ModemManager");
    if (!holder.holding()) return "the holder could not open the port";
    std::string failures;
    const std::string expected =
        "in use by ModemManager (pid " + std::to_string(holder.pid()) + ")";
    if (const std::string reason = DescribeOpenFailure(peer.path()); reason != expected)
        failures += "held: '" + reason + "' instead of '" + expected + "'\n";
    holder.Stop();
    if (const std::string reason = DescribeOpenFailure(peer.path()); !reason.empty())
        failures += "released: '" + reason + "'\n";
    return failures;
}

TEST(DeviceAccess, ABusyPortNamesTheProgramThatHoldsIt) {
    // Root's look finds the holder's lock; an ordinary user is refused by the terminal's
    // exclusive flag before any lock: both name the holder.
    if (test::RunningAsRoot()) {
        EXPECT_EQ(BusyPortFindings(), "") << "as root";
    }
    const test::UnprivilegedRun run = test::RunUnprivileged(BusyPortFindings);
    if (!run.ran) GTEST_SKIP() << run.skipReason;
    EXPECT_EQ(run.failure, "") << "as an ordinary user";
}

}  // namespace
}  // namespace zvr
