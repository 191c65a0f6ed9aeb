// download: the Download command of the program on the command line, with its model,
// strategy and password checks. Options answer the questions; without them the questions are
// asked on the terminal, and with nobody there the download is abandoned.

#include <map>
#include <ostream>

#include "cal_file_run.h"
#include "calibration/download_checks.h"
#include "calibration/restore_points.h"
#include "command.h"
#include "commands.h"
#include "common/user_prompt.h"
#include "controller_link.h"
#include "input_files.h"

namespace zvr::cli {

namespace {

bool IsPasswordQuestion(std::string_view text) { return text == kPasswordDiffersQuestion; }

// The answer an option's value gives, or nothing when the option was not given. False when
// the value is not one of the option's words.
bool OptionAnswer(const Arguments& parsed, const char* option,
                  const std::map<std::string_view, PromptAnswer>& words,
                  std::optional<PromptAnswer>& answer) {
    const std::string* value = parsed.value(option);
    if (value == nullptr) return true;
    const auto word = words.find(*value);
    if (word == words.end()) return false;
    answer = word->second;
    return true;
}

std::string Given(const Arguments& parsed, const char* option) {
    const std::string* value = parsed.value(option);
    return value ? std::string(option) + " " + *value : std::string();
}

}  // namespace

int RunDownload(CommandContext& context, std::span<const std::string> args) {
    return RunDownloadAs(context, "download", args);
}

int RunDownloadAs(CommandContext& context, std::string_view command,
                  std::span<const std::string> args) {
    Arguments parsed;
    if (auto error =
            parsed.parse(args, {"--no-verify"},
                         {"--port", "--strategy-dir", "--on-mismatch", "--password-mismatch"})) {
        return context.fail(command, kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail(command, kExitUsage, "usage: download FILE");
    }
    // The questions' Yes aborts a download to another model or strategy.
    std::optional<PromptAnswer> onMismatch;
    if (!OptionAnswer(parsed, "--on-mismatch",
                      {{"abort", PromptAnswer::Yes}, {"continue", PromptAnswer::No}}, onMismatch)) {
        return context.fail(command, kExitUsage, "--on-mismatch takes abort or continue");
    }
    std::optional<PromptAnswer> onPassword;
    if (!OptionAnswer(parsed, "--password-mismatch",
                      {{"change", PromptAnswer::Yes},
                       {"keep", PromptAnswer::No},
                       {"abort", PromptAnswer::Cancel}},
                      onPassword)) {
        return context.fail(command, kExitUsage, "--password-mismatch takes change, keep or abort");
    }
    const std::string& path = parsed.positional[0];
    DefinitionSet file;
    if (int code = LoadCalFileFor(context, command, path, file); code != kExitOk) return code;
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, command, parsed); code != kExitOk) return code;

    CalFileRun run(context, link.document,
                   CommandPrompt(context.prompt, {path},
                                 {{IsDownloadTargetQuestion, onMismatch, PromptAnswer::Yes,
                                   Given(parsed, "--on-mismatch")},
                                  {IsPasswordQuestion, onPassword, PromptAnswer::Cancel,
                                   Given(parsed, "--password-mismatch")}}));
    run.operations().setVerifyDownload(!parsed.has("--no-verify"));
    RestorePoints store = RestorePointsOfTheProgram();
    run.operations().setRestorePoints(&store);
    run.operations().DownloadFile(path, std::string(command));
    const auto sayPoint = [&] {
        if (run.operations().restorePoint().empty()) return;
        context.err << "zvr-cli " << command << ": restore point "
                    << run.operations().restorePoint() << '\n';
    };
    if (!run.Drive(link.session.ReplyLimit())) {
        // Stopped (a signal, or a controller that no longer answers): say what it now holds.
        sayPoint();
        if (const auto& at = run.stoppedWriting()) {
            context.prompt.error(PartialDownloadText(&*at));
        } else if (run.stoppedVerifying()) {
            context.prompt.error(kVerifyReadFailed);
        } else {
            return context.fail(command, kExitLink,
                                "the download stopped before anything was written");
        }
        return kExitLink;
    }
    const CommandPrompt& prompt = run.prompt();
    sayPoint();
    if (prompt.saw(kDownloadedSuccessfully) || prompt.sawStart(kDownloadedExcept) ||
        prompt.saw(kNothingToWrite)) {
        return kExitOk;
    }
    if (prompt.sawStart(kRestorePointFailed)) return kExitUsage;
    if (prompt.sawStart(kCalWriteError) || prompt.saw(kReadPasswordError) ||
        prompt.sawStart(kVerifyDiffers) || prompt.saw(kVerifyReadFailed)) {
        return kExitLink;
    }
    if (prompt.saw(kSelectedFileUnreadable)) {
        return context.fail(command, kExitUsage, "cannot read " + path);
    }
    return context.fail(command, kExitNo, "download abandoned: nothing was written");
}

}  // namespace zvr::cli
