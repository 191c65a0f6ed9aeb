#include "connection/command_line.h"

namespace zvr {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&](const std::string& option) -> std::optional<std::string> {
            if (argument == option && i + 1 < arguments.size()) return arguments[++i];
            if (argument.starts_with(option + "=")) return argument.substr(option.size() + 1);
            return std::nullopt;
        };
        if (argument == "-eng") {
            line.engineeringMode = true;
        } else if (argument == "-h" || argument == "--help") {
            line.help = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (auto dir = value("--strategy-dir")) {
            line.strategyDirs.push_back(*dir);
        } else if (auto port = value("--port")) {
            line.port = *port;
        } else if (auto file = value("--screenshot")) {
            line.screenshot = *file;
        } else {
            line.unknown.push_back(argument);
        }
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
