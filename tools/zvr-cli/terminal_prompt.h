#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "common/user_prompt.h"
#include "locale_text.h"

namespace zvr::cli {

// Messages and questions on the terminal: every text goes to the error stream (standard
// output carries only a command's results). A question offers its buttons and reads the
// answer from the input stream; an empty line, the end of input, or an input that is not a
// terminal takes the default answer: the message's own default button when it names one,
// otherwise the one that neither goes on nor tries again (No for Yes/No, Cancel for Yes/No/
// Cancel and Retry/Cancel). A file choice asks for a path and is cancelled when there is no
// terminal to ask. Texts are shown in the terminal's encoding.
class TerminalPrompt : public UserPrompt {
public:
    TerminalPrompt(std::istream& in, std::ostream& err, bool interactive,
                   LocaleText locale = LocaleText());

    // Standard input and standard error; interactive when standard input is a terminal; the
    // environment's encoding.
    static TerminalPrompt& ForProcess();

    PromptAnswer show(const PromptMessage& message) override;
    std::optional<std::string> chooseFile(const FileChoice& choice) override;

private:
    std::optional<std::string> readLine();

    std::istream& in_;
    std::ostream& err_;
    bool interactive_;
    LocaleText locale_;
};

// The answer a question gets when nobody is there to give one.
PromptAnswer DefaultAnswer(PromptButtons buttons);

// "yes", "no", "cancel", "retry" or "ok".
const char* AnswerWord(PromptAnswer answer);

// "error: " or "warning: " before a message with that icon; nothing for the others.
const char* IconWord(PromptIcon icon);

}  // namespace zvr::cli
