#include "calibration/restore_points.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "comm/controller_message.h"
#include "common/replacing_file.h"
#include "common/user_folders.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "monitoring/password.h"

namespace zvr {

namespace fs = std::filesystem;

namespace {

constexpr const char* kJournalName = "journal.txt";
constexpr const char* kExtension = ".ZVR";
// "YYYYMMDD-HHMMSS-mmm-" then the process id and "_".
constexpr size_t kStampLength = 20;

// A name part that is safe in a file name on every file system: letters, digits, "." and
// "-"; every other byte becomes "-".
std::string NamePart(std::string_view text) {
    std::string part;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool safe = (byte < 0x80 && std::isalnum(byte)) || c == '.' || c == '-';
        part += safe ? c : '-';
    }
    return part;
}

std::string StrategyPart(const std::string& strategy) {
    std::string base = strategy;
    if (const size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    base = NamePart(base);
    return base.empty() ? "unknown" : base;
}

std::tm LocalTime(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

std::string Formatted(const std::tm& time, const char* pattern) {
    char text[64];
    const size_t length = std::strftime(text, sizeof text, pattern, &time);
    return std::string(text, length);
}

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A restore point's file name taken apart; nothing for any other file in the folder.
std::optional<RestorePoint> ParseName(const fs::path& path) {
    const std::string name = path.filename().string();
    if (name.size() <= kStampLength + 4 || !name.ends_with(kExtension)) return std::nullopt;
    const std::string_view view = name;
    // 20240305-142233-123-4711_
    if (!IsDigits(view.substr(0, 8)) || view[8] != '-' || !IsDigits(view.substr(9, 6)) ||
        view[15] != '-' || !IsDigits(view.substr(16, 3)) || view[19] != '-') {
        return std::nullopt;
    }
    const size_t pidEnd = name.find('_', kStampLength);
    if (pidEnd == std::string::npos || !IsDigits(view.substr(kStampLength, pidEnd - kStampLength)))
        return std::nullopt;
    const std::string rest = name.substr(pidEnd + 1, name.size() - pidEnd - 1 - 4);
    const size_t commandAt = rest.rfind('_');
    if (commandAt == std::string::npos || commandAt == 0 || commandAt + 1 == rest.size())
        return std::nullopt;
    RestorePoint point;
    point.path = path.string();
    point.name = name;
    point.unitKey = rest.substr(0, commandAt);
    point.command = rest.substr(commandAt + 1);
    point.when = name.substr(0, 4) + "-" + name.substr(4, 2) + "-" + name.substr(6, 2) + " " +
                 name.substr(9, 2) + ":" + name.substr(11, 2) + ":" + name.substr(13, 2);
    return point;
}

std::string ErrorText(int error) {
    return error != 0 ? std::strerror(error) : "the file cannot be replaced";
}

// A journal field on one line: tabs and line ends become blanks.
std::string Field(std::string_view text) {
    std::string field(text);
    std::replace_if(
        field.begin(), field.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; },
        ' ');
    return field;
}

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    while (true) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    return fields;
}

bool SameUnit(const JournalEntry& entry, const UnitIdentity& unit) {
    return entry.model == unit.model && entry.strategy == unit.strategy;
}

}  // namespace

UnitIdentity UnitIdentity::Of(const Identification& id) {
    return {id.modelName, id.strategyFileName, id.strategyText};
}

std::string UnitIdentity::key() const {
    const std::string modelPart = NamePart(model);
    const std::string strategyPart = StrategyPart(strategy);
    return modelPart.empty() ? strategyPart : modelPart + "_" + strategyPart;
}

std::string LocalTimeText(std::chrono::system_clock::time_point when) {
    return Formatted(LocalTime(when), "%Y-%m-%d %H:%M:%S");
}

