// convert-strategy: "Convert Cal file to Strategy" without a controller: the values of a cal
// file carried over to another strategy file and written as a new cal file of that strategy.

#include <ostream>

#include "cal_file_run.h"
#include "comm/data_server.h"
#include "command.h"
#include "commands.h"
#include "controller_link.h"
#include "input_files.h"

namespace zvr::cli {

namespace {

bool IsSkipScalarQuestion(std::string_view text) { return text.ends_with(kSkipScalarQuestionEnd); }
// A file that cannot be written is said in the command's own line, with the reason.
bool IsWriteFailure(std::string_view text) {
    return text.starts_with("There was an error writing to file") || text.starts_with(kNotWritable);
}

}  // namespace

int RunConvertStrategy(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--skip-missing"}, {"--strategy-dir"})) {
        return context.fail("convert-strategy", kExitUsage, *error);
    }
    if (parsed.positional.size() != 3) {
        return context.fail("convert-strategy", kExitUsage,
                            "usage: convert-strategy SOURCE TARGET.000 OUT.ZVR");
    }
    const std::string& source = parsed.positional[0];
    // The target strategy is found as the controller's strategies are: a bare name in the
    // current folder, the strategy folders given and the data folders.
    const StrategySearchPath search = SearchPathFor(context, parsed);
    const std::optional<std::string> found = LocateStrategyFile(parsed.positional[1], search);
    if (!found) {
        return context.fail("convert-strategy", kExitUsage,
                            parsed.positional[1] + ": no strategy folder holds it (looked in " +
                                SearchedFoldersText(search) + ")");
    }
    const std::string& target = *found;
    const std::string& out = parsed.positional[2];
    DefinitionSet sourceSet;
    if (int code = LoadCalFileFor(context, "convert-strategy", source, sourceSet)) return code;
    // The target strategy takes the place of the connected controller's. No line is opened,
    // so there is no traffic to log, and no log file is made in the user's folder.
    CDataServer document("/dev/null");
    if (int code = LoadCalFileFor(context, "convert-strategy", target, document.definitions)) {
        return code;
    }
    if (int code = CheckOutputFor(context, "convert-strategy", out)) return code;

    std::optional<PromptAnswer> skip;
    if (parsed.has("--skip-missing")) skip = PromptAnswer::Yes;
    CalFileRun run(context, document,
                   CommandPrompt(context.prompt, {source, out},
                                 {{IsSkipScalarQuestion, skip, PromptAnswer::No, "--skip-missing"},
                                  {.matches = IsWriteFailure, .answer = PromptAnswer::Ok}}));
    run.operations().ConvertFileToStrategy();
    const CommandPrompt& prompt = run.prompt();
    if (prompt.saw(kConversionSuccessful)) return kExitOk;
    if (IsSkipScalarQuestion(prompt.last())) {
        return context.fail("convert-strategy", kExitNo,
                            "nothing written: give --skip-missing to leave such scalars out");
    }
    const std::string& failure = run.operations().writeFailure();
    return context.fail("convert-strategy", kExitUsage,
                        failure.empty() ? "cannot write " + out : failure);
}

}  // namespace zvr::cli
