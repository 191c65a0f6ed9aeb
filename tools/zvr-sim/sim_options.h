#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zvr::sim {

// The command line of zvr-sim.
struct SimOptions {
    std::string strategy;  // --strategy FILE.000 (required)
    std::string link;      // --link PATH; empty: a fresh path under /tmp
    std::string control;   // --control PATH; empty: beside the link
    std::string ident;     // --ident NAME.000: the name the identification reply spells
    std::string eeprom;    // --eeprom FILE: keeps the EEPROM part across runs
    std::string script;    // --script FILE: timed control commands
    int baud = 0;          // --baud N: pace both directions at wire speed; 0 immediate
    int periodMs = 50;     // --period MS: continuous read reply interval
    uint32_t seed = 1;     // --seed N: line faults and measurement noise
};

// The synopsis, shown after a usage error.
inline constexpr const char* kSimUsage =
    "usage: zvr-sim --strategy FILE.000 [--link PATH] [--control PATH] [--ident NAME.000]\n"
    "               [--eeprom FILE] [--script FILE] [--baud 9600] [--period MS] [--seed N]\n"
    "       zvr-sim send CONTROLPATH COMMAND...\n"
    "       zvr-sim --version | --help\n";

// What zvr-sim --help prints: the synopsis, the options, the control commands, the exit codes.
inline constexpr const char* kSimHelpBody =
    "\n"
    "A ZEVAR, LPN or KMS controller on a pseudo-terminal: it serves the memory its strategy\n"
    "file lays out and keeps the variables alive. It prints one line, \"zvr-sim: link PATH\n"
    "control CONTROLPATH\", and serves until Ctrl-C or SIGTERM; give ZVR the link PATH as\n"
    "its port.\n"
    "\n"
    "options:\n"
    "  --strategy FILE.000  the strategy file to serve (required)\n"
    "  --link PATH          make the link to the pseudo-terminal here (default: a fresh path\n"
    "                       under /tmp)\n"
    "  --control PATH       the control socket (default: beside the link)\n"
    "  --ident NAME.000     the strategy name the identification reply spells, for a file\n"
    "                       not named by its own 12-character name (the demo files)\n"
    "  --eeprom FILE        keep the EEPROM in this file across runs\n"
    "  --script FILE        run control commands at their times: lines of SECONDS COMMAND\n"
    "  --baud N             pace both directions at this wire speed, 9600 as a real line\n"
    "                       (default: at once)\n"
    "  --period MS          the interval of continuous read replies (default 50)\n"
    "  --seed N             the seed of line faults and measurement noise (default 1)\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "control commands, one a line on the control socket (zvr-sim send CONTROLPATH COMMAND,\n"
    "or a --script line), each answered \"ok\" or \"error: REASON\":\n"
    "  pedal 0.0-1.0             the throttle position\n"
    "  ivs on|off                the idle validation switch\n"
    "  fault DIAG BIT on|off     raise or clear a fault flag of a diagnostic\n"
    "  uncalibrated on|off       the fault flags say the controller is not calibrated\n"
    "  fatal on|off              the fault flags say the controller has a fatal fault\n"
    "  load PERCENT              the engine load\n"
    "  line nak|checksum|split|drop|delay|garbage PROBABILITY\n"
    "                            spoil replies on the line with this probability\n"
    "  line silent SECONDS       answer nothing for a while\n"
    "  line hangup               the device goes away, as a pulled adapter\n"
    "  line clear                end every line fault; a hung-up device comes back\n"
    "  get NAME                  the value of a variable or a scalar\n"
    "  quit                      end the simulator\n"
    "\n"
    "exit codes: 0 the simulator ended on a signal or quit, or send's answer was ok; 1 the\n"
    "simulator could not start, or send's answer was an error; 2 a usage error; 3 send\n"
    "found no simulator at CONTROLPATH\n";

// Pure. Nothing, with the reason in error, for an unknown option, a missing value or a
// number out of range; "help" in error for --help or -h, "version" for --version.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& arguments,
                                          std::string& error);

}  // namespace zvr::sim
