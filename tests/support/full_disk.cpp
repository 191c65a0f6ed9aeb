#include "support/full_disk.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "support/file_size_limit.h"

namespace zvr::test {

namespace {

constexpr rlim_t kFileSizeLimit = 256;

// Writes a file until the file system refuses more.
void Fill(const std::string& folder) {
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return;
    const std::vector<char> block(4096, 'x');
    while (::write(fd, block.data(), block.size()) > 0) {
    }
    // The last partial block, byte by byte.
    while (::write(fd, block.data(), 1) > 0) {
    }
    ::close(fd);
}

}  // namespace

FullDisk::FullDisk() : folder_(std::filesystem::absolute("full").string()) {
    std::filesystem::create_directories(folder_);
    if (::geteuid() == 0 && ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                                    "size=64k,mode=0777") == 0) {
        mounted_ = true;
        Fill(folder_);
        reason_ = std::strerror(ENOSPC);
        return;
    }
    limit_ = std::make_unique<FileSizeLimit>(kFileSizeLimit);
    reason_ = std::strerror(EFBIG);
}

FullDisk::~FullDisk() {
    limit_.reset();
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace zvr::test
