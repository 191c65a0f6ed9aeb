#include "calibration/download_checks.h"

#include "common/user_prompt.h"
#include "families/family_registry.h"

namespace zvr {

namespace {

// Yes aborts.
bool AbortAnswered(const char* question, UserPrompt& prompt) {
    return prompt.askYesNo(question, kApplicationCaption, PromptIcon::Error);
}

}  // namespace

bool IsDownloadTargetQuestion(std::string_view text) {
    if (text == kUnknownFamilyQuestion || text == kOtherStrategyQuestion) return true;
    for (const ControllerModel& model : ControllerModels()) {
        if (model.downloadQuestion != nullptr && text == model.downloadQuestion) return true;
    }
    return false;
}

bool ConfirmDownloadTarget(ModelKind fileKind, const std::string& fileStrategy,
                           const std::string& controllerModel, const std::string& documentStrategy,
                           UserPrompt& prompt) {
    const ControllerModel* family = ModelForKind(fileKind);
    if (family == nullptr || family->downloadQuestion == nullptr) {
        if (AbortAnswered(kUnknownFamilyQuestion, prompt)) return false;
    } else if (controllerModel != family->modelName &&
               AbortAnswered(family->downloadQuestion, prompt)) {
        return false;
    }
    if (family != nullptr && family->downloadChecksStrategy && documentStrategy != fileStrategy) {
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
