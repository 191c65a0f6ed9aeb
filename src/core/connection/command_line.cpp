#include "connection/command_line.h"

namespace zvr {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    static constexpr OptionSpec kOptions[] = {{"--port", true},
                                              {"--strategy-dir", true},
                                              {"--screenshot", true},
                                              {"--help", false, 'h'},
                                              {"--version"}};
    CommandLine line;
    // "-eng" is no GNU option (it would read as -e -n -g): it is taken out first, as a whole
    // argument before any "--".
    std::vector<std::string> rest;
    bool optionsEnded = false;
    for (const std::string& argument : arguments) {
        optionsEnded = optionsEnded || argument == "--";
        if (!optionsEnded && argument == "-eng") {
            line.engineeringMode = true;
        } else {
            rest.push_back(argument);
        }
    }
    ParsedOptions parsed;
    line.error = ParseOptions(rest, kOptions, parsed);
    if (!line.error && !parsed.positional.empty()) {
        line.error = OptionError{OptionError::Unknown,
                                 "unexpected argument '" + parsed.positional.front() + "'"};
    }
    for (const auto& [option, value] : parsed.options) {
        if (option == "--help") line.help = true;
        if (option == "--version") line.version = true;
        if (option == "--strategy-dir") line.strategyDirs.push_back(value);
        if (option == "--port") line.port = value;
        if (option == "--screenshot") line.screenshot = value;
    }
    return line;
}

std::string ProgramUsage() {
    return "usage: zvr [--port NAME] [--strategy-dir DIR]... [--screenshot FILE] [-eng]\n"
           "       zvr --version | --help\n"
           "\n"
           "Calibrates and monitors ZEVAR, LPN and KMS controllers over a serial line.\n"
           "\n"
           "options:\n"
           "  --port NAME         open this port at start instead of the stored one: a device\n"
           "                      (/dev/ttyUSB0; COM1 is /dev/ttyS0), the link of a zvr-sim,\n"
           "                      or a demo key (DEMO880, DEMO740, DEMO760, DEMO620, DEMO210,\n"
           "                      DEMO310, DEMOKMS2)\n"
           "  --strategy-dir DIR  look for strategy files here too, after the current\n"
           "                      directory\n"
           "  --screenshot FILE   save a picture of the window once it shows live values (or\n"
           "                      of whatever is on screen when that cannot happen) and exit\n"
           "  -eng                engineering mode: shows the definition editing that user\n"
           "                      mode hides\n"
           "  -h, --help          show this help and exit\n"
           "  --version           show the version and exit\n";
}

}  // namespace zvr
