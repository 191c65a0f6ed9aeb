#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/user_prompt.h"

namespace zvr::cli {

// The prompt a command hands the core's calibration-file commands. The files named on the
// command line are the file choices, in order. A question that an option settles is answered
// from it and shown with that answer; one the options leave open is asked on the terminal,
// where nobody answering takes the rule's safe answer. Every other text goes to the terminal.
// Remembers every text shown, so the command can tell how the core's command ended.
class CommandPrompt : public UserPrompt {
public:
    // How one kind of question is answered.
    struct Rule {
        bool (*matches)(std::string_view text);
        std::optional<PromptAnswer> answer;  // from an option; none: asked on the terminal
        PromptAnswer safeAnswer = PromptAnswer::Cancel;
        std::string option;  // the option that gave the answer; empty: answered silently
    };

    CommandPrompt(UserPrompt& terminal, std::deque<std::string> files,
                  std::vector<Rule> rules = {});

    PromptAnswer show(const PromptMessage& message) override;
    std::optional<std::string> chooseFile(const FileChoice&) override;

    bool saw(std::string_view text) const;
    bool sawStart(std::string_view start) const;
    // The last text shown; empty when none was.
    std::string_view last() const;

private:
    UserPrompt& terminal_;
    std::deque<std::string> files_;
    std::vector<Rule> rules_;
    std::vector<std::string> shown_;
};

}  // namespace zvr::cli
