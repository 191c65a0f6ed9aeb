#include "wizard_conversation.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <iomanip>
#include <ostream>

#include "interruption.h"
#include "terminal_prompt.h"
#include "wizard/wizard_pump.h"
#include "wizard_answers.h"

namespace zvr::cli {

namespace {

constexpr const char* kRetainItem = "Retain Current Values";

std::string Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The item an answer names: its number from 1, or its text in any case.
std::optional<int> ItemFor(const std::string& answer, const std::vector<std::string>& items) {
    if (!answer.empty() && std::all_of(answer.begin(), answer.end(), ::isdigit) &&
        answer.size() < 4) {
        const int number = std::stoi(answer);
        if (number >= 1 && number <= static_cast<int>(items.size())) return number - 1;
        return std::nullopt;
    }
    for (size_t i = 0; i < items.size(); ++i) {
        if (SameText(Trimmed(items[i]), answer)) return static_cast<int>(i);
    }
    return std::nullopt;
}

// "A, B or C".
std::string JoinedChoices(const std::vector<std::string>& texts) {
    std::string joined;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) joined += i + 1 == texts.size() ? " or " : ", ";
        joined += texts[i];
    }
    return joined;
}

// The button an answer names: its text in any case, its first letter where no other button
// starts with it, or, when numbered, its number from 1.
std::optional<int> ButtonFor(const std::string& answer, const std::vector<std::string>& texts,
                             bool numbered) {
    if (numbered) {
        if (auto item = ItemFor(answer, texts)) return item;
    }
    std::optional<int> byLetter;
    int sharing = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (SameText(texts[i], answer)) return static_cast<int>(i);
        if (answer.size() == 1 && !texts[i].empty() &&
            std::tolower(static_cast<unsigned char>(texts[i][0])) ==
                std::tolower(static_cast<unsigned char>(answer[0]))) {
            byLetter = static_cast<int>(i);
            ++sharing;
        }
    }
    return sharing == 1 ? byLetter : std::nullopt;
}

}  // namespace

// ---- the terminal -----------------------------------------------------------------------

// Ctrl-C (and SIGTERM, SIGHUP) is the wizard's Cancel. The controller link catches the same
// signals into the same flag, whichever of the two is set up last.
TerminalInput::TerminalInput() : terminal_(::isatty(STDIN_FILENO) == 1) {
    ClearInterruption();
    CatchInterruptions();
}

bool TerminalInput::Ready(std::chrono::milliseconds wait) {
    if (!terminal_ || ended_ || buffer_.find('\n') != std::string::npos) return true;
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    return ::poll(&fd, 1, static_cast<int>(wait.count())) > 0;
}

std::optional<std::string> TerminalInput::Line() {
    if (!terminal_) return std::nullopt;
    for (;;) {
        const size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string text = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return text;
        }
        if (ended_ || Interrupted()) return std::nullopt;
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        if (::poll(&fd, 1, 100) <= 0) continue;
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            ended_ = got == 0;
            if (ended_) return std::nullopt;
            continue;
        }
        buffer_.append(chunk, static_cast<size_t>(got));
    }
}

// Taking the interruption lowers the flag, so the restore that Cancel starts is not cut short.
bool TerminalInput::TakeInterruption() {
    const bool was = Interrupted();
    if (was) ClearInterruption();
    return was;
}

// ---- the conversation -------------------------------------------------------------------

WizardConversation::WizardConversation(std::ostream& out, WizardInput& input,
                                       WizardAnswers* answers)
    : out_(out), input_(input), answers_(answers) {}

std::optional<std::string> WizardConversation::ReadLine() {
    if (cancelled_) return std::nullopt;
    out_.flush();
    std::optional<std::string> text = input_.Line();
    if (input_.TakeInterruption() || !text) {
        out_ << '\n';
        cancelled_ = true;
        return std::nullopt;
    }
    // A terminal echoes what is typed; lines from elsewhere are shown as answered.
    if (!input_.terminal()) out_ << *text << '\n';
    ++answered_;
    return Trimmed(*text);
}

std::optional<bool> WizardConversation::YesNo(const std::string& answer) const {
    if (SameText(answer, "y") || SameText(answer, "yes")) return true;
    if (SameText(answer, "n") || SameText(answer, "no")) return false;
    return std::nullopt;
}

