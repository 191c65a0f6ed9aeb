#include "calibration/download_checks.h"

#include "common/user_prompt.h"
#include "connection/controller_model.h"

namespace zvr {

namespace {

struct ModelCheck {
    ModelKind kind;
    const char* question;
};

// The texts differ in their spacing before "Abort"; they are kept as the program has always
// shown them.
constexpr ModelCheck kModelChecks[] = {
    {ModelKind::Zevar620,
     "Error - This is a 620 series cal file. It does not match your controller. Abort "
     "Download?"},
    {ModelKind::Zevar740,
     "Error - This is a 740 series cal file. It does not match your controller. Abort "
     "Download?"},
    {ModelKind::Lpn310,
     "Error - This is a 310 series cal file. It does not match your controller.  Abort "
     "Download?"},
    {ModelKind::Zevar880,
     "Error - This is a 880 series cal file. It does not match your controller.  Abort "
     "Download?"},
    {ModelKind::Zevar210,
     "Error - This is a 210 series cal file. It does not match your controller.  Abort "
     "Download?"},
    {ModelKind::Kms2,
     "Error - This is a KMS-2 series cal file. It does not match your controller.  Abort "
     "Download?"},
};

const ModelCheck* CheckFor(ModelKind kind) {
    for (const ModelCheck& check : kModelChecks) {
        if (check.kind == kind) return &check;
    }
    return nullptr;
}

// Yes aborts.
bool AbortAnswered(const char* question, UserPrompt& prompt) {
    return prompt.askYesNo(question, kApplicationCaption, PromptIcon::Error);
}

}  // namespace

bool IsDownloadTargetQuestion(std::string_view text) {
    if (text == kUnknownFamilyQuestion || text == kOtherStrategyQuestion) return true;
    for (const ModelCheck& check : kModelChecks) {
        if (text == check.question) return true;
    }
    return false;
}

bool ConfirmDownloadTarget(ModelKind fileKind, const std::string& fileStrategy,
                           const std::string& controllerModel, const std::string& documentStrategy,
                           UserPrompt& prompt) {
    const ModelCheck* check = CheckFor(fileKind);
    if (check == nullptr) {
        if (AbortAnswered(kUnknownFamilyQuestion, prompt)) return false;
    } else if (controllerModel != ModelNameForKind(fileKind) &&
               AbortAnswered(check->question, prompt)) {
        return false;
    }
    if (fileKind == ModelKind::Zevar740 && documentStrategy != fileStrategy) {
        return !AbortAnswered(kOtherStrategyQuestion, prompt);
    }
    return true;
}

PasswordChoice ChoosePassword(uint32_t filePassword, uint32_t controllerPassword,
                              UserPrompt& prompt) {
    if (filePassword == controllerPassword) return PasswordChoice::Write;
    switch (prompt.askYesNoCancel(kPasswordDiffersQuestion, kApplicationCaption,
                                  PromptIcon::Question, PromptAnswer::Cancel)) {
        case PromptAnswer::Yes:
            return PasswordChoice::Write;
        case PromptAnswer::No:
            return PasswordChoice::Skip;
        default:
            return PasswordChoice::Abort;
    }
}

}  // namespace zvr
