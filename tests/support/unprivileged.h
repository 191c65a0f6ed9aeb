#pragma once

#include <functional>
#include <optional>
#include <string>

namespace zvr::test {

// What a part of a test run as an ordinary user found.
struct UnprivilegedRun {
    bool ran = false;     // false: privileges could not be dropped (see skipReason)
    std::string failure;  // what the part reported; empty when it passed
    std::string skipReason;
};

// Runs part as a user without privileges, where root's would hide the fault under test (root
// opens an exclusive terminal and any device whatever its mode). Not root: runs it here, as it
// is. Root: runs it in a child that has dropped to nobody/nogroup, in a fresh folder of its
// own; part returns what went wrong (empty: nothing), since a child's expectations cannot
// reach the test. The child is the test's own process forked, so part may use anything the
// test has, but it runs as another user: files the test made are the child's only when their
// modes allow.
UnprivilegedRun RunUnprivileged(const std::function<std::string()>& part);

// True when this process has root's privileges.
bool RunningAsRoot();

}  // namespace zvr::test
