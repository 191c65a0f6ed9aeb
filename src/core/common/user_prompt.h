#pragma once

#include <optional>
#include <string>

namespace zvr {

// The one way the core speaks to the person at the keyboard. The GUI shows message boxes
// and file dialogs, the command line asks on the terminal, and tests script the answers
// and record every text.

enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptButtons { Ok, YesNo, YesNoCancel, RetryCancel, OkCancel };
enum class PromptAnswer { Ok, Yes, No, Cancel, Retry };

struct PromptMessage {
    std::string text;
    std::string caption;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    // The button Enter presses; the first one when none is named.
    std::optional<PromptAnswer> defaultAnswer;
    // Words for the Yes and No buttons where the question reads better with its own verbs
    // ("Write", "Discard"); empty keeps Yes and No. The answers stay Yes and No.
    std::string yesText;
    std::string noText;
};

enum class FileChoiceMode { Open, Save };

struct FileChoice {
    FileChoiceMode mode = FileChoiceMode::Open;
    std::string title;
    std::string filter;            // "Description(*.a;*.b)|*.a;*.b||"
    std::string defaultExtension;  // "*.000"
    std::string suggestedName;
};

// Caption of message boxes that name no caption of their own.
inline constexpr const char* kApplicationCaption = "ZVR";

class UserPrompt {
public:
    virtual ~UserPrompt() = default;

    // Shows the message and waits for one of its buttons.
    virtual PromptAnswer show(const PromptMessage& message) = 0;
    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<std::string> chooseFile(const FileChoice& choice) = 0;

    void inform(std::string text, std::string caption = kApplicationCaption) {
        show({std::move(text), std::move(caption), PromptIcon::Information, PromptButtons::Ok});
    }
    void warn(std::string text, std::string caption = kApplicationCaption) {
        show({std::move(text), std::move(caption), PromptIcon::Warning, PromptButtons::Ok});
    }
    void error(std::string text, std::string caption = kApplicationCaption) {
        show({std::move(text), std::move(caption), PromptIcon::Error, PromptButtons::Ok});
    }
    // A message box with no icon and an OK button.
    void plain(std::string text, std::string caption = kApplicationCaption) {
        show({std::move(text), std::move(caption), PromptIcon::None, PromptButtons::Ok});
    }
    bool askYesNo(std::string text, std::string caption = kApplicationCaption,
                  PromptIcon icon = PromptIcon::Question) {
        return show({std::move(text), std::move(caption), icon, PromptButtons::YesNo}) ==
               PromptAnswer::Yes;
    }
    PromptAnswer askYesNoCancel(std::string text, std::string caption = kApplicationCaption,
                                PromptIcon icon = PromptIcon::Question,
                                std::optional<PromptAnswer> defaultAnswer = std::nullopt) {
        return show(
            {std::move(text), std::move(caption), icon, PromptButtons::YesNoCancel, defaultAnswer});
    }
    bool askRetry(std::string text, std::string caption = kApplicationCaption,
                  PromptIcon icon = PromptIcon::Warning) {
        return show({std::move(text), std::move(caption), icon, PromptButtons::RetryCancel}) ==
               PromptAnswer::Retry;
    }
};

}  // namespace zvr
