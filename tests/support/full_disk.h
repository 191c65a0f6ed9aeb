#pragma once

#include <memory>
#include <string>

namespace zvr::test {

class FileSizeLimit;

// A folder where every write fails as on a full disk. As root, a small tmpfs mounted there
// and filled to the last byte: writes fail with ENOSPC, "No space left on device". Without
// the privilege to mount, the process's file size limit held at a few hundred bytes while
// the fixture lives, which programs started meanwhile inherit: a write past it fails with
// EFBIG, "File too large", on that folder as on any other (the limit is per file, so small
// files such as captured messages still fit).
class FullDisk {
public:
    FullDisk();
    ~FullDisk();
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

    // A file in the full folder.
    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    // The system's reason for a failed write there.
    const std::string& reason() const { return reason_; }
    bool mounted() const { return mounted_; }

private:
    std::string folder_;
    std::string reason_;
    bool mounted_ = false;
    std::unique_ptr<FileSizeLimit> limit_;
};

}  // namespace zvr::test