PromptAnswer WizardConversation::show(const PromptMessage& message) {
    if (liveShown_) HideProcess();
    out_ << IconWord(message.icon) << message.text << '\n';
    if (message.buttons == PromptButtons::Ok) return PromptAnswer::Ok;
    if (message.buttons == PromptButtons::OkCancel ||
        message.buttons == PromptButtons::RetryCancel) {
        return AskButtons(message);
    }
    if (message.buttons != PromptButtons::YesNo) return PromptAnswer::No;
    if (answers_) {
        if (auto answer = answers_->question(message.text)) {
            if (auto yes = YesNo(*answer)) {
                out_ << "[y/n] " << *answer << '\n';
                return *yes ? PromptAnswer::Yes : PromptAnswer::No;
            }
        }
    }
    for (;;) {
        out_ << "[y/n] ";
        auto line = ReadLine();
        if (!line) return PromptAnswer::No;
        if (auto yes = YesNo(*line)) return *yes ? PromptAnswer::Yes : PromptAnswer::No;
    }
}

// An OK/Cancel or Retry/Cancel question: the button's text or its first letter. With
// nobody to answer it is Cancel.
PromptAnswer WizardConversation::AskButtons(const PromptMessage& message) {
    const bool ok = message.buttons == PromptButtons::OkCancel;
    const std::vector<std::string> texts = {ok ? "OK" : "Retry", "Cancel"};
    const PromptAnswer first = ok ? PromptAnswer::Ok : PromptAnswer::Retry;
    const std::string choices = "[" + texts[0] + "/" + texts[1] + "] ";
    if (answers_) {
        if (auto answer = answers_->question(message.text)) {
            if (auto index = ButtonFor(*answer, texts, false)) {
                out_ << choices << *answer << '\n';
                return *index == 0 ? first : PromptAnswer::Cancel;
            }
        }
    }
    for (;;) {
        out_ << choices;
        auto line = ReadLine();
        if (!line) return PromptAnswer::Cancel;
        if (auto index = ButtonFor(*line, texts, false)) {
            return *index == 0 ? first : PromptAnswer::Cancel;
        }
    }
}

void WizardConversation::HideProcess() {
    if (!liveShown_) return;
    liveShown_ = false;
    out_ << '\n';
}

void WizardConversation::ShowLive(const WizardPage& page) {
    if (!input_.terminal() || !waitingProcess_) return;
    const WizardForm& form = page.form;
    std::string adc;
    std::optional<bool> ivs;
    for (const char* id : {"analog.max", "analog.min"}) {
        if (form.has(id) && form.at(id).visible && adc.empty()) adc = form.at(id).text;
    }
    for (const char* id : {"analog.ivs_max", "analog.ivs_min"}) {
        if (form.has(id) && form.at(id).visible && !ivs) ivs = form.at(id).selection == 1;
    }
    out_ << "\r  adc_app: " << std::setw(5) << adc;
    if (ivs) out_ << "   IVS: " << (*ivs ? "on " : "off");
    out_ << "   " << std::flush;
    liveShown_ = true;
}

void WizardConversation::PrintPage(const WizardPage& page) {
    out_ << '\n' << page.heading() << '\n';
    for (const WizardField& field : page.form.fields()) {
        if (!field.visible) continue;
        if (field.kind == FieldKind::Text && !field.label.empty()) out_ << field.label << '\n';
        // What each choice means, before the choices are asked.
        for (const std::string& note : field.itemNotes) {
            if (!note.empty()) out_ << note << '\n';
        }
    }
}

bool WizardConversation::AskField(WizardSheet& sheet, WizardField& field, bool offerRetain,
                                  bool& retain) {
    std::optional<std::string> fromFile = answers_ ? answers_->TakeField(field.id) : std::nullopt;
    if (fromFile) ++answered_;
    // An unattended run keeps what a field already holds where the file says nothing.
    const bool holds = !field.text.empty() || field.selection >= 0;
    if (!fromFile && answers_ && !input_.terminal() && holds) fromFile = std::string();
    if (field.kind == FieldKind::Check) return AskCheck(sheet, field, std::move(fromFile));
    if (field.kind == FieldKind::Choice || field.kind == FieldKind::Radio ||
        field.kind == FieldKind::Check) {
        std::vector<std::string> items = field.items;
        if (field.kind == FieldKind::Check) items = {"No", "Yes"};
        if (offerRetain) items.push_back(kRetainItem);
        for (;;) {
            if (!field.label.empty()) out_ << Trimmed(field.label) << '\n';
            for (size_t i = 0; i < items.size(); ++i)
                out_ << "  " << i + 1 << ". " << items[i] << '\n';
            const bool hasCurrent =
                field.selection >= 0 && field.selection < static_cast<int>(items.size());
            out_ << "> ";
            if (hasCurrent) out_ << '[' << field.selection + 1 << "] ";
            std::optional<std::string> answer;
            if (fromFile) {
                answer = *fromFile;
                out_ << *fromFile << '\n';
                fromFile.reset();
            } else {
                answer = ReadLine();
                if (!answer) return false;
            }
            if (answer->empty() && hasCurrent) return true;
            if (auto item = ItemFor(*answer, items)) {
                if (offerRetain && *item == static_cast<int>(items.size()) - 1) {
                    retain = true;
                    return true;
                }
                field.selection = *item;
                sheet.Changed(field.id);
                return true;
            }
            out_ << "Answer with an item's number or its text.\n";
        }
    }
    for (;;) {
        out_ << Trimmed(field.label);
        if (!field.units.empty()) out_ << " (" << field.units << ')';
        if (!field.text.empty()) out_ << " [" << field.text << ']';
        out_ << ' ';
        std::optional<std::string> answer = std::move(fromFile);
        fromFile.reset();
        if (answer) {
            out_ << *answer << '\n';
        } else {
            answer = ReadLine();
            if (!answer) return false;
        }
        // The window's edit takes no other key; here such an answer is asked again.
        if (field.digitsOnly && answer->find_first_not_of("0123456789") != std::string::npos) {
            out_ << "Answer with digits only.\n";
            continue;
        }
        if (!answer->empty()) field.text = *answer;
        return true;
    }
}

