#include "common/replacing_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace zvr {

namespace {

std::string FolderOf(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    return slash == std::string::npos ? "" : target.substr(0, slash + 1);
}

// ".NAME.tmp-": how every temporary file beside the target NAME starts; the owner's process
// id follows, then a counter and an attempt number.
std::string TemporaryPrefixFor(const std::string& target) {
    const size_t slash = target.find_last_of('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    return "." + name + ".tmp-";
}

std::string TemporaryPathFor(const std::string& target, int attempt) {
    static std::atomic<unsigned> counter{0};
    return FolderOf(target) + TemporaryPrefixFor(target) + std::to_string(::getpid()) + "-" +
           std::to_string(counter++) + "-" + std::to_string(attempt);
}

bool ProcessIsGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// Temporary files of this target left by a process that has gone (killed while writing) are
// removed; those of a live process are its business.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target);
    const std::string prefix = TemporaryPrefixFor(target);
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix)) continue;
        const std::string_view rest = name.substr(prefix.size());
        pid_t pid = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
        if (error != std::errc{} || end == rest.data() || *end != '-' || pid <= 0) continue;
        if (pid != ::getpid() && ProcessIsGone(pid)) {
            ::unlink((folder + std::string(name)).c_str());
        }
    }
    ::closedir(dir);
}

// The rename is durable only once the folder's entry is on disk too.
void SyncFolder(const std::string& target) {
    const std::string folder = FolderOf(target);
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A link is followed, so that the file it names is replaced and the link stays.
std::string ResolvedTarget(std::string target) {
    struct stat status {};
    if (::lstat(target.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    return target;
}

}  // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(ResolvedTarget(std::move(target))) {}

ReplacingFile::~ReplacingFile() { abandon(); }

bool ReplacingFile::targetExists() const {
    struct stat status {};
    return ::stat(target_.c_str(), &status) == 0;
}

bool ReplacingFile::open() {
    abandon();
    error_ = 0;
    struct stat status {};
    if (::stat(target_.c_str(), &status) == 0) {
        if (!S_ISREG(status.st_mode)) {
            error_ = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
            return false;
        }
        if (::access(target_.c_str(), W_OK) != 0) {
            error_ = errno;
            return false;
        }
        targetMode_ = static_cast<int>(status.st_mode & 07777);
    }
    RemoveStaleTemporaries(target_);
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        temporary_ = TemporaryPathFor(target_, attempt);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd_ < 0) {
        error_ = errno;
        temporary_.clear();
        return false;
    }
    if (targetMode_ >= 0) {
        ::fchmod(fd_, static_cast<mode_t>(targetMode_));
    }
    return true;
}

bool ReplacingFile::write(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            error_ = written < 0 ? errno : ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return fd_ >= 0;
}

bool ReplacingFile::commit() {
    if (fd_ < 0) {
        return false;
    }
    const bool onDisk = ::fsync(fd_) == 0;
    if (!onDisk) error_ = errno;
    const bool closed = ::close(fd_) == 0;
    if (!closed && onDisk) error_ = errno;
    fd_ = -1;
    if (onDisk && closed && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        error_ = errno;
    }
    if (error_ != 0) {
        abandon();
        return false;
    }
    temporary_.clear();
    SyncFolder(target_);
    return true;
}

bool ReplacingFile::writable() {
    if (!open()) return false;
    abandon();
    return true;
}

bool ReplacingFile::Fill(const std::function<bool(const std::string& temporaryPath)>& fill) {
    if (fd_ < 0) return false;
    errno = 0;
    if (fill(temporary_)) return true;
    // The writer's own last failure (a short write, a failed close) left its reason here.
    error_ = errno != 0 ? errno : EIO;
    abandon();
    return false;
}

std::string ReplacingFile::failure() const { return std::strerror(error_ != 0 ? error_ : EIO); }

bool ReplaceFileWith(const std::string& target,
                     const std::function<bool(const std::string& temporaryPath)>& fill,
                     std::string* failure) {
    ReplacingFile file(target);
    if (file.open() && file.Fill(fill) && file.commit()) return true;
    if (failure != nullptr) *failure = file.failure();
    return false;
}

void ReplacingFile::abandon() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace zvr
