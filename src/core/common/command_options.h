#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvr {

// One option a program takes: "--port" (a long option), "-o" (a one-letter one) or both
// ("--help" with "-h").
struct OptionSpec {
    std::string_view name;  // how results are keyed: "--port", or "-o" when there is no long name
    bool takesValue = false;
    char letter = 0;  // the one-letter form, if any
};

// What a command line said, in order.
struct ParsedOptions {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name, value ("" for a flag)

    bool has(std::string_view name) const;
    // The last value given, or nothing.
    const std::string* value(std::string_view name) const;
    // Every value given, in order.
    std::vector<std::string> values(std::string_view name) const;
};

// Why a command line was refused.
struct OptionError {
    enum Kind {
        Unknown,     // an option the program does not take, or an ambiguous abbreviation
        NoValue,     // an option that needs a value came last, or was given an empty one
        ValueGiven,  // a flag was given "=value"
    } kind;
    std::string text;  // "unknown option --colour", "option --port needs a value", ...
};

enum class OptionOrder {
    Anywhere,           // options and other arguments mixed (each program's own options)
    BeforeFirstOperand  // options end at the first other argument (zvr-cli's global options)
};

// Reads a command line the GNU way, with getopt_long: "--port NAME" and "--port=NAME", an
// unambiguous abbreviation of a long option, "-oFILE" and "-o FILE", and "--" ending the
// options. An empty value is refused like a missing one. A negative number ("-5", "-0.5") is
// an argument, not an option, so values can be negative. With BeforeFirstOperand the first
// other argument and everything after it are positional as they are.
//
// getopt_long keeps its state in globals: calls are serialised, and nothing else in the
// process may use getopt at the same time.
std::optional<OptionError> ParseOptions(std::span<const std::string> args,
                                        std::span<const OptionSpec> specs, ParsedOptions& parsed,
                                        OptionOrder order = OptionOrder::Anywhere);

}  // namespace zvr
