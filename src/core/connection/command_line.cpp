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

}  // namespace zvr