JournalEntry MakeJournalEntry(const UnitIdentity& unit, std::string name, std::string oldValue,
                              std::string newValue) {
    // The password's value opens the controller: the journal, a plain file, never holds it.
    if (name == kPasswordName) {
        oldValue = kHiddenValue;
        newValue = kHiddenValue;
    }
    return {LocalTimeText(std::chrono::system_clock::now()),
            unit.model,
            unit.strategy,
            std::move(name),
            std::move(oldValue),
            std::move(newValue)};
}

void JournalPasswordChanges(PasswordSession& session, const RestorePoints& points,
                            const UnitIdentity& unit, UserPrompt& prompt) {
    session.beforeChange = [points]() -> std::optional<std::string> {
        if (auto problem = points.CheckJournal()) return kJournalFailed + *problem;
        return std::nullopt;
    };
    session.afterChange = [points, unit, &prompt] {
        if (const auto problem = points.Append(MakeJournalEntry(unit, kPasswordName, "", ""))) {
            prompt.warn("The password was changed, but the change journal could not record it: " +
                        *problem);
        }
    };
}

DefinitionSet CalibrationAsRead(const SortedTable<ScalarDef>& scalars) {
    DefinitionSet set;
    for (const auto& scalar : scalars.entries()) {
        ScalarDef copy = *scalar;
        copy.fileRaw = scalar->controllerRaw;
        set.scalars.insert(std::move(copy));
    }
    return set;
}

RestorePoints::RestorePoints(std::string folder, int kept)
    : folder_(std::move(folder)), kept_(std::max(kept, 1)) {}

std::string RestorePoints::DefaultFolder() { return UserDataFolder("zvr/restore-points"); }

std::optional<std::string> RestorePoints::MakeFolder() const {
    std::error_code error;
    fs::create_directories(folder_, error);
    if (fs::is_directory(folder_)) return std::nullopt;
    return "cannot make the folder " + folder_ + ": " +
           (error ? error.message() : std::string("a file of that name is in the way"));
}

// The name holds the time to the millisecond and this program's process id, so two programs
// never share one; a second point of this program within the same millisecond takes the next
// free millisecond instead of replacing the first.
std::string RestorePoints::FreeName(std::chrono::system_clock::time_point when,
                                    const std::string& unitKey, std::string_view command) const {
    const std::string rest =
        "-" + std::to_string(::getpid()) + "_" + unitKey + "_" + NamePart(command) + kExtension;
    for (;; when += std::chrono::milliseconds(1)) {
        const auto millis =
            std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() %
            1000;
        const std::string name = Formatted(LocalTime(when), "%Y%m%d-%H%M%S-") +
                                 std::to_string(1000 + millis).substr(1) + rest;
        std::error_code error;
        if (!fs::exists(fs::path(folder_) / name, error)) return name;
    }
}

RestorePoints::Written RestorePoints::Write(DefinitionSet calibration,
                                            const std::string& strategyName,
                                            const UnitIdentity& unit, std::string_view command,
                                            std::chrono::system_clock::time_point when) {
    if (auto problem = MakeFolder()) return {"", *problem};
    const std::tm local = LocalTime(when);
    const std::string name = FreeName(when, unit.key(), command);
    const std::string path = (fs::path(folder_) / name).string();

    calibration.comments.clear();
    for (std::string text :
         {"Restore point: the controller's calibration before " + std::string(command),
          "Taken " + Formatted(local, "%Y-%m-%d %H:%M:%S %z"),
          "Unit: " + (unit.model.empty() ? std::string("model not named") : unit.model) +
              ", strategy " + unit.strategy +
              (unit.strategyText.empty() ? std::string() : " (" + unit.strategyText + ")")}) {
        text.resize(std::min<size_t>(text.size(), 255));  // our own texts; names may be long
        calibration.comments.append(CommentDef{0, std::move(text)});
    }
    std::string bytes;
    if (CalFileBytes(calibration, strategyName, bytes) != 0) {
        return {"", "the calibration does not fit a cal file"};
    }
    ReplacingFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit()) {
        return {"", path + ": " + ErrorText(file.error())};
    }
    Prune(unit.key(), name);
    return {path, ""};
}

