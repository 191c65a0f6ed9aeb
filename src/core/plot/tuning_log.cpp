#include "plot/tuning_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "common/csv.h"
#include "common/numbers.h"
#include "common/regular_file.h"
#include "common/user_folders.h"
#include "common/user_prompt.h"

namespace zvr {

namespace {

namespace fs = std::filesystem;

constexpr const char* kEndOfLine = "\r\n";

std::string SystemError(const std::string& path) { return path + ": " + std::strerror(errno); }

// The file begins with the log's header, or is empty.
bool BeginsWithHeader(int fd) {
    const std::string header = kTuningLogHeader;
    std::string start(header.size(), '\0');
    const ssize_t got = ::pread(fd, start.data(), start.size(), 0);
    if (got < 0) return false;
    start.resize(static_cast<size_t>(got));
    return start.empty() || start == header;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

}  // namespace

std::string TuningLogTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string FormatTuningLogLine(const TuningLogEntry& entry) {
    std::string line = CsvField(TuningLogTime(entry.when)) + ',' + CsvField(entry.unit) + ',' +
                       CsvField(entry.strategy);
    for (const std::string& gain : entry.gains)
        line += ',' + CsvField(gain);
    if (!entry.step) return line + ",,,,,";
    const StepFigures& step = *entry.step;
    const int decimals = std::clamp(entry.valueDecimals, 0, 10);
    line += ',' + FormatFixed(step.step(), decimals);
    line += ',' + FormatFixed(step.overshootPercent, 1);
    line += ',' + (step.riseSeconds ? FormatFixed(*step.riseSeconds, 3) : "not reached");
    line += ',' + (step.settlingSeconds ? FormatFixed(*step.settlingSeconds, 3) : "not settled");
    line += ',' + FormatFixed(step.error, std::min(decimals + 1, 10));
    return line;
}

std::string DefaultTuningLogPath() { return UserDataFolder("zvr/tuning_log.csv"); }

bool TuningLog::Append(const TuningLogEntry& entry, std::string& error) {
    std::error_code made;
    const fs::path folder = fs::path(path_).parent_path();
    if (!folder.empty()) fs::create_directories(folder, made);
    if (made) {
        error = folder.string() + ": " + made.message();
        return false;
    }
    const int fd = ::open(path_.c_str(),
                          O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0644);
    if (fd < 0) {
        error = SystemError(path_);
        return false;
    }
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0;
    if (!ok) {
        error = SystemError(path_);
    } else if (!S_ISREG(status.st_mode)) {
        error = path_ + " is not a regular file; it is left alone";
        ok = false;
    } else if (!BeginsWithHeader(fd)) {
        error = path_ + " is not a tuning log of ZVR; it is left alone";
        ok = false;
    }
    if (ok) {
        std::string text = status.st_size == 0 ? std::string(kTuningLogHeader) + kEndOfLine : "";
        text += FormatTuningLogLine(entry) + kEndOfLine;
        ok = WriteAll(fd, text);
        if (!ok) error = SystemError(path_);
    }
    if (::close(fd) != 0 && ok) {
        error = SystemError(path_);
        ok = false;
    }
    return ok;
}

void TuningLog::Append(const TuningLogEntry& entry, UserPrompt& prompt) {
    std::string error;
    if (Append(entry, error) || failed_) return;
    failed_ = true;
    prompt.warn("The tuning log cannot be written (" + error +
                "). Tuning goes on; gains and steps are not logged while this lasts.");
}

bool ReadTuningLog(const std::string& path, TuningLogTable& table, std::string& error) {
    table = {.header = SplitCsvLine(kTuningLogHeader)};
    std::error_code missing;
    if (!fs::exists(fs::status(path, missing))) return true;
    const std::optional<std::string> text = ReadRegularFile(path);
    if (!text) {
        error = path + " cannot be read";
        return false;
    }
    std::string_view rest = *text;
    bool first = true;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (first) {
            if (line != kTuningLogHeader) {
                error = path + " is not a tuning log of ZVR";
                return false;
            }
            first = false;
        } else if (!line.empty()) {
            table.rows.push_back(SplitCsvLine(line));
        }
    }
    return true;
}

}  // namespace zvr
