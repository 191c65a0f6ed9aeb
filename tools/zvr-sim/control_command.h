#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "line_faults.h"

namespace zvr::sim {

// One command of the control channel (a socket line or a script line):
//   pedal F                  pedal position 0.0 (rest) to 1.0 (full)
//   ivs on|off               the idle validation switch closed or open
//   fault DIAG BIT on|off    a fault of the DIAG-th diagnostic (from 1), flag bit 0-7
//   uncalibrated on|off      bit 0 of the fault flags
//   fatal on|off             bit 1 of the fault flags
//   load PERCENT             engine load 0-100
//   line FAULT PROBABILITY   FAULT nak, checksum, split, drop, delay or garbage; 0.0-1.0
//   line silent SECONDS      no replies for that long
//   line hangup              the pseudo-terminal hangs up (until "line clear")
//   line clear               a clean line again
//   get NAME                 the value of a variable or scalar
//   quit                     end the simulator
struct ControlCommand {
    enum class Kind {
        Pedal,
        Ivs,
        Fault,
        Uncalibrated,
        Fatal,
        Load,
        LineProbability,
        LineSilent,
        LineHangup,
        LineClear,
        Get,
        Quit,
    };

    Kind kind = Kind::Quit;
    double number = 0;  // pedal, load, probability, seconds
    bool on = false;
    size_t diagnostic = 0;
    int bit = 0;
    LineFault fault = LineFault::Nak;
    std::string name;
};

// Reads one line (words separated by blanks; a trailing CR is ignored). Pure. On failure
// nothing, with the reason (without the "error: " prefix) in error.
std::optional<ControlCommand> ParseControlCommand(std::string_view line, std::string& error);

// A --script file: one "SECONDS COMMAND" per line, SECONDS after start; blank lines and lines
// starting with '#' are skipped. Every command is checked before the simulator starts.
struct ScriptStep {
    double at = 0;
    int lineNumber = 0;
    std::string command;
};
bool ParseScript(std::string_view text, std::vector<ScriptStep>& steps, std::string& error);

}  // namespace zvr::sim
