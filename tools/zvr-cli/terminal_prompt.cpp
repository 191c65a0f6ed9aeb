#include "terminal_prompt.h"

#include <unistd.h>

#include <iostream>
#include <utility>
#include <vector>

namespace zvr::cli {

namespace {

// Message boxes break lines with CR LF; a terminal wants LF alone.
std::string TerminalText(std::string text) {
    std::string out;
    for (char c : text) {
        if (c != '\r') out += c;
    }
    return out;
}

// The letters of the buttons, the default one in capitals: " [y/N] ".
std::string Choices(PromptButtons buttons, PromptAnswer fallback) {
    std::vector<std::pair<PromptAnswer, char>> letters;
    switch (buttons) {
        case PromptButtons::YesNo:
            letters = {{PromptAnswer::Yes, 'y'}, {PromptAnswer::No, 'n'}};
            break;
        case PromptButtons::YesNoCancel:
            letters = {
                {PromptAnswer::Yes, 'y'}, {PromptAnswer::No, 'n'}, {PromptAnswer::Cancel, 'c'}};
            break;
        case PromptButtons::RetryCancel:
            letters = {{PromptAnswer::Retry, 'r'}, {PromptAnswer::Cancel, 'c'}};
            break;
        default:
            return "";
    }
    std::string text = " [";
    for (const auto& [answer, letter] : letters) {
        if (text.size() > 2) text += '/';
        text += answer == fallback ? static_cast<char>(letter - 'a' + 'A') : letter;
    }
    return text + "] ";
}

std::optional<PromptAnswer> AnswerFromText(const std::string& text, PromptButtons buttons) {
    const char c = text.empty() ? '\0' : static_cast<char>(text[0] | 0x20);
    const bool yesNo = buttons == PromptButtons::YesNo || buttons == PromptButtons::YesNoCancel;
    if (yesNo && c == 'y') return PromptAnswer::Yes;
    if (yesNo && c == 'n') return PromptAnswer::No;
    if (buttons == PromptButtons::RetryCancel && c == 'r') return PromptAnswer::Retry;
    if (buttons != PromptButtons::YesNo && c == 'c') return PromptAnswer::Cancel;
    return std::nullopt;
}

}  // namespace

PromptAnswer DefaultAnswer(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::Ok:
            return PromptAnswer::Ok;
        case PromptButtons::YesNo:
            return PromptAnswer::No;
        default:
            return PromptAnswer::Cancel;
    }
}

const char* IconWord(PromptIcon icon) {
    switch (icon) {
        case PromptIcon::Error:
            return "error: ";
        case PromptIcon::Warning:
            return "warning: ";
        default:
            return "";
    }
}

const char* AnswerWord(PromptAnswer answer) {
    switch (answer) {
        case PromptAnswer::Yes:
            return "yes";
        case PromptAnswer::No:
            return "no";
        case PromptAnswer::Retry:
            return "retry";
        case PromptAnswer::Cancel:
            return "cancel";
        default:
            return "ok";
    }
}

TerminalPrompt::TerminalPrompt(std::istream& in, std::ostream& err, bool interactive,
                               LocaleText locale)
    : in_(in), err_(err), interactive_(interactive), locale_(std::move(locale)) {}

TerminalPrompt& TerminalPrompt::ForProcess() {
    static TerminalPrompt prompt(std::cin, std::cerr, ::isatty(STDIN_FILENO) == 1,
                                 LocaleText::FromEnvironment());
    return prompt;
}

std::optional<std::string> TerminalPrompt::readLine() {
    std::string line;
    if (!interactive_ || !std::getline(in_, line)) {
        return std::nullopt;
    }
    return line;
}

PromptAnswer TerminalPrompt::show(const PromptMessage& message) {
    std::string heading = message.caption.empty() || message.caption == kApplicationCaption
                              ? std::string()
                              : locale_.shown(message.caption) + ": ";
    err_ << IconWord(message.icon) << heading << TerminalText(locale_.shown(message.text));
    if (message.buttons == PromptButtons::Ok) {
        err_ << '\n' << std::flush;
        return PromptAnswer::Ok;
    }
    const PromptAnswer fallback = message.defaultAnswer.value_or(DefaultAnswer(message.buttons));
    for (;;) {
        err_ << Choices(message.buttons, fallback) << std::flush;
        const std::optional<std::string> line = readLine();
        if (!line) {
            err_ << AnswerWord(fallback) << '\n' << std::flush;
            return fallback;
        }
        if (line->empty()) return fallback;
        if (auto answer = AnswerFromText(*line, message.buttons)) return *answer;
    }
}

std::optional<std::string> TerminalPrompt::chooseFile(const FileChoice& choice) {
    err_ << choice.title;
    if (!choice.suggestedName.empty()) err_ << " [" << choice.suggestedName << "]";
    err_ << ": " << std::flush;
    const std::optional<std::string> line = readLine();
    if (!line) {
        err_ << "cancelled\n" << std::flush;
        return std::nullopt;
    }
    if (!line->empty()) return line;
    if (!choice.suggestedName.empty()) return choice.suggestedName;
    return std::nullopt;
}

}  // namespace zvr::cli
