// wizard: the controller family's calibration wizard as a terminal conversation, on the same
// engine as the program's wizard.

#include "wizard_command.h"

#include <memory>
#include <ostream>

#include "cal_file_run.h"
#include "calibration/cal_transfer.h"
#include "calibration/restore_points.h"
#include "command.h"
#include "command_ui.h"
#include "commands.h"
#include "common/stored_text.h"
#include "connection/controller_model.h"
#include "controller_link.h"
#include "ini_settings_store.h"
#include "input_files.h"
#include "wizard/wizard_families.h"
#include "wizard/wizard_pump.h"
#include "wizard_answers.h"
#include "wizard_conversation.h"

namespace zvr::cli {

namespace {

constexpr const char* kName = "wizard";

bool IsEditComments(std::string_view text) { return text == kEditCommentsQuestion; }
bool IsWriteFailure(std::string_view text) {
    return text.starts_with(kWriteToFileError) || text.starts_with(kNotWritable);
}

// The file was not written, but the controller was: the person must know both, and why the
// file could not be written when the system said.
int SaveFailed(CommandContext& context, const std::string& path, const std::string& failure) {
    return context.fail(kName, kExitUsage,
                        (failure.empty() ? path + ": cannot be written" : failure) +
                            "; the controller was calibrated: save its calibration with "
                            "zvr-cli save");
}

// "Save ZEVAR Cal to File" after the write: the controller's calibration, which now holds
// the prepared configuration, read back into the file.
int SavePrepared(CommandContext& context, ControllerLink& link, const std::string& path) {
    CalFileRun run(context, link.document,
                   CommandPrompt(context.prompt, {path},
                                 {{.matches = IsEditComments, .answer = PromptAnswer::No},
                                  {.matches = IsWriteFailure, .answer = PromptAnswer::Ok}}));
    run.operations().Save();
    if (!run.operations().busy()) return SaveFailed(context, path, run.operations().writeFailure());
    if (!run.Drive(link.session.ReplyLimit()) || run.prompt().saw(kCalReadError)) {
        return context.fail(kName, kExitLink,
                            std::string(kCalReadError) +
                                "; the controller was calibrated, but its calibration could "
                                "not be read back into " +
                                path);
    }
    return run.prompt().saw(PathText(path) + kCreatedSuccessfully)
               ? kExitOk
               : SaveFailed(context, path, run.operations().writeFailure());
}

// Field ids of the answers file that this wizard does not ask: refused before anything is
// asked or written, naming them.
int RefuseUnknownFields(CommandContext& context, const WizardAnswers& answers,
                        const WizardSheet& sheet) {
    const std::vector<std::string> unknown = answers.UnknownFields(sheet);
    if (unknown.empty()) return kExitOk;
    std::string names;
    for (const std::string& id : unknown)
        names += (names.empty() ? "\"" : ", \"") + id + "\"";
    return context.fail(kName, kExitUsage,
                        answers.path + ": unknown field" + (unknown.size() > 1 ? "s " : " ") +
                            names + ": the " + sheet.caption() + " asks no such question");
}

}  // namespace

int RunWizardWith(CommandContext& context, std::span<const std::string> args, WizardInput& input) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--plot-setup"},
                                  {"--port", "--strategy-dir", "--answers", "--save"})) {
        return context.fail(kName, kExitUsage, *error);
    }
    if (!parsed.positional.empty())
        return context.fail(kName, kExitUsage, "unexpected " + parsed.positional[0]);
    std::optional<WizardAnswers> answers;
    if (const std::string* file = parsed.value("--answers")) {
        std::string error;
        answers = WizardAnswers::Load(*file, error);
        if (!answers) return context.fail(kName, kExitUsage, error);
    }
    const std::string* savePath = parsed.value("--save");
    if (savePath) {
        if (int code = CheckOutputFor(context, kName, *savePath); code != kExitOk) return code;
    }

    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, kName, parsed); code != kExitOk) return code;
    const std::string strategyName = link.document.definitions.header.strategyName;
    const ControllerModel* model = WizardModelFor(strategyName);
    if (model == nullptr) return context.fail(kName, kExitNo, WizardRefusalText(strategyName));
    const WizardSheetMaker make = WizardSheetFor(strategyName, link.document.definitions.filePath,
                                                 link.document.GetIdentification().strategyText);
    if (!make) {
        return context.fail(kName, kExitNo,
                            std::string("the ") + model->wizardTitle + " is not in zvr-cli yet");
    }
    link.document.QuietTheLink();

    WizardConversation conversation(context.out, input, answers ? &*answers : nullptr);
    CommandUi progress(context, {});
    WizardPump pump;
    CalTransfer transfer(link.document, pump.transferReceiver(), conversation, progress);
    RestorePoints points = RestorePointsOfTheProgram();
    transfer.setRestorePoints(&points);
    std::unique_ptr<IniSettingsStore> settings;
    if (parsed.has("--plot-setup")) settings = std::make_unique<IniSettingsStore>();
    const std::unique_ptr<WizardSheet> sheet = make({link.document, pump.sheetReceiver(), transfer,
                                                     conversation, conversation, settings.get()});
    WizardSheet& wizard = *sheet;
    pump.Bind(wizard, transfer);
    if (answers && wizard.Prepare()) {
        if (int code = RefuseUnknownFields(context, *answers, wizard); code != kExitOk) return code;
    }
    context.out << wizard.caption() << '\n';
    if (wizard.Start()) {
        conversation.Run(wizard, pump,
                         {.plotSetup = parsed.has("--plot-setup"),
                          .save = savePath != nullptr,
                          .replyLimit = link.session.ReplyLimit() * 4});
    }
    context.out.flush();
    if (!transfer.restorePoint().empty())
        context.err << "zvr-cli " << kName << ": restore point " << transfer.restorePoint() << '\n';
    if (wizard.partlyWritten()) {
        return context.fail(kName, kExitLink,
                            "the configuration was not written completely: the controller holds "
                            "some new and some old values; run the wizard again");
    }
    switch (wizard.end()) {
        case WizardEnd::Finished:
            return savePath ? SavePrepared(context, link, *savePath) : kExitOk;
        case WizardEnd::Failed:
            return context.fail(kName, kExitLink, "the controller failed; the wizard ended");
        default:
            if (wizard.written()) {
                // Cancelled on the Complete page: the calibration stands, nothing else is done.
                return context.fail(kName, kExitOk,
                                    "the calibration was written; cancelled before Finish, so "
                                    "nothing more was done");
            }
            if (wizard.lineFailed() || conversation.silent()) {
                return context.fail(kName, kExitLink,
                                    "the controller failed; the wizard was cancelled");
            }
            return context.fail(kName, kExitNo, "cancelled");
    }
}

int RunWizard(CommandContext& context, std::span<const std::string> args) {
    TerminalInput input;
    return RunWizardWith(context, args, input);
}

}  // namespace zvr::cli
