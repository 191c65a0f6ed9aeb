#pragma once

#include <chrono>
#include <iosfwd>
#include <optional>
#include <string>

#include "common/user_prompt.h"
#include "wizard/wizard_sheet.h"

namespace zvr {
class WizardPump;
}

namespace zvr::cli {

class WizardAnswers;

// Where the person's lines come from: the terminal, or a test's script.
class WizardInput {
public:
    virtual ~WizardInput() = default;
    // True when Line() would not wait: a line is typed, or input has ended.
    virtual bool Ready(std::chrono::milliseconds wait) = 0;
    // The next line without its end; nothing at the end of input or with no terminal.
    virtual std::optional<std::string> Line() = 0;
    // Ctrl-C was pressed since the last call.
    virtual bool TakeInterruption() = 0;
    // Whether a self-updating line can be drawn.
    virtual bool terminal() const = 0;
};

// Standard input when it is a terminal (otherwise nothing is ever read); Ctrl-C is caught
// for as long as the object lives.
class TerminalInput : public WizardInput {
public:
    TerminalInput();
    bool Ready(std::chrono::milliseconds wait) override;
    std::optional<std::string> Line() override;
    bool TakeInterruption() override;
    bool terminal() const override { return terminal_; }

private:
    bool terminal_;
    std::string buffer_;
    bool ended_ = false;
};

// The wizard as a terminal conversation: pages print their heading and texts, each question
// of the step is asked (a combo's items numbered, an edit with its current text in
// brackets), messages print, Yes/No questions take y, yes, n or no, OK/Cancel and
// Retry/Cancel questions the button's text or its first letter. Answers come from the
// answers file first, then from the input; with neither the run is cancelled.
class WizardConversation : public WizardPresenter, public UserPrompt {
public:
    struct Options {
        bool plotSetup = false;  // write the plot set-up as Finish would
        bool save = false;       // the Complete page's "Save Prepared Configuration"
        std::chrono::milliseconds replyLimit{60'000};
    };

    WizardConversation(std::ostream& out, WizardInput& input, WizardAnswers* answers);

    // Runs the sheet, started already, until it ends.
    void Run(WizardSheet& sheet, WizardPump& pump, const Options& options);
    // The controller stopped answering altogether (no notification within the limit).
    bool silent() const { return silent_; }

    // WizardPresenter
    void ShowPage(const WizardPage&) override {}
    void SetButtons(int) override {}
    void ShowProcess(const ProcessPrompt&) override {}
    void HideProcess() override;
    void ShowLive(const WizardPage& page) override;
    void PostCommand(int) override {}

    // UserPrompt
    PromptAnswer show(const PromptMessage& message) override;
    std::optional<std::string> chooseFile(const FileChoice&) override { return std::nullopt; }

private:
    bool Settle(WizardSheet& sheet, WizardPump& pump, const Options& options);
    void PrintPage(const WizardPage& page);
    bool AskStep(WizardSheet& sheet);
    // False when nobody answers (the run is then cancelled).
    bool AskField(WizardSheet& sheet, WizardField& field, bool offerRetain, bool& retain);
    // A check box as a yes/no question under its own label; empty keeps its state.
    bool AskCheck(WizardSheet& sheet, WizardField& field, std::optional<std::string> fromFile);
    bool AskProcess(WizardSheet& sheet, WizardPump& pump);
    bool AskSummary(WizardSheet& sheet);
    void Finish(WizardSheet& sheet, const Options& options);
    // A line from the input; nothing when input ended, there is none, or Ctrl-C.
    std::optional<std::string> ReadLine();
    std::optional<bool> YesNo(const std::string& answer) const;
    PromptAnswer AskButtons(const PromptMessage& message);

    std::ostream& out_;
    WizardInput& input_;
    WizardAnswers* answers_;
    WizardSheet* sheet_ = nullptr;
    size_t printedIndex_ = SIZE_MAX;
    bool liveShown_ = false;
    bool waitingProcess_ = false;  // the live line is drawn only while a dialog waits
    bool silent_ = false;
    bool cancelled_ = false;
    size_t answered_ = 0;  // answers given (typed lines and answers-file entries)
};

}  // namespace zvr::cli
