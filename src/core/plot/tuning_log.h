#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "plot/step_response.h"

namespace zvr {

class UserPrompt;

// The tuning log: every gain written from the Parameter Plot and every step it measured, one
// CSV line each, so that two tunings can be compared afterwards. Columns: time (local,
// "2024-05-01 14:03:22"), unit (the controller's model), strategy, P, I, D (the gains in
// force, as shown), then for a step its size (to - from), overshoot in %, rise and settling
// time in seconds and the steady-state error; a gain write leaves those empty. A rise the
// step never completed reads "not reached", a settling it never reached "not settled".
// Lines end in CR LF.

inline constexpr const char* kTuningLogHeader =
    "time,unit,strategy,P,I,D,step size,overshoot [%],rise [s],settling [s],error";

struct TuningLogEntry {
    std::chrono::system_clock::time_point when;
    std::string unit;
    std::string strategy;
    std::array<std::string, 3> gains;  // P, I, D; empty for a gain the strategy lacks
    std::optional<StepFigures> step;   // nothing for a gain write
    int valueDecimals = 1;             // of the step size and the error
};

// The local time as the log writes it.
std::string TuningLogTime(std::chrono::system_clock::time_point when);
// One line of the log, without its line end.
std::string FormatTuningLogLine(const TuningLogEntry& entry);

// $XDG_DATA_HOME/zvr/tuning_log.csv, by default ~/.local/share/zvr/tuning_log.csv.
std::string DefaultTuningLogPath();

// Appends to the log file, making its folder and its header line when they are missing. A
// path that is not a regular file, or a file that does not begin with the header, is never
// written to. Failures are said once: the log goes on trying, and tuning goes on either way.
class TuningLog {
public:
    explicit TuningLog(std::string path) : path_(std::move(path)) {}

    // False with the reason when the line could not be written.
    bool Append(const TuningLogEntry& entry, std::string& error);
    // Appends, and at the first failure tells the user through the prompt.
    void Append(const TuningLogEntry& entry, UserPrompt& prompt);

    const std::string& path() const { return path_; }
    bool failed() const { return failed_; }

private:
    std::string path_;
    bool failed_ = false;
};

// The log as a table: its header's fields and one row of fields per line.
struct TuningLogTable {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

// Reads the log. A missing file is an empty table with the header; false with the reason
// when the file cannot be read or is no tuning log.
bool ReadTuningLog(const std::string& path, TuningLogTable& table, std::string& error);

}  // namespace zvr
