// save and compare: the Save and Compare commands of the program, on the command line. The
// same walk and file handling run; the comment question is answered by whether comments were
// given, and the compare report goes to standard output.

#include <ostream>

#include "cal_file_run.h"
#include "command.h"
#include "commands.h"
#include "common/stored_text.h"
#include "controller_link.h"
#include "input_files.h"
#include "json_output.h"

namespace zvr::cli {

namespace {

bool IsEditCommentsQuestion(std::string_view text) { return text == kEditCommentsQuestion; }
// A file that cannot be written is said in the command's own line, with the reason.
bool IsWriteFailure(std::string_view text) {
    return text.starts_with(kWriteToFileError) || text.starts_with(kNotWritable);
}
bool IsFileMatches(std::string_view text) { return text == kFileMatchesController; }

void PrintCompareJson(CommandContext& context, const std::string& path,
                      const std::vector<CompareMismatch>& mismatches) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CompareMismatch& m : mismatches) {
        list.push_back({{"name", JsonString(m.name)},
                        {"file", JsonNumber(m.fileRaw, m.scaling)},
                        {"controller", JsonNumber(m.controllerRaw, m.scaling)},
                        {"file_text", JsonString(FormatValue(m.fileRaw, m.scaling))},
                        {"controller_text", JsonString(FormatValue(m.controllerRaw, m.scaling))},
                        {"units", JsonString(m.units)}});
    }
    nlohmann::ordered_json result = JsonResult();
    result["file"] = JsonPathString(path);
    result["matches"] = mismatches.empty();
    result["mismatches"] = std::move(list);
    PrintJson(context, result);
}

}  // namespace

int RunSave(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {}, {"--port", "--strategy-dir", "--comment"})) {
        return context.fail("save", kExitUsage, *error);
    }
    // --comment may be given more than once.
    const std::vector<std::string> typed = parsed.values("--comment");
    if (parsed.positional.size() != 1)
        return context.fail("save", kExitUsage, "usage: save OUT.ZVR");
    const std::string& path = parsed.positional[0];
    // Each comment as the file stores it: a comment the file cannot hold whole is refused,
    // never cut.
    const auto stored = context.storedArguments("save", typed);
    if (!stored) return kExitUsage;
    const std::vector<std::string>& comments = *stored;
    if (comments.size() > kMaxTableEntries) {
        return context.fail(
            "save", kExitUsage,
            "too many comments: the file can hold at most " + std::to_string(kMaxTableEntries));
    }
    // Before the walk, which takes a while on a real line.
    if (int code = CheckOutputFor(context, "save", path); code != kExitOk) return code;
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "save", parsed); code != kExitOk) return code;
    const bool withComments = !comments.empty();
    CalFileRun run(context, link.document,
                   CommandPrompt(context.prompt, {path},
                                 {{.matches = IsEditCommentsQuestion,
                                   .answer = withComments ? PromptAnswer::Yes : PromptAnswer::No},
                                  {.matches = IsWriteFailure, .answer = PromptAnswer::Ok}}),
                   comments);
    run.operations().Save();
    if (!run.operations().busy()) {
        return run.prompt().sawStart(kNotWritable)
                   ? context.fail("save", kExitUsage, run.operations().writeFailure())
                   : context.fail("save", kExitNo, "the strategy has no scalars: nothing saved");
    }
    if (!run.Drive(link.session.ReplyLimit())) {
        return context.fail("save", kExitLink, kCalReadError);
    }
    if (run.prompt().saw(kCalReadError)) return kExitLink;
    if (run.prompt().saw(PathText(path) + kCreatedSuccessfully)) return kExitOk;
    const std::string& failure = run.operations().writeFailure();
    return context.fail("save", kExitUsage, failure.empty() ? "cannot write " + path : failure);
}

int RunCompare(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--port", "--strategy-dir"})) {
        return context.fail("compare", kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail("compare", kExitUsage, "usage: compare FILE");
    }
    const std::string& path = parsed.positional[0];
    DefinitionSet file;
    if (int code = LoadCalFileFor(context, "compare", path, file); code != kExitOk) return code;
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "compare", parsed); code != kExitOk) return code;
    // The outcome is the command's result, printed on standard output only.
    CalFileRun run(context, link.document,
                   CommandPrompt(context.prompt, {path},
                                 {{.matches = IsFileMatches, .answer = PromptAnswer::Ok}}));
    run.operations().Compare();
    if (!run.operations().busy()) {
        return context.fail("compare", kExitUsage,
                            run.prompt().saw(kSelectedFileUnreadable)
                                ? "cannot read " + path
                                : path + " holds no scalars: nothing to compare");
    }
    if (!run.Drive(link.session.ReplyLimit())) {
        return context.fail("compare", kExitLink, kCalReadError);
    }
    if (run.prompt().saw(kCalReadError)) return kExitLink;
    const std::vector<CompareMismatch>& mismatches = run.operations().compareMismatches();
    if (parsed.has("--json")) {
        PrintCompareJson(context, path, mismatches);
    } else {
        context.out << (mismatches.empty() ? kFileMatchesController + std::string("\n")
                                           : context.shown(run.ui().text().value_or("")));
    }
    return mismatches.empty() ? kExitOk : kExitNo;
}

}  // namespace zvr::cli
