#include "common/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zvr {

std::FILE* OpenRegularFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
    }
    return file;
}

std::optional<std::string> ReadRegularFile(const std::string& path) {
    std::FILE* file = OpenRegularFile(path);
    if (file == nullptr) return std::nullopt;
    std::string text;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return std::nullopt;
    return text;
}

std::string OpenFailureReason(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    struct stat info;
    std::string reason;
    if (::fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        reason = std::strerror(EISDIR);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    }
    ::close(fd);
    return reason;
}

}  // namespace zvr
