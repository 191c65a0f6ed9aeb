#pragma once

#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/command_options.h"
#include "locale_text.h"

namespace zvr {
class UserPrompt;
}

namespace zvr::cli {

// Exit codes of every zvr-cli command.
enum ExitCode : int {
    kExitOk = 0,
    kExitNo = 1,     // the command ran and its answer is "no" (check found problems ...)
    kExitUsage = 2,  // a usage error, or an input file that cannot be read or is not valid
    kExitLink = 3,   // the port or the controller failed
};

// What every command gets: the global options and where to speak.
struct CommandContext {
    std::string logPath;                    // --log PATH; empty: see TrafficLogPath
    std::vector<std::string> strategyDirs;  // --strategy-dir, searched after the current dir
    UserPrompt& prompt;
    std::ostream& out;  // results
    std::ostream& err;  // messages
    // The terminal's encoding: names and comments typed as arguments come in through it, the
    // core's texts go out through it.
    LocaleText locale;
    // Whether results go to a terminal, where text is shown in its encoding; anywhere else
    // (a file, a pipe) a command that passes a file's text on keeps its bytes.
    bool outIsTerminal = false;

    // Prints "zvr-cli <command>: <text>" on the error stream and gives the exit code.
    int fail(std::string_view command, int code, std::string_view text) const;
    // A core (Latin-1) text for the terminal.
    std::string shown(std::string_view latin1) const { return locale.shown(latin1); }
    // Arguments that name stored text (values, comments), as the core holds them; nothing,
    // after a usage failure that says which argument and why, when one cannot be.
    std::optional<std::vector<std::string>> storedArguments(std::string_view command,
                                                            std::span<const std::string> args,
                                                            size_t limit = kMaxStoredTextBytes);
};

struct Command {
    std::string_view name;
    std::string_view summary;  // one line for the command list
    std::string_view help;     // the text of "zvr-cli <name> --help"
    int (*run)(CommandContext& context, std::span<const std::string> args);
};

// The exit code once the command's results are flushed: results that could not be written
// to standard output (a full disk, /dev/full) make a success or a "no" a failure, kExitUsage,
// with a message.
int FinishOutput(CommandContext& context, std::string_view command, int code);

// Every command, in the order "zvr-cli --help" lists them.
std::span<const Command> Commands();
const Command* FindCommand(std::string_view name);

// The arguments of one command: its options, and the rest in order, read as every ZVR program
// reads its command line (ParseOptions: "--port NAME" or "--port=NAME", "--" ends the
// options, an empty value is refused, a negative number is an argument).
struct Arguments {
    std::vector<std::string> positional;
    ParsedOptions options;

    // Fails with a one-line reason on an unknown option or an option without its value.
    // "--help" also answers to -h.
    std::optional<std::string> parse(std::span<const std::string> args,
                                     std::initializer_list<std::string_view> flagNames,
                                     std::initializer_list<std::string_view> valueNames);

    bool has(std::string_view flag) const { return options.has(flag); }
    // The value of an option (the last one when it was given more than once).
    const std::string* value(std::string_view name) const { return options.value(name); }
    // Every value of an option that may be given more than once.
    std::vector<std::string> values(std::string_view name) const { return options.values(name); }
};

}  // namespace zvr::cli
