// convert-strategy: "Convert Cal file to Strategy" without a controller: the values of a cal
// file carried over to another strategy file and written as a new cal file of that strategy.

#include <ostream>

#include "cal_file_run.h"
#include "comm/data_server.h"
#include "command.h"
#include "commands.h"
#include "input_files.h"

namespace zvr::cli {

namespace {

bool IsSkipScalarQuestion(std::string_view text) { return text.ends_with(kSkipScalarQuestionEnd); }

}  // namespace

int RunConvertStrategy(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--skip-missing"}, {})) {
        return context.fail("convert-strategy", kExitUsage, *error);
    }
    if (parsed.positional.size() != 3) {
        return context.fail("convert-strategy", kExitUsage,
                            "usage: convert-strategy SOURCE TARGET.000 OUT.ZVR");
    }
    const std::string& source = parsed.positional[0];
    const std::string& target = parsed.positional[1];
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
    CalFileRun run(
        context, document,
        CommandPrompt(context.prompt, {source, out},
                      {{IsSkipScalarQuestion, skip, PromptAnswer::No, "--skip-missing"}}));
    run.operations().ConvertFileToStrategy();
    const CommandPrompt& prompt = run.prompt();
    if (prompt.saw(kConversionSuccessful)) return kExitOk;
    if (IsSkipScalarQuestion(prompt.last())) {
        return context.fail("convert-strategy", kExitNo,
                            "nothing written: give --skip-missing to leave such scalars out");
    }
    return context.fail("convert-strategy", kExitUsage, "cannot write " + out);
}

}  // namespace zvr::cli