bool WizardConversation::AskCheck(WizardSheet& sheet, WizardField& field,
                                  std::optional<std::string> fromFile) {
    for (;;) {
        out_ << Trimmed(field.label) << " [" << (field.selection == 1 ? "y" : "n") << "] ";
        std::optional<std::string> answer;
        if (fromFile) {
            answer = std::move(fromFile);
            fromFile.reset();
            out_ << *answer << '\n';
        } else {
            answer = ReadLine();
            if (!answer) return false;
        }
        if (answer->empty()) return true;
        if (auto yes = YesNo(*answer)) {
            field.selection = *yes ? 1 : 0;
            sheet.Changed(field.id);
            return true;
        }
        out_ << "Answer y, yes, n or no.\n";
    }
}

bool WizardConversation::AskStep(WizardSheet& sheet) {
    WizardPage& page = sheet.page();
    bool first = true;
    bool retain = false;
    std::string box;  // the group box whose title was printed last
    // Fields can appear while the step is asked (a combo's choice reveals its lines).
    for (size_t i = 0; i < page.form.fields().size(); ++i) {
        WizardField& field = page.form.fields()[i];
        if (!field.asks()) continue;
        if (!field.box.empty() && field.box != box) {
            box = field.box;
            out_ << box << '\n';
        }
        const bool offerRetain = first && page.step == 1 && page.retainOffered();
        first = false;
        if (!AskField(sheet, field, offerRetain, retain)) return false;
        if (retain) {
            sheet.Retain();
            return true;
        }
    }
    sheet.Next();
    return true;
}

bool WizardConversation::AskProcess(WizardSheet& sheet, WizardPump& pump) {
    const ProcessPrompt prompt = *sheet.process();
    const std::vector<ProcessButton> buttons = prompt.offered();
    std::vector<std::string> texts;
    for (const ProcessButton& button : buttons)
        texts.push_back(button.text);
    out_ << prompt.text << '\n';
    if (!prompt.label.empty()) out_ << prompt.label << '\n';
    // A dialog with buttons of its own lists them numbered; the analog one names them.
    if (!prompt.buttons.empty()) {
        for (size_t i = 0; i < texts.size(); ++i)
            out_ << "  " << i + 1 << ". " << texts[i] << '\n';
    }
    out_ << JoinedChoices(texts) << "?\n";
    const auto parse = [&](const std::string& text) -> std::optional<ProcessAnswer> {
        if (auto index = ButtonFor(text, texts, !prompt.buttons.empty())) {
            return buttons[static_cast<size_t>(*index)].answer;
        }
        return std::nullopt;
    };
    if (answers_) {
        if (auto text = answers_->TakeProcess()) {
            if (auto answer = parse(*text)) {
                out_ << "> " << *text << '\n';
                sheet.AnswerProcess(*answer);
                return true;
            }
        }
    }
    // Live values keep arriving while the person moves the input.
    waitingProcess_ = true;
    struct Waiting {
        bool& flag;
        ~Waiting() { flag = false; }
    } waiting{waitingProcess_};
    for (;;) {
        pump.Poll(std::chrono::milliseconds(20));
        if (sheet.ended() || !sheet.process()) return true;
        if (input_.TakeInterruption()) {
            HideProcess();
            cancelled_ = true;
            return false;
        }
        if (!input_.Ready(std::chrono::milliseconds(30))) continue;
        auto line = ReadLine();
        HideProcess();
        if (!line) return false;
        if (auto answer = parse(*line)) {
            sheet.AnswerProcess(*answer);
            return true;
        }
        out_ << "Answer " << JoinedChoices(texts)
             << (prompt.buttons.empty() ? " or their first letter.\n" : " or their number.\n");
    }
}

