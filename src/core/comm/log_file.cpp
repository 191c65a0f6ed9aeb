#include "comm/log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <vector>

namespace zvr {

namespace {

constexpr size_t kKB = 1024;

std::string ResolvedPath(std::string_view name) {
    std::string path(name.empty() || name.size() >= 128 ? CLogFile::kDefaultName : name);
    // Create without truncating, so the file exists and has a full path.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 && path != CLogFile::kDefaultName) {
        path = CLogFile::kDefaultName;
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    std::error_code ignored;
    const auto absolute = std::filesystem::absolute(path, ignored);
    return absolute.empty() ? path : absolute.string();
}

// Everything from the first line that starts after offset `from`; empty when no line
// feed follows it.
bool ReadKeptTail(std::FILE* file, long from, std::string& kept, size_t chunkSize) {
    if (std::fseek(file, from, SEEK_SET) != 0) return false;
    int c;
    while ((c = std::fgetc(file)) != EOF && c != '\n') {
    }
    if (c == EOF) return false;
    std::vector<char> chunk(chunkSize);
    size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), file)) > 0)
        kept.append(chunk.data(), n);
    return true;
}

}  // namespace

void RemoveLogFile(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
}

std::optional<std::string> LogPathProblem(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;  // created at the first line
    if (S_ISREG(info.st_mode) || S_ISCHR(info.st_mode)) return std::nullopt;
    const char* what = S_ISDIR(info.st_mode)    ? "a folder"
                       : S_ISFIFO(info.st_mode) ? "a pipe"
                       : S_ISSOCK(info.st_mode) ? "a socket"
                       : S_ISBLK(info.st_mode)  ? "a block device"
                                                : "not a regular file";
    return path + " is " + what + ": the traffic log must be a regular file";
}

int AppendToLogFile(const std::string& path, std::string_view bytes, size_t maximum,
                    size_t cacheSize, int* systemError) {
    auto failed = [systemError](int result) {
        if (systemError != nullptr) *systemError = errno;
        return result;
    };
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return failed(-4);
    std::FILE* file = ::fdopen(fd, "r+b");
    if (file == nullptr) {
        const int result = failed(-4);
        ::close(fd);
        return result;
    }
    // A log that is not a plain file (a pipe) has no length: it is only ever appended to.
    const long length = std::fseek(file, 0, SEEK_END) == 0 ? std::max(std::ftell(file), 0L) : 0L;
    int result = 0;
    try {
        if (static_cast<size_t>(length) + bytes.size() <= maximum) {
            if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
                result = failed(-3);
            }
        } else {
            // Keep the newest lines: from about (maximum - cache) before the end of an
            // oversized file, else from one cache size into the file.
            const long from = static_cast<size_t>(length) > maximum
                                  ? length - static_cast<long>(maximum - cacheSize)
                                  : static_cast<long>(cacheSize);
            std::string kept;
            if (!ReadKeptTail(file, from, kept, cacheSize)) kept.clear();
            kept.append(bytes);
            std::fflush(file);
            if (::ftruncate(fd, 0) == 0) {
                std::fseek(file, 0, SEEK_SET);
                if (std::fwrite(kept.data(), 1, kept.size(), file) != kept.size()) {
                    result = failed(-3);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        result = -1;
    }
    // The bytes reach the disk only here: a full disk shows up as late as this.
    if (std::fflush(file) != 0 && result == 0) result = failed(-3);
    if (std::fclose(file) != 0 && result == 0) result = failed(-3);
    return result;
}

CLogFile::CLogFile(std::string_view fileName, size_t maxKB, size_t cacheKB)
    : path_(ResolvedPath(fileName)),
      maximum_(maxKB <= 128 ? 3000 * kKB : maxKB * kKB),
      cacheSize_(cacheKB != 0 && cacheKB * kKB < maximum_ ? cacheKB * kKB : 128 * kKB) {
    cache_.reserve(cacheSize_);
}

CLogFile::~CLogFile() {
    std::lock_guard lock(mutex_);
    flushLocked(true);
    waitForWriter();
}

int CLogFile::AddLine(std::string_view text) {
    std::lock_guard lock(mutex_);
    int result = 0;
    if (cache_.size() + text.size() + 2 >= cacheSize_ - 1) {
        result = flushLocked(false);
    }
    const size_t used = std::min(cache_.size(), cacheSize_ - 1);
    const size_t room = cacheSize_ - 1 - used;
    const size_t fits = text.size() + 2 < room ? text.size() : (room > 2 ? room - 2 : 0);
    cache_.append(text.substr(0, fits));
    cache_.append("\r\n");
    return result;
}

int CLogFile::Flush(bool wait) {
    std::lock_guard lock(mutex_);
    return flushLocked(wait);
}

void CLogFile::FlushAndWait() {
    std::lock_guard lock(mutex_);
    flushLocked(true);
    waitForWriter();
}

int CLogFile::flushLocked(bool wait) {
    if (writer_.joinable() && !writerDone_->load()) {
        if (!wait) {
            cache_.assign(kLostLine);
            cache_.append("\r\n");
            status_ = -5;
            return status_;
        }
    }
    waitForWriter();
    if (cache_.empty()) return status_;
    writerDone_ = std::make_shared<std::atomic<bool>>(false);
    try {
        writer_ = std::thread([bytes = cache_, path = path_, maximum = maximum_, cache = cacheSize_,
                               done = writerDone_, failure = failure_] {
            Append(path, bytes, maximum, cache, *failure);
            done->store(true);
        });
    } catch (const std::system_error&) {
        // No thread to be had (the process is at its limit): write on this thread rather
        // than lose the lines or end the program.
        Append(path_, cache_, maximum_, cacheSize_, *failure_);
        writerDone_->store(true);
    }
    cache_.clear();
    cache_.reserve(cacheSize_);
    status_ = 0;
    return status_;
}

void CLogFile::Append(const std::string& path, std::string_view bytes, size_t maximum,
                      size_t cacheSize, std::atomic<int>& failure) {
    int error = 0;
    const int result = AppendToLogFile(path, bytes, maximum, cacheSize, &error);
    int none = 0;
    if (result == -3 || result == -4)
        failure.compare_exchange_strong(none, error != 0 ? error : EIO);
}

void CLogFile::waitForWriter() {
    if (writer_.joinable()) writer_.join();
}

}  // namespace zvr
