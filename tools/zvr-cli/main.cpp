// zvr-cli: ZVR on the command line. Global options come before the command:
//   zvr-cli [--log PATH] [--strategy-dir DIR]... COMMAND [ARGS]

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "command.h"
#include "common/command_options.h"
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
                           .locale = LocaleText::FromEnvironment(),
                           .outIsTerminal = ::isatty(STDOUT_FILENO) == 1};

    const std::vector<std::string> args(argv + 1, argv + argc);
    // The global options end at the command; what follows is the command's.
    static constexpr zvr::OptionSpec kGlobalOptions[] = {
        {"--log", true}, {"--strategy-dir", true}, {"--version"}, {"--help", false, 'h'}};
    zvr::ParsedOptions global;
    if (const auto error =
            zvr::ParseOptions(args, kGlobalOptions, global, zvr::OptionOrder::BeforeFirstOperand)) {
        std::cerr << "zvr-cli: " << error->text << " (see zvr-cli --help)\n";
        return kExitUsage;
    }
    for (const auto& [option, value] : global.options) {
        if (option == "--version") {
            std::cout << "zvr-cli " << ZVR_VERSION << '\n';
            return kExitOk;
        }
        if (option == "--help") {
            PrintUsage(std::cout);
            return kExitOk;
        }
        if (option == "--log") context.logPath = value;
        if (option == "--strategy-dir") context.strategyDirs.push_back(value);
    }
    // A file that is not a traffic log stays as it is: each connection removes the old log.
    const std::string log = TrafficLogPath(context.logPath);
    if (const auto refusal = TrafficLogRefusal(log)) {
        std::cerr << "zvr-cli: traffic log " << *refusal << " (see --log)\n";
        return kExitUsage;
    }
    if (global.positional.empty()) {
        PrintUsage(std::cerr);
        return kExitUsage;
    }
    const std::string& name = global.positional.front();
    const Command* command = FindCommand(name);
    if (command == nullptr) {
        std::cerr << "zvr-cli: unknown command '" << name << "' (see zvr-cli --help)\n";
        return kExitUsage;
    }
    const std::vector<std::string> commandArgs(global.positional.begin() + 1,
                                               global.positional.end());
    if (IsHelp(commandArgs)) {
        std::cout << command->help;
        return kExitOk;
    }
    return FinishOutput(context, command->name, command->run(context, commandArgs));
}
