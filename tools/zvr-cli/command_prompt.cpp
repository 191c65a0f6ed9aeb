#include "command_prompt.h"

#include <algorithm>

#include "terminal_prompt.h"

namespace zvr::cli {

CommandPrompt::CommandPrompt(UserPrompt& terminal, std::deque<std::string> files,
                             std::vector<Rule> rules)
    : terminal_(terminal), files_(std::move(files)), rules_(std::move(rules)) {}

PromptAnswer CommandPrompt::show(const PromptMessage& message) {
    shown_.push_back(message.text);
    const auto rule = std::find_if(rules_.begin(), rules_.end(),
                                   [&](const Rule& r) { return r.matches(message.text); });
    if (rule == rules_.end()) return terminal_.show(message);
    if (!rule->answer) {
        PromptMessage asked = message;
        asked.defaultAnswer = rule->safeAnswer;
        return terminal_.show(asked);
    }
    if (!rule->option.empty()) {
        // A scripted run's log says which question came up and what settled it.
        terminal_.show({message.text + "\n" + AnswerWord(*rule->answer) + " (" + rule->option + ")",
                        message.caption, message.icon, PromptButtons::Ok});
    }
    return *rule->answer;
}

std::optional<std::string> CommandPrompt::chooseFile(const FileChoice&) {
    if (files_.empty()) return std::nullopt;
    std::string file = std::move(files_.front());
    files_.pop_front();
    return file;
}

bool CommandPrompt::saw(std::string_view text) const {
    return std::find(shown_.begin(), shown_.end(), text) != shown_.end();
}

bool CommandPrompt::sawStart(std::string_view start) const {
    return std::any_of(shown_.begin(), shown_.end(),
                       [start](const std::string& text) { return text.starts_with(start); });
}

std::string_view CommandPrompt::last() const {
    return shown_.empty() ? std::string_view() : std::string_view(shown_.back());
}

}  // namespace zvr::cli
