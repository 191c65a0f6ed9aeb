#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "comm/message_receiver.h"
#include "definitions/definition_set.h"
#include "wizard/range_check.h"
#include "wizard/scalar_fit.h"
#include "wizard/wizard_form.h"

namespace zvr {

class CControllerProtocol;
class CalTransfer;
class SettingsStore;
class UserPrompt;
class WizardSheet;
struct WizardRequirements;

// Wizard button masks: Back 1, Next 2, Finish 4. 0 while a request or transfer runs; Cancel
// is never disabled.
inline constexpr int kWizardNoButtons = 0;
inline constexpr int kWizardNext = 2;
inline constexpr int kWizardBackNext = 3;
inline constexpr int kWizardFinish = 4;

// How the sheet's run ended.
enum class WizardEnd {
    Running,
    Finished,   // the calibration was written and Finish pressed
    Cancelled,  // the person cancelled, or the wizard refused to go on
    Failed,     // the line or the controller failed
};

enum class PageMove { Stay, Next, Previous };

// One page of a wizard: its heading, its controls and the step it is on.
class WizardPage {
public:
    explicit WizardPage(std::string heading) : heading_(std::move(heading)) {}
    virtual ~WizardPage() = default;

    // Called every time the page becomes active (after the sheet set Back+Next).
    virtual void Activate(WizardSheet&) {}
    virtual PageMove Next(WizardSheet& sheet) = 0;
    // Step 1 goes to the previous page; later steps hide their groups and stay.
    virtual PageMove Back(WizardSheet&) { return PageMove::Previous; }
    // A combo's selection or a check box changed.
    virtual void Changed(WizardSheet&, std::string_view /*fieldId*/) {}
    // The page's "Retain Current Values" button, while it is shown.
    virtual bool retainOffered() const { return false; }
    virtual PageMove Retain(WizardSheet&) { return PageMove::Stay; }

    const std::string& heading() const { return heading_; }
    void SetHeading(std::string heading) { heading_ = std::move(heading); }

    WizardForm form;
    // Clear: the page fills its controls from the controller's values when next activated.
    bool preloaded = true;
    int step = 1;

private:
    std::string heading_;
};

struct SummaryRow {
    std::string description;
    std::string selection;
    std::string units;

    friend bool operator==(const SummaryRow&, const SummaryRow&) = default;
};

enum class ProcessAnswer {
    Done,
    AbortAndStartOver,
    Skip,
    MovedFullTravel,
    MovedClosed,
    DidntMove,
};

inline constexpr const char* kProcessCaption = "Analog Calibration Process";
inline constexpr const char* kProcessDone = "Done";
inline constexpr const char* kProcessAbort = "Abort and Start Over";
inline constexpr const char* kProcessSkip = "Skip This Step";

// One button of a process dialog: its text, its tool tip and the answer it gives.
struct ProcessButton {
    std::string text;
    std::string toolTip;
    ProcessAnswer answer = ProcessAnswer::Done;
};

// A process dialog: its instruction and the buttons that answer it. The analog calibration
// process names no buttons of its own: it offers "Done", "Abort and Start Over" and, when
// skipOffered, "Skip This Step"; Escape there is "Abort and Start Over".
struct ProcessPrompt {
    std::string text;
    bool skipOffered = false;
    std::string caption = kProcessCaption;
    std::string label;  // a fixed line under the instruction
    std::vector<ProcessButton> buttons;
    bool escapeAborts = true;

    // The buttons the dialog shows, the first the default one.
    std::vector<ProcessButton> offered() const;
};

// What shows the wizard to the person: a window's pages or a terminal's conversation. Every
// call comes on the thread that drives the sheet.
class WizardPresenter {
public:
    virtual ~WizardPresenter() = default;
    // A page became active, or its controls changed.
    virtual void ShowPage(const WizardPage& page) = 0;
    virtual void SetButtons(int mask) = 0;
    // The process dialog opens with this instruction, or closes.
    virtual void ShowProcess(const ProcessPrompt& prompt) = 0;
    virtual void HideProcess() = 0;
    // Live values of the page arrived (adc_app, the IVS boxes).
    virtual void ShowLive(const WizardPage& page) = 0;
    // The Complete page's menu command for the main window (Parameter Plot, Save Cal).
    virtual void PostCommand(int command) = 0;
};

// Where a sheet meets the program: the controller link and the receiver its notifications
// go to, the transfer with the wizard's own document, the person, and the settings the
// Complete page writes the plot set-up to (none: nothing is written).
struct WizardLinks {
    CControllerProtocol& link;
    ReceiverHandle self;
    CalTransfer& transfer;
    UserPrompt& prompt;
    WizardPresenter& presenter;
    SettingsStore* settings = nullptr;
};

// The sheet shared by every family: Welcome (fault flags, start mode, whole read), the
// family's question pages, Summary (rows, answers to values, whole write), Complete (plot
// set-up), the preload rule and cancellation. The host hands every message posted to
// links.self to Handle(), and the transfer's own messages to the transfer.
class WizardSheet {
public:
    WizardSheet(std::string caption, std::string strategyPath, WizardLinks links);
    virtual ~WizardSheet();
    WizardSheet(const WizardSheet&) = delete;
    WizardSheet& operator=(const WizardSheet&) = delete;

