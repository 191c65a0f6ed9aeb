// wizard: the controller family's calibration wizard as a terminal conversation, on the same
// engine as the program's wizard.

#include "wizard_command.h"

#include <memory>
#include <ostream>

#include "cal_file_run.h"
#include "calibration/cal_transfer.h"
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

// "Save ZEVAR Cal to File" after the write: the controller's calibration, which now holds
// the prepared configuration, read back into the file.
int SavePrepared(CommandContext& context, ControllerLink& link, const std::string& path) {
    CalFileRun run(context, link.document,
                   CommandPrompt(context.prompt, {path},
                                 {{.matches = IsEditComments, .answer = PromptAnswer::No},
                                  {.matches = IsWriteFailure, .answer = PromptAnswer::Ok}}));
    run.operations().Save();
    const std::string& failure = run.operations().writeFailure();
    if (!run.operations().busy()) {
        return context.fail(kName, kExitUsage, failure.empty() ? "cannot write " + path : failure);
    }
    if (!run.Drive(link.session.ReplyLimit()) || run.prompt().saw(kCalReadError)) {
        return context.fail(kName, kExitLink, kCalReadError);
    }
    if (run.prompt().saw(PathText(path) + kCreatedSuccessfully)) return kExitOk;
    return context.fail(kName, kExitUsage, failure.empty() ? "cannot write " + path : failure);
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
    std::unique_ptr<IniSettingsStore> settings;
    if (parsed.has("--plot-setup")) settings = std::make_unique<IniSettingsStore>();
    const std::unique_ptr<WizardSheet> sheet = make({link.document, pump.sheetReceiver(), transfer,
                                                     conversation, conversation, settings.get()});
    WizardSheet& wizard = *sheet;
    pump.bind(wizard, transfer);
    context.out << wizard.caption() << '\n';
    if (wizard.start()) {
        conversation.run(wizard, pump,
                         {.plotSetup = parsed.has("--plot-setup"),
                          .save = savePath != nullptr,
                          .replyLimit = link.session.ReplyLimit() * 4});
    }
    context.out.flush();
    switch (wizard.end()) {
        case WizardEnd::Finished:
            return savePath ? SavePrepared(context, link, *savePath) : kExitOk;
        case WizardEnd::Failed:
            return context.fail(kName, kExitLink, "the controller failed; the wizard ended");
        default:
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