void RestorePoints::Prune(const std::string& unitKey, const std::string& keep) const {
    std::vector<RestorePoint> points;
    for (RestorePoint& point : List()) {
        if (point.unitKey == unitKey) points.push_back(std::move(point));
    }
    size_t left = 0;
    for (const RestorePoint& point : points) {
        // The point just written stays whatever another program wrote since.
        if (point.name == keep || left < static_cast<size_t>(kept_)) {
            ++left;
            continue;
        }
        std::error_code ignored;  // another program may have removed it first
        fs::remove(point.path, ignored);
    }
}

std::vector<RestorePoint> RestorePoints::List(const UnitIdentity* unit) const {
    std::vector<RestorePoint> points;
    std::error_code error;
    const std::string key = unit ? unit->key() : std::string();
    for (fs::directory_iterator at(folder_, error), end; !error && at != end; at.increment(error)) {
        std::error_code statError;
        if (!at->is_regular_file(statError)) continue;
        auto point = ParseName(at->path());
        if (point && (unit == nullptr || point->unitKey == key)) points.push_back(*point);
    }
    // The name starts with the time taken, to the millisecond.
    std::sort(points.begin(), points.end(),
              [](const RestorePoint& a, const RestorePoint& b) { return a.name > b.name; });
    return points;
}

std::optional<std::string> RestorePoints::Resolve(const std::string& point) const {
    if (point.empty()) return std::nullopt;
    for (const RestorePoint& listed : List()) {
        if (listed.name == point || listed.name == point + kExtension) return listed.path;
    }
    std::error_code error;
    if (fs::is_regular_file(point, error)) return point;
    return std::nullopt;
}

std::string RestorePoints::journalPath() const {
    return (fs::path(folder_) / kJournalName).string();
}

std::optional<std::string> RestorePoints::CheckJournal() const {
    if (auto problem = MakeFolder()) return problem;
    const int fd = ::open(journalPath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return journalPath() + ": " + std::strerror(errno);
    ::close(fd);
    return std::nullopt;
}

std::optional<std::string> RestorePoints::Append(const JournalEntry& entry) const {
    if (auto problem = MakeFolder()) return problem;
    const std::string line = Field(entry.when) + "\t" + Field(entry.model) + "\t" +
                             Field(entry.strategy) + "\t" + Field(entry.name) + "\t" +
                             Field(entry.oldValue) + "\t" + Field(entry.newValue) + "\n";
    const int fd = ::open(journalPath().c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return journalPath() + ": " + std::strerror(errno);
    // One write with O_APPEND: the line lands whole at the end, whoever else is adding.
    ssize_t written;
    do {
        written = ::write(fd, line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    const int error = written < 0 ? errno : 0;
    const bool synced = written == static_cast<ssize_t>(line.size()) && ::fsync(fd) == 0;
    ::close(fd);
    if (written != static_cast<ssize_t>(line.size())) {
        return journalPath() + ": " + (error ? std::strerror(error) : "the line was cut short");
    }
    if (!synced) return journalPath() + ": the line may not be on disk";
    return std::nullopt;
}

std::vector<JournalEntry> RestorePoints::Journal(const UnitIdentity* unit) const {
    std::vector<JournalEntry> entries;
    std::ifstream in(journalPath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = SplitTabs(line);
        if (f.size() != 6) continue;  // a line cut by a full disk is not an entry
        JournalEntry entry{f[0], f[1], f[2], f[3], f[4], f[5]};
        if (unit == nullptr || SameUnit(entry, *unit)) entries.push_back(std::move(entry));
    }
    // Lines are added in time order; the stable reverse keeps that within one second.
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(),
                     [](const JournalEntry& a, const JournalEntry& b) { return a.when > b.when; });
    return entries;
}

}  // namespace zvr
