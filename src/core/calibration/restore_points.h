#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/definition_set.h"

namespace zvr {

struct Identification;
class PasswordSession;
class UserPrompt;

// Who a calibration belongs to, as the identification reply names it. A controller carries no
// serial number: its model and strategy are all that tell one unit from another.
struct UnitIdentity {
    std::string model;         // "ZEVAR 740"; may be empty
    std::string strategy;      // the strategy file the controller names, "ZVX41R03.000"
    std::string strategyText;  // "R03", for the comments

    static UnitIdentity Of(const Identification& id);
    // The part of a restore point's file name that says whose it is: "ZEVAR-740_ZVX41R03".
    std::string key() const;
};

// One restore point in the folder.
struct RestorePoint {
    std::string path;
    std::string name;     // the file name
    std::string when;     // "2024-03-05 14:22:33", local time
    std::string unitKey;  // UnitIdentity::key() of the unit it was read from
    std::string command;  // what was about to write: "download", "restore", "wizard"
};

// One single-value write in the change journal.
struct JournalEntry {
    std::string when;  // "2024-03-05 14:22:33", local time
    std::string model;
    std::string strategy;
    std::string name;
    std::string oldValue;  // as shown, with units
    std::string newValue;
};

// Said when a restore point cannot be written; the reason follows.
inline constexpr const char* kRestorePointFailed =
    "The restore point could not be written, so nothing was sent to the controller: ";
// Said when the change journal cannot be written before a single-value write; the reason follows.
inline constexpr const char* kJournalFailed =
    "The change journal could not be written, so nothing was sent to the controller: ";

// The undo history of every write to a controller: before a whole write, the calibration
// just read from the controller is kept as an ordinary cal file (a restore point), and each
// single-value write adds a line to a change journal beside them. The program and zvr-cli
// share the folder.
//
// A restore point is named "YYYYMMDD-HHMMSS-mmm-PID_UNIT_COMMAND.ZVR" and says the same in
// its comments. It is written beside its final name and put in place whole, so two programs
// may write at once. Old points are pruned by count per unit; nothing in the folder but the
// points of that unit is ever touched.
class RestorePoints {
public:
    static constexpr int kDefaultKept = 50;

    explicit RestorePoints(std::string folder = DefaultFolder(), int kept = kDefaultKept);
    // $XDG_DATA_HOME/zvr/restore-points (~/.local/share/zvr/restore-points).
    static std::string DefaultFolder();

    // The outcome of Write: the point's path, or why it could not be written.
    struct Written {
        std::string path;
        std::string error;
        bool ok() const { return error.empty(); }
    };
    // Keeps calibration (scalars whose cal-file values are what the controller held) as a new
    // restore point of unit, read before command, with strategyName in its header. Then the
    // unit's oldest points beyond the number kept are removed (never the new one).
    Written Write(DefinitionSet calibration, const std::string& strategyName,
                  const UnitIdentity& unit, std::string_view command,
                  std::chrono::system_clock::time_point when = std::chrono::system_clock::now());

    // Restore points newest first; only unit's when one is given.
    std::vector<RestorePoint> List(const UnitIdentity* unit = nullptr) const;
    // A point as the user names it: a listed file name (".ZVR" may be left off) or a path.
    // Nothing when neither is there.
    std::optional<std::string> Resolve(const std::string& point) const;

    // The change journal, one line per single-value write.
    std::string journalPath() const;
    // Why a line could not be added now (the folder cannot be made, the file not opened);
    // nothing when it can. Asked before a write goes out.
    std::optional<std::string> CheckJournal() const;
    // Adds one line in one write, so that two programs adding at once never mix their lines.
    std::optional<std::string> Append(const JournalEntry& entry) const;
    // The journal newest first; only unit's lines when one is given.
    std::vector<JournalEntry> Journal(const UnitIdentity* unit = nullptr) const;

    const std::string& folder() const { return folder_; }
    int kept() const { return kept_; }

private:
    std::optional<std::string> MakeFolder() const;
    std::string FreeName(std::chrono::system_clock::time_point when, const std::string& unitKey,
                         std::string_view command) const;
    void Prune(const std::string& unitKey, const std::string& keep) const;

    std::string folder_;
    int kept_;
};

// The journal's value of the password: what it was and what it became is not kept.
inline constexpr const char* kPasswordName = "PASSWORD";
inline constexpr const char* kHiddenValue = "(not shown)";

// A journal entry for a write made now; the password's values are not shown.
JournalEntry MakeJournalEntry(const UnitIdentity& unit, std::string name, std::string oldValue,
                              std::string newValue);
// "2024-03-05 14:22:33" in local time.
std::string LocalTimeText(std::chrono::system_clock::time_point when);

// Makes a password change through session leave its line in the journal of points: a
// journal that cannot be written stops the change before it goes out.
void JournalPasswordChanges(PasswordSession& session, const RestorePoints& points,
                            const UnitIdentity& unit, UserPrompt& prompt);

// A copy of the strategy's scalars, each holding as its cal-file value the value read from
// the controller (its controller value): the calibration a restore point keeps.
DefinitionSet CalibrationAsRead(const SortedTable<ScalarDef>& scalars);

}  // namespace zvr
