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

inline constexpr const char* kSimUsage =
    "usage: zvr-sim --strategy FILE.000 [--link PATH] [--control PATH] [--ident NAME.000]\n"
    "               [--eeprom FILE] [--script FILE] [--baud 9600] [--period MS] [--seed N]\n"
    "       zvr-sim send CONTROLPATH COMMAND...\n"
    "       zvr-sim --version | --help\n";

// Pure. Nothing, with the reason in error, for an unknown option, a missing value or a
// number out of range; "help" in error for --help or -h, "version" for --version.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& arguments,
                                          std::string& error);

}  // namespace zvr::sim
