// compile, decompile and check: between strategy sources and cal files.

#include <cstdio>
#include <ostream>

#include "command.h"
#include "commands.h"
#include "common/replacing_file.h"
#include "connection/controller_model.h"
#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "input_files.h"
#include "strategy/strategy_check.h"
#include "strategy/strategy_source.h"

namespace zvr::cli {

namespace {

// The model a strategy is for, as the controller names it.
std::string ModelName(ModelKind kind) {
    std::string name = ModelNameForKind(kind);
    return name.empty() ? "unknown model" : name;
}

// One command's single input and its -o output.
struct InputOutput {
    std::string input;
    const std::string* output = nullptr;
};

int ParseInputOutput(CommandContext& context, std::string_view command,
                     std::span<const std::string> args, bool outputRequired, InputOutput& io,
                     Arguments& parsed) {
    if (auto error = parsed.parse(args, {"--help"}, {"-o"})) {
        return context.fail(command, kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail(command, kExitUsage, "needs exactly one input file");
    }
    io.input = parsed.positional[0];
    io.output = parsed.value("-o");
    if (outputRequired && io.output == nullptr) {
        return context.fail(command, kExitUsage, "needs -o and the file to write");
    }
    return kExitOk;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int RunCompile(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    InputOutput io;
    if (int code = ParseInputOutput(context, "compile", args, true, io, parsed); code != kExitOk) {
        return code;
    }
    DefinitionSet set;
    if (StrategySourceResult read = ReadStrategySourceFile(io.input, set); !read) {
        return context.fail("compile", kExitUsage, read.error);
    }
    if (auto limit = set.overLimit()) {
        return context.fail("compile", kExitUsage, io.input + ": " + *limit);
    }
    std::string failure;
    const bool written = ReplaceFileWith(
        *io.output,
        [&](const std::string& temporary) {
            return WriteCalFile(set, temporary, set.header.strategyName) == 0;
        },
        &failure);
    if (!written) return context.fail("compile", kExitUsage, *io.output + ": " + failure);
    return kExitOk;
}

int RunDecompile(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    InputOutput io;
    if (int code = ParseInputOutput(context, "decompile", args, false, io, parsed);
        code != kExitOk) {
        return code;
    }
    DefinitionSet set;
    if (int code = LoadCalFileFor(context, "decompile", io.input, set); code != kExitOk) {
        return code;
    }
    const std::string source = WriteStrategySource(set);
    if (io.output == nullptr) {
        context.out << source << std::flush;
        return kExitOk;
    }
    std::string failure;
    if (!ReplaceFileWith(
            *io.output, [&](const std::string& temporary) { return WriteText(temporary, source); },
            &failure)) {
        return context.fail("decompile", kExitUsage, *io.output + ": " + failure);
    }
    return kExitOk;
}

int RunCheck(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--help"}, {})) {
        return context.fail("check", kExitUsage, *error);
    }
    if (parsed.positional.empty()) {
        return context.fail("check", kExitUsage, "needs the files to check");
    }
    int result = kExitOk;
    for (const std::string& path : parsed.positional) {
        DefinitionSet set;
        if (LoadDefinitionsFor(context, "check", path, set) != kExitOk) {
            result = kExitUsage;
            continue;
        }
        const std::vector<std::string> problems = CheckStrategy(set);
        for (const std::string& problem : problems)
            context.out << path << ": " << context.shown(problem) << '\n';
        if (problems.empty()) {
            context.out << path << ": " << ModelName(set.header.modelKind) << " strategy '"
                        << context.shown(set.header.strategyName) << "', " << set.variables.count()
                        << " variables, " << set.scalars.count() << " scalars, "
                        << set.viewItems.count() << " view items, " << set.diagnostics.count()
                        << " diagnostics, " << set.comments.count() << " comments: no problems\n";
        } else if (result == kExitOk) {
            result = kExitNo;
        }
    }
    context.out << std::flush;
    return result;
}

}  // namespace zvr::cli
