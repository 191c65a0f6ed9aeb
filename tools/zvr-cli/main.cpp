// zvr-cli: ZVR on the command line. Global options come before the command:
//   zvr-cli [--log PATH] [--strategy-dir DIR]... COMMAND [ARGS]

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "definitions/scaling.h"
#include "terminal_prompt.h"
#include "traffic_log.h"

namespace {

using namespace zvr::cli;

void PrintUsage(std::ostream& out) {
    out << "usage: zvr-cli [--log PATH] [--strategy-dir DIR]... COMMAND [ARGS]\n"
           "       zvr-cli --version | --help | COMMAND --help\n"
           "\n"
           "commands:\n";
    size_t width = 0;
    for (const Command& command : Commands())
        width = std::max(width, command.name.size() + 2);
    for (const Command& command : Commands()) {
        out << "  " << command.name << std::string(width - command.name.size(), ' ')
            << command.summary << '\n';
    }
    out << "\n"
           "options:\n"
           "  --log PATH          the traffic log of controller commands (default Log.txt\n"
           "                      in $XDG_STATE_HOME/zvr, else ~/.local/state/zvr)\n"
           "  --strategy-dir DIR  look for strategy files here too, after the current\n"
           "                      directory\n"
           "\n"
           "exit codes: 0 success; 1 the answer is no (check found problems); 2 usage error or\n"
           "an input file that cannot be read; 3 port or controller failure\n";
}

bool IsHelp(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--") return false;
        if (arg == "--help" || arg == "-h") return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    TerminalPrompt& prompt = TerminalPrompt::ForProcess();
    zvr::SetSeriousErrorPrompt(&prompt);
    CommandContext context{.prompt = prompt,
                           .out = std::cout,
                           .err = std::cerr,
                           .locale = LocaleText::FromEnvironment()};

    std::vector<std::string> args(argv + 1, argv + argc);
    size_t at = 0;
    for (; at < args.size() && args[at].starts_with("-"); ++at) {
        const std::string& option = args[at];
        if (option == "--version") {
            std::cout << "zvr-cli " << ZVR_VERSION << '\n';
            return kExitOk;
        }
        if (option == "--help" || option == "-h") {
            PrintUsage(std::cout);
            return kExitOk;
        }
        if ((option == "--log" || option == "--strategy-dir") && at + 1 < args.size()) {
            const std::string& value = args[++at];
            if (option == "--log") {
                context.logPath = value;
            } else {
                context.strategyDirs.push_back(value);
            }
            continue;
        }
        std::cerr << "zvr-cli: "
                  << (option == "--log" || option == "--strategy-dir"
                          ? "option " + option + " needs a value"
                          : "unknown option " + option)
                  << " (see zvr-cli --help)\n";
        return kExitUsage;
    }
    // A file that is not a traffic log stays as it is: each connection removes the old log.
    const std::string log = TrafficLogPath(context.logPath);
    if (const auto refusal = TrafficLogRefusal(log)) {
        std::cerr << "zvr-cli: traffic log " << *refusal << " (see --log)\n";
        return kExitUsage;
    }
    if (at == args.size()) {
        PrintUsage(std::cerr);
        return kExitUsage;
    }
    const Command* command = FindCommand(args[at]);
    if (command == nullptr) {
        std::cerr << "zvr-cli: unknown command '" << args[at] << "' (see zvr-cli --help)\n";
        return kExitUsage;
    }
    std::vector<std::string> commandArgs(args.begin() + static_cast<long>(at) + 1, args.end());
    if (IsHelp(commandArgs)) {
        std::cout << command->help;
        return kExitOk;
    }
    return FinishOutput(context, command->name, command->run(context, commandArgs));
}