    // Loads the strategy into the wizard's document and builds the pages, without a word to
    // the controller or the person; false (with the reason shown) when the strategy does not
    // load. Start() does it when it has not been done.
    bool Prepare();
    // Checks the strategy's parameters and activates Welcome. False when the sheet cannot be
    // shown or ended at once (end() says how).
    bool Start();

    // The person's actions; each is ignored while its button is disabled.
    void Next();
    void Back();
    void Finish();
    void Cancel();
    void Retain();
    void Changed(std::string_view fieldId);
    void AnswerProcess(ProcessAnswer answer);
    // A notification posted to links.self.
    void Handle(const PostedMessage& message);

    const std::string& caption() const { return caption_; }
    // The title shown while a page is up: the family's page caption, else the sheet's.
    virtual std::string pageCaption() const { return caption_; }
    WizardEnd end() const { return end_; }
    bool ended() const { return end_ != WizardEnd::Running; }
    // The whole write went through.
    bool written() const { return written_; }
    // A whole write began and did not go through (it failed, or was stopped): the controller
    // holds some new and some old values.
    bool partlyWritten() const { return partial_; }
    // A request or transfer failed on the line (the whole write, a restore).
    bool lineFailed() const { return lineFailed_; }
    int buttons() const { return buttons_; }
    // Some button or the process dialog waits for the person.
    bool waitingForPerson() const { return buttons_ != kWizardNoButtons || process_; }
    WizardPage& page() { return *pages_.at(current_); }
    size_t pageIndex() const { return current_; }
    const std::vector<std::unique_ptr<WizardPage>>& pages() const { return pages_; }
    const std::optional<ProcessPrompt>& process() const { return process_; }
    const std::vector<SummaryRow>& summaryRows() const { return rows_; }
    bool onSummary() const { return current_ + 2 == pages_.size(); }
    bool onComplete() const { return current_ + 1 == pages_.size(); }
    bool onWelcome() const { return current_ == 0; }
    // Welcome's choice: 0 start with default values, 1 start with current values.
    int startMode() const { return startMode_; }

    // The shared operations of the pages, on the wizard's own document.
    DefinitionSet& document();
    ScalarDef* scalar(std::string_view name);
    VariableDef* variable(std::string_view name);
    // The scalar's value text, from its controller value ("current") or cal-file value; "" when
    // absent.
    std::string valueText(std::string_view name, bool current = true);
    double value(std::string_view name, bool current = true);
    // Stores value (engineering units) as the cal-file raw value; an absent scalar is skipped.
    // A value the scalar cannot hold (its size, its own minimum and maximum) is remembered,
    // and the Summary refuses to write until a later value for that scalar fits.
    void Set(std::string_view name, double value);
    // The same with the raw number; writing back what the controller holds is never refused.
    void SetRaw(std::string_view name, uint32_t raw);
    // Keeps the whole write from touching the scalar.
    void Drop(std::string_view name);
    bool RangeCheck(std::string_view label, double value, const RangeLimits& limits);

