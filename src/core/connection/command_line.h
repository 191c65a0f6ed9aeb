#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/command_options.h"

namespace zvr {

// What the program's command line asks for.
struct CommandLine {
    bool engineeringMode = false;           // "-eng", only as a whole argument and case-sensitive
    std::vector<std::string> strategyDirs;  // --strategy-dir DIR, searched after the current one
    std::optional<std::string> port;        // --port NAME: open it (or its demo) at once
    std::optional<std::string> screenshot;  // --screenshot FILE: picture of the connected window
    std::optional<OptionError> error;       // why the command line is refused, if it is
    bool help = false;                      // -h or --help: print the usage and exit
    bool version = false;                   // --version: print the version and exit
};

// What "zvr --help" prints.
std::string ProgramUsage();

// Reads the arguments after the program name as every ZVR program does (ParseOptions:
// "--opt value" and "--opt=value", an empty value refused); "-eng" counts only as a whole
// argument. An unknown option, or an argument that is no option's value, is an error.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

}  // namespace zvr
