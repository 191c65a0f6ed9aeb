#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/user_prompt.h"
#include "definitions/scaling.h"

namespace zvr::test {

// Answers prompts from a script and records every message shown, for tests to inspect.
// Unscripted questions get their first button (OK, Yes or Retry); unscripted file choices
// are cancelled.
class ScriptedPrompt : public UserPrompt {
public:
    std::vector<PromptMessage> shown;
    std::vector<FileChoice> fileChoices;
    std::deque<PromptAnswer> answers;
    std::deque<std::optional<std::string>> files;

    PromptAnswer show(const PromptMessage& message) override {
        shown.push_back(message);
        if (!answers.empty()) {
            PromptAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        switch (message.buttons) {
            case PromptButtons::Ok:
            case PromptButtons::OkCancel:
                return PromptAnswer::Ok;
            case PromptButtons::RetryCancel:
                return PromptAnswer::Retry;
            default:
                return PromptAnswer::Yes;
        }
    }

    std::optional<std::string> chooseFile(const FileChoice& choice) override {
        fileChoices.push_back(choice);
        if (files.empty()) {
            return std::nullopt;
        }
        auto file = files.front();
        files.pop_front();
        return file;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> result;
        for (const auto& message : shown)
            result.push_back(message.text);
        return result;
    }
};

// Routes serious errors to a scripted prompt for the lifetime of the guard.
class SeriousErrorCapture {
public:
    ScriptedPrompt prompt;
    SeriousErrorCapture() : previous_(SetSeriousErrorPrompt(&prompt)) {}
    ~SeriousErrorCapture() { SetSeriousErrorPrompt(previous_); }
    SeriousErrorCapture(const SeriousErrorCapture&) = delete;
    SeriousErrorCapture& operator=(const SeriousErrorCapture&) = delete;

private:
    UserPrompt* previous_;
};

}  // namespace zvr::test