    UserPrompt& prompt() { return links_.prompt; }
    CControllerProtocol& link() { return links_.link; }
    const ReceiverHandle& self() const { return links_.self; }
    bool demo() const;
    void SetButtons(int mask);
    // The page after this one, or null.
    WizardPage* pageAfter(const WizardPage* page);
    // Shows the page's controls again after a change.
    void Refresh();
    void RefreshLive();
    void OpenProcess(ProcessPrompt prompt);
    void CloseProcess();
    // Moves from the current page as a page's Next would.
    void MoveNext() { Move(PageMove::Next); }
    void EndWith(WizardEnd end);
    void MarkLineFailed() { lineFailed_ = true; }
    // The Complete page's plot set-up into the settings: engine_rpm and n_desired over the
    // speed range, after asking before replacing a stored set-up.
    void WritePlotSetup();

protected:
    // The family's question pages, in order, between Welcome and Summary.
    virtual std::vector<std::unique_ptr<WizardPage>> BuildPages() = 0;
    virtual const WizardRequirements& requirements() const = 0;
    virtual std::vector<SummaryRow> Rows() = 0;
    // Turns the answers into cal-file values (before the fixed items and the write).
    virtual void WriteAnswers() = 0;
    // A notification of the family's own requests; false when it was not the family's.
    virtual bool HandleFamily(const PostedMessage&) { return false; }
    virtual bool familyBusy() const { return false; }
    virtual void ProcessAnswered(ProcessAnswer) {}
    // Cancel while a process has changed the controller: start putting it back and end the
    // sheet when done. False when there is nothing to put back.
    virtual bool StartRestore() { return false; }
    // A continuous read of the family's that must stop before the sheet ends.
    virtual void StopFamilyRequests() {}
    virtual bool completeShowsOptions() const = 0;
    // Lowest and highest command speed, for the plot set-up.
    virtual std::pair<double, double> plotRange() const = 0;
    virtual std::array<std::string, 2> completeTexts() const = 0;
    virtual std::string fatalFaultText() const {
        return "The controller reported fatal errors. The Wizard cannot procede.";
    }
    // Pages fill themselves from the controller values in both start modes, not only in start
    // mode 1.
    virtual bool pagesAlwaysPreload() const { return false; }
    // After the whole read: the values the pages start from. Start mode 1 takes the
    // controller's values as the cal-file values.
    virtual void TakeStartingValues();
    // The Complete page offers nothing and Finish only closes the sheet.
    virtual bool finishOnlyCloses() const { return false; }
    virtual std::string welcomeHeading() const;
    virtual std::string completeHeading() const;
    // Whether the Summary keeps FACTORY_SETTINGS out of the write set.
    virtual bool dropsFactorySettings() const { return true; }
    // The plot set-up's "Plot Min" and "Plot Max": the speed range widened by 200 rpm.
    virtual std::pair<long long, long long> plotBounds() const;
    // The family's own changes to the Complete page after the shared set-up.
    virtual void CompleteSetUp(WizardForm&) {}

    CalTransfer& transfer() { return links_.transfer; }

private:
    enum class Pending { None, FaultRead, WholeRead, WholeWrite };

    void Move(PageMove move);
    void ActivateCurrent();
    bool CheckRequired();
    void WelcomeActivate();
    void WelcomeFaults(const PostedMessage& message);
    bool RequestFaultWord();
    PageMove WelcomeNext();
    void WelcomeRead(const PostedMessage& message);
    PageMove SummaryNext();
    void StartWholeWrite();
    void SummaryWritten(const PostedMessage& message);
    // Puts back what the Summary's last turn of the answers into values changed.
    void UndoAnswers();
    void Judge(const ScalarDef& def, double value, const ScalarFit& fit);
    void Remember(const ScalarDef& def);
    void CompleteActivate();

    std::string caption_;
    std::string strategyPath_;
    WizardLinks links_;
    std::vector<std::unique_ptr<WizardPage>> pages_;
    std::vector<bool> filled_;  // pages that have filled themselves from the controller
    size_t current_ = 0;
    int buttons_ = kWizardNoButtons;
    int startMode_ = 1;
    Pending pending_ = Pending::None;
    int faultReadRetries_ = 0;  // the fault word's read, tried again as every single read is
    WizardEnd end_ = WizardEnd::Running;
    bool written_ = false;
    bool partial_ = false;
    bool lineFailed_ = false;
    // While the Summary turns the answers into values: each scalar's value before it, and
    // the scalars dropped from the write set, so that the answers can be taken again.
    bool recording_ = false;
    std::vector<std::pair<std::string, uint32_t>> undo_;
    std::vector<ScalarDef> dropped_;
    // Scalars given a value they cannot hold, with the message that says so.
    std::vector<std::pair<std::string, std::string>> misfits_;
    std::optional<ProcessPrompt> process_;
    std::vector<SummaryRow> rows_;
    const VariableDef* faultVariable_ = nullptr;
};

// Field ids of the shared pages.
inline constexpr const char* kWelcomeText = "welcome.text";
inline constexpr const char* kWelcomeStart = "welcome.start";
inline constexpr const char* kWelcomeDefaultNote = "welcome.default_note";
inline constexpr const char* kWelcomeCurrentNote = "welcome.current_note";
inline constexpr const char* kCompletePlot = "complete.plot";
inline constexpr const char* kCompleteSave = "complete.save";

// What the person is told when the whole write did not go through: the line failed, or the
// write was stopped (Retry writes the same answers again, Cancel returns to the Summary); and,
// when the wizard closes after such a write, what the controller holds.
inline constexpr const char* kWizardWriteFailed =
    "There was a communication error writing the configuration. The controller now holds some "
    "new and some old values.\n\nClick Retry to write the same answers again, or Cancel to "
    "return to the Summary.";
inline constexpr const char* kWizardWriteStopped =
    "Write Configuration was canceled. Not all parameters updated. The controller now holds "
    "some new and some old values.\n\nClick Retry to write the same answers again, or Cancel to "
    "return to the Summary.";
inline constexpr const char* kWizardWriteUnfinished =
    "The configuration was not written completely: the controller holds some new and some old "
    "values. Run the wizard again to calibrate it before the engine is run.";

}  // namespace zvr
