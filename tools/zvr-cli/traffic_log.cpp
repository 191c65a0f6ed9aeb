#include "traffic_log.h"

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "comm/log_file.h"

namespace zvr::cli {

namespace {

namespace fs = std::filesystem;

// How a traffic log begins: the open line, or after trimming any line of traffic.
constexpr std::array kLogLineStarts{std::string_view("Serial Com Opened\r\n"),
                                    std::string_view(" SEND "), std::string_view(" RECV "),
                                    std::string_view("Cache too small. Data was Lost\r\n")};

bool BeginsLikeATrafficLog(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string start(32, '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    start.resize(static_cast<size_t>(file.gcount()));
    if (start.empty()) return true;
    for (std::string_view begin : kLogLineStarts) {
        if (start.starts_with(begin.substr(0, std::min(begin.size(), start.size())))) return true;
    }
    return false;
}

}  // namespace

std::string TrafficLogPath(const std::string& requested) {
    if (!requested.empty()) return requested;
    fs::path state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/') {
        state = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        state = fs::path(home) / ".local" / "state";
    } else {
        state = fs::temp_directory_path();
    }
    return (state / "zvr" / "Log.txt").string();
}

std::optional<std::string> TrafficLogRefusal(const std::string& path) {
    // A folder, pipe, socket or block device is never a log.
    if (const auto problem = LogPathProblem(path)) return *problem + "; it is left alone";
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found) return std::nullopt;
    if (error) return path + ": " + error.message();
    // A device such as /dev/null is written to and never removed.
    if (fs::is_character_file(status)) return std::nullopt;
    if (!fs::is_regular_file(status)) return path + " is not a regular file; it is left alone";
    if (!BeginsLikeATrafficLog(path))
        return path + " is not a traffic log of zvr-cli; it is left alone";
    return std::nullopt;
}

bool MakeTrafficLogFolder(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    std::error_code error;
    return folder.empty() || fs::create_directories(folder, error) || fs::is_directory(folder);
}

}  // namespace zvr::cli
