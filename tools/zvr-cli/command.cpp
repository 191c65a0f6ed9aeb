#include "command.h"

#include <algorithm>
#include <ostream>

namespace zvr::cli {

int CommandContext::fail(std::string_view command, int code, std::string_view text) const {
    err << "zvr-cli " << command << ": " << text << '\n' << std::flush;
    return code;
}

int FinishOutput(CommandContext& context, std::string_view command, int code) {
    context.out.flush();
    if (context.out.good() || (code != kExitOk && code != kExitNo)) return code;
    return context.fail(command, kExitUsage, "standard output could not be written");
}

std::optional<std::vector<std::string>> CommandContext::storedArguments(
    std::string_view command, std::span<const std::string> args, size_t limit) {
    std::vector<std::string> stored;
    for (const std::string& arg : args) {
        StoredText text = locale.argument(arg, limit);
        if (!text.ok()) {
            fail(command, kExitUsage, "'" + arg + "': " + text.refusal);
            return std::nullopt;
        }
        stored.push_back(std::move(text.bytes));
    }
    return stored;
}

const Command* FindCommand(std::string_view name) {
    const auto commands = Commands();
    auto at = std::find_if(commands.begin(), commands.end(),
                           [name](const Command& command) { return command.name == name; });
    return at == commands.end() ? nullptr : &*at;
}

std::optional<std::string> Arguments::parse(std::span<const std::string> args,
                                            std::initializer_list<std::string_view> flagNames,
                                            std::initializer_list<std::string_view> valueNames) {
    std::vector<OptionSpec> specs;
    for (std::string_view name : flagNames)
        specs.push_back({name, false, name == "--help" ? 'h' : '\0'});
    for (std::string_view name : valueNames)
        specs.push_back({name, true});
    options = {};
    if (const auto error = ParseOptions(args, specs, options)) return error->text;
    positional = options.positional;
    return std::nullopt;
}

}  // namespace zvr::cli