bool WizardConversation::AskSummary(WizardSheet& sheet) {
    out_ << '\n' << sheet.page().heading() << '\n';
    for (const SummaryRow& row : sheet.summaryRows()) {
        out_ << "  " << std::left << std::setw(34) << row.description << std::setw(18)
             << Trimmed(row.selection) << row.units << '\n';
    }
    out_ << "Calibrate the controller now? [y/n] ";
    std::optional<bool> yes;
    // The file answers the question once: after a write that did not go through, a person
    // decides whether to write again.
    if (const std::optional<std::string> fromFile =
            answers_ ? answers_->TakeCalibrate() : std::nullopt) {
        yes = YesNo(*fromFile);
        if (yes) out_ << *fromFile << '\n';
    }
    while (!yes) {
        auto line = ReadLine();
        if (!line) return false;
        yes = YesNo(*line);
        if (!yes) out_ << "[y/n] ";
    }
    if (!*yes) return false;
    sheet.Next();
    return true;
}

void WizardConversation::Finish(WizardSheet& sheet, const Options& options) {
    PrintPage(sheet.page());
    WizardForm& form = sheet.page().form;
    if (form.at(kCompletePlot).visible) {
        form.at(kCompletePlot).selection = options.plotSetup ? 1 : 0;
        form.at(kCompleteSave).selection = !options.plotSetup && options.save ? 1 : 0;
    } else if (options.plotSetup && sheet.startMode() == 1 && form.selection(kCompletePlot) != 1) {
        // The page offers no option and its Finish prepares no plot in this start mode.
        sheet.WritePlotSetup();
    }
    sheet.Finish();
}

bool WizardConversation::Settle(WizardSheet& sheet, WizardPump& pump, const Options& options) {
    auto quietSince = std::chrono::steady_clock::now();
    while (!sheet.ended() && !sheet.waitingForPerson()) {
        if (input_.TakeInterruption()) {
            cancelled_ = true;
            sheet.Cancel();
        }
        // A request always ends in a notification, and a whole transfer notifies every
        // step: only a link that is gone stays quiet for the limit.
        if (pump.Poll(std::chrono::milliseconds(20))) {
            quietSince = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - quietSince > options.replyLimit) {
            silent_ = true;
            return false;
        }
    }
    return true;
}

void WizardConversation::Run(WizardSheet& sheet, WizardPump& pump, const Options& options) {
    sheet_ = &sheet;
    while (!sheet.ended()) {
        if (!Settle(sheet, pump, options)) {
            sheet.Cancel();
            if (!sheet.ended()) sheet.EndWith(WizardEnd::Failed);
            break;
        }
        if (sheet.ended()) break;
        if (cancelled_ || input_.TakeInterruption()) {
            cancelled_ = true;
            sheet.Cancel();
            continue;
        }
        if (sheet.process()) {
            if (!AskProcess(sheet, pump)) sheet.Cancel();
            continue;
        }
        if (sheet.buttons() == kWizardNoButtons) {
            // The failed whole write: Cancel is the only way out.
            sheet.Cancel();
            continue;
        }
        if (sheet.pageIndex() != printedIndex_ && !sheet.onSummary() && !sheet.onComplete()) {
            printedIndex_ = sheet.pageIndex();
            PrintPage(sheet.page());
        }
        if (sheet.onSummary()) {
            printedIndex_ = sheet.pageIndex();
            if (!AskSummary(sheet)) sheet.Cancel();
            continue;
        }
        if (sheet.onComplete()) {
            Finish(sheet, options);
            continue;
        }
        if (sheet.onWelcome() && !sheet.page().form.at(kWelcomeStart).visible) {
            sheet.Next();  // an uncalibrated unit: nothing to ask
            continue;
        }
        const size_t page = sheet.pageIndex();
        const int step = sheet.page().step;
        const size_t answered = answered_;
        if (!AskStep(sheet)) {
            sheet.Cancel();
        } else if (!sheet.ended() && sheet.pageIndex() == page && sheet.page().step == step &&
                   answered_ == answered && !sheet.onWelcome() && !sheet.process() &&
                   sheet.buttons() != kWizardNoButtons) {
            // A refused step whose every field kept what it held, with nobody to answer:
            // asking again would only refuse again.
            cancelled_ = true;
            sheet.Cancel();
        }
    }
    sheet_ = nullptr;
}

}  // namespace zvr::cli
