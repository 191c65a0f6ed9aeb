#include "ini_settings_store.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/replacing_file.h"

namespace zvr::cli {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// As the program's store: a string value holds at most 260 characters.
constexpr size_t kMaxStringValue = 260;
// How long a write waits for the program to finish its own.
constexpr auto kLockWait = 5s;
// QSettings takes a lock file older than this for one left behind.
constexpr auto kStaleLock = 30s;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// The name the lock names its holder by, as Qt finds a process's name: its executable's.
std::string ProgramName(pid_t pid) {
    std::error_code error;
    const auto target =
        std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
    std::string name = error ? "" : target.filename().string();
    if (name.ends_with(" (deleted)")) name.resize(name.size() - 10);
    return name;
}

// Whether a lock file was left by a process that has gone (or by one so long ago that
// QSettings would take it over too).
bool IsStale(const std::string& lock) {
    std::istringstream lines(FileText(lock));
    std::string pidLine, program, host;
    std::getline(lines, pidLine);
    std::getline(lines, program);
    std::getline(lines, host);
    const long pid = std::atol(pidLine.c_str());
    if (pid > 0 && (host.empty() || host == HostName())) {
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) return true;
        const std::string running = ProgramName(static_cast<pid_t>(pid));
        if (!running.empty() && !program.empty() && running != program) return true;
    }
    std::error_code error;
    const auto written = std::filesystem::last_write_time(lock, error);
    return !error && std::filesystem::file_time_type::clock::now() - written > kStaleLock;
}

// QSettings' lock on a settings file, as QLockFile takes it: a file beside it, made only if
// absent, naming this process, its program and host.
class SettingsLock {
public:
    explicit SettingsLock(std::string path) : path_(std::move(path) + ".lock") {
        const auto deadline = Clock::now() + kLockWait;
        while (Clock::now() < deadline) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                const std::string text = std::to_string(::getpid()) + "\n" +
                                         ProgramName(::getpid()) + "\n" + HostName() + "\n";
                held_ = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
                ::close(fd);
                if (!held_) ::unlink(path_.c_str());
                return;
            }
            if (errno != EEXIST) return;
            if (IsStale(path_)) {
                ::unlink(path_.c_str());
                continue;
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    ~SettingsLock() {
        if (held_) ::unlink(path_.c_str());
    }
    SettingsLock(const SettingsLock&) = delete;
    SettingsLock& operator=(const SettingsLock&) = delete;

    bool held() const { return held_; }

private:
    std::string path_;
    bool held_ = false;
};

}  // namespace

IniSettingsStore::IniSettingsStore(std::string path)
    : path_(std::move(path)), document_(QtIniDocument::Parse(FileText(path_))) {}

std::string IniSettingsStore::DefaultPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : ".") + "/.config";
    }
    return base + "/TELQ/ZVR.ini";
}

int IniSettingsStore::Write(std::string_view name, std::string text) {
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), error);
    const SettingsLock lock(path_);
    if (!lock.held()) return -1;
    // What the program may have written since this store read the file is kept.
    document_ = QtIniDocument::Parse(FileText(path_));
    document_.setValueText(name, std::move(text));
    ReplacingFile file(path_);
    if (!file.open()) return -1;
    return file.write(document_.Write()) && file.commit() ? 0 : -2;
}

std::optional<std::string> IniSettingsStore::readString(std::string_view name) {
    const std::string* text = document_.valueText(name);
    if (text == nullptr) return std::nullopt;
    std::optional<std::string> value = UnescapedIniString(*text);
    if (!value || value->empty()) return std::nullopt;
    if (value->size() > kMaxStringValue) value->resize(kMaxStringValue);
    return value;
}

int IniSettingsStore::writeString(std::string_view name, std::string_view value) {
    return Write(name, EscapedIniString(value));
}

std::optional<int32_t> IniSettingsStore::readNumber(std::string_view name) {
    const std::string* text = document_.valueText(name);
    const std::optional<std::string> value = text ? UnescapedIniString(*text) : std::nullopt;
    if (!value) return std::nullopt;
    // As a string converts to a number: blanks around it and a sign allowed, base 10.
    const size_t start = value->find_first_not_of(" \t");
    const size_t end = value->find_last_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    const std::string digits = value->substr(start, end - start + 1);
    char* stop = nullptr;
    errno = 0;
    const long long number = std::strtoll(digits.c_str(), &stop, 10);
    if (stop == digits.c_str() || *stop != '\0' || errno == ERANGE || number < INT32_MIN ||
        number > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int32_t>(number);
}

int IniSettingsStore::writeNumber(std::string_view name, int32_t value) {
    return Write(name, std::to_string(value));
}

}  // namespace zvr::cli
