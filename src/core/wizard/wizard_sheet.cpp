#include "wizard/wizard_sheet.h"

#include <algorithm>
#include <cmath>

#include "calibration/cal_transfer.h"
#include "comm/controller_protocol.h"
#include "comm/request_retries.h"
#include "common/user_prompt.h"
#include "connection/command_ids.h"
#include "settings/settings_store.h"
#include "strategy/strategy_check.h"

namespace zvr {

namespace {

// Notifications of the shared pages' requests.
constexpr uint32_t kFaultReadDone = 1127;
constexpr uint32_t kFaultReadFailed = 1128;
constexpr uint32_t kTransferDone = 1124;
constexpr uint32_t kTransferFailed = 1125;
constexpr uint32_t kTransferCancelled = 1126;

bool IsTransferOutcome(const PostedMessage& message) {
    return message.message == kTransferDone || message.message == kTransferFailed ||
           message.message == kTransferCancelled;
}

constexpr const char* kWelcomeHeading =
    "Welcome to calibration wizard, an interactive guide to getting your controller up and "
    "running as quickly and easily as possible.";
constexpr const char* kSummaryHeading =
    "Review your selections and click Next to calibrate the controller.";
constexpr const char* kCompleteHeading = "Calibration Wizard has been completed!";

// Welcome, Summary and Complete: their decisions are the sheet's own.
class SharedPage : public WizardPage {
public:
    using WizardPage::WizardPage;
    PageMove Next(WizardSheet&) override { return PageMove::Stay; }
};

std::unique_ptr<WizardPage> MakeWelcome(const std::string& heading) {
    auto page = std::make_unique<SharedPage>(heading);
    page->form.Add({.id = kWelcomeText, .kind = FieldKind::Text});
    // Each choice carries its explanation, shown beside it.
    page->form.Add(
        {.id = kWelcomeStart,
         .kind = FieldKind::Radio,
         .items = {"Start with default values", "Start with current values"},
         .visible = false,
         .itemNotes = {"The Wizard will be initialized with the default values read from the "
                       "calibration file. All calibration values will be reset.",
                       "The Wizard will be initialized with the values read from the "
                       "controller. Only the calibration data that is changed will be "
                       "updated."}});
    return page;
}

std::unique_ptr<WizardPage> MakeSummary() {
    auto page = std::make_unique<SharedPage>(kSummaryHeading);
    return page;
}

std::unique_ptr<WizardPage> MakeComplete(const std::string& heading) {
    auto page = std::make_unique<SharedPage>(heading);
    page->form.Add({.id = "complete.text1", .kind = FieldKind::Text});
    page->form.Add({.id = "complete.text2", .kind = FieldKind::Text});
    page->form.Add({.id = "complete.instruction", .kind = FieldKind::Text});
    page->form.Add(
        {.id = kCompletePlot, .kind = FieldKind::Check, .label = "Show Engine Speed Graph"});
    page->form.Add({.id = kCompleteSave,
                    .kind = FieldKind::Check,
                    .label = "Save Prepared Configuration to a File"});
    return page;
}

}  // namespace

WizardSheet::WizardSheet(std::string caption, std::string strategyPath, WizardLinks links)
    : caption_(std::move(caption)), strategyPath_(std::move(strategyPath)), links_(links) {}

WizardSheet::~WizardSheet() = default;

std::vector<ProcessButton> ProcessPrompt::offered() const {
    if (!buttons.empty()) return buttons;
    std::vector<ProcessButton> analog = {
        {kProcessDone, "Click when you have completed the instructions.", ProcessAnswer::Done},
        {kProcessAbort, "Click to abort and start the process over.",
         ProcessAnswer::AbortAndStartOver}};
    if (skipOffered) {
        analog.push_back(
            {kProcessSkip, "Click to use the previous configured values.", ProcessAnswer::Skip});
    }
    return analog;
}

std::string WizardSheet::welcomeHeading() const { return kWelcomeHeading; }

std::string WizardSheet::completeHeading() const { return kCompleteHeading; }

std::pair<long long, long long> WizardSheet::plotBounds() const {
    const auto [lowest, highest] = plotRange();
    return {static_cast<long long>(lowest) - 200, static_cast<long long>(highest) + 200};
}

bool WizardSheet::Prepare() {
    if (!pages_.empty()) return true;
    if (ended()) return false;
    if (links_.transfer.LoadFile(strategyPath_) != 0) {
        links_.prompt.error("Fatal Error. Could not initialize from file");
        end_ = WizardEnd::Cancelled;
        return false;
    }
    pages_.push_back(MakeWelcome(welcomeHeading()));
    for (auto& page : BuildPages())
        pages_.push_back(std::move(page));
    pages_.push_back(MakeSummary());
    pages_.push_back(MakeComplete(completeHeading()));
    filled_.assign(pages_.size(), false);
    return true;
}

bool WizardSheet::Start() {
    if (!Prepare() || !CheckRequired()) return false;
    current_ = 0;
    ActivateCurrent();
    return !ended();
}

bool WizardSheet::CheckRequired() {
    const WizardRequirements& needs = requirements();
    for (std::string_view name : needs.requiredParameters) {
        if (scalar(name) == nullptr) {
            links_.prompt.warn("Fatal Error. Could not find parameter '" + std::string(name) +
                               "' in file '" + strategyPath_ + "'");
            EndWith(WizardEnd::Cancelled);
            return false;
        }
    }
    faultVariable_ = variable(needs.faultVariable);
    if (faultVariable_ == nullptr) {
        links_.prompt.warn("Fatal Error. Could not find variable '" +
                           std::string(needs.faultVariable) + "' in file '" + strategyPath_ + "'");
        EndWith(WizardEnd::Cancelled);
        return false;
    }
    return true;
}

// ---- the person's actions ---------------------------------------------------------------

void WizardSheet::Next() {
    if (ended() || process_ || (buttons_ & kWizardNext) == 0) return;
    if (onWelcome()) {
        Move(WelcomeNext());
    } else if (onSummary()) {
        Move(SummaryNext());
    } else {
        Move(page().Next(*this));
    }
}

void WizardSheet::Back() {
    if (ended() || process_ || (buttons_ & 1) == 0 || onWelcome()) return;
    if (onSummary() || onComplete()) {
        // The answers may change before the Summary takes them again.
        if (onSummary()) UndoAnswers();
        Move(PageMove::Previous);
        return;
    }
    Move(page().Back(*this));
}

void WizardSheet::Retain() {
    if (ended() || process_ || (buttons_ & kWizardNext) == 0 || !page().retainOffered()) return;
    Move(page().Retain(*this));
}

void WizardSheet::Changed(std::string_view fieldId) {
    if (ended()) return;
    WizardPage& shown = page();
    if (onWelcome() && fieldId == kWelcomeStart) {
        startMode_ = shown.form.selection(kWelcomeStart);
        return;
    }
    if (onComplete()) {
        // The two options exclude each other.
        const bool plot = fieldId == kCompletePlot;
        if (shown.form.selection(fieldId) == 1) {
            shown.form.at(plot ? kCompleteSave : kCompletePlot).selection = 0;
        }
        Refresh();
        return;
    }
    shown.Changed(*this, fieldId);
    Refresh();
}

void WizardSheet::AnswerProcess(ProcessAnswer answer) {
    if (ended() || !process_) return;
    const auto buttons = process_->offered();
    if (std::none_of(buttons.begin(), buttons.end(),
                     [answer](const ProcessButton& button) { return button.answer == answer; })) {
        return;
    }
    CloseProcess();
    ProcessAnswered(answer);
}

void WizardSheet::Cancel() {
    if (ended()) return;
    if (pending_ == Pending::WholeWrite) partial_ = true;
    if (pending_ == Pending::WholeRead || pending_ == Pending::WholeWrite) {
        pending_ = Pending::None;
        links_.transfer.Abort();
    }
    if (pending_ == Pending::FaultRead) {
        pending_ = Pending::None;
        links_.link.RequestStop();
    }
    CloseProcess();
    if (partial_) links_.prompt.warn(kWizardWriteUnfinished);
    // Once the whole write has gone through there is nothing to put back: the controller holds
    // the calibration asked for, the processes' results among it, and Cancel only closes.
    if (!written_) {
        UndoAnswers();  // the processes' restores find every scalar in the table again
        if (StartRestore()) return;
    }
    StopFamilyRequests();
    EndWith(WizardEnd::Cancelled);
}

void WizardSheet::Finish() {
    if (ended() || (buttons_ & kWizardFinish) == 0) return;
    WizardForm& form = page().form;
    const bool options = completeShowsOptions();
    if (finishOnlyCloses()) {
        EndWith(WizardEnd::Finished);
        return;
    }
    if (form.selection(kCompletePlot) == 1 || (!options && startMode_ == 0)) {
        WritePlotSetup();
        links_.presenter.PostCommand(kCmdParameterPlot);
    } else if (form.selection(kCompleteSave) == 1) {
        links_.presenter.PostCommand(kCmdSaveCal);
    }
    EndWith(WizardEnd::Finished);
}

void WizardSheet::Handle(const PostedMessage& message) {
    if (ended()) {
        // A restore may still be finishing after the sheet ended: nothing else listens.
        HandleFamily(message);
        return;
    }
    switch (pending_) {
        case Pending::FaultRead:
            WelcomeFaults(message);
            return;
        case Pending::WholeRead:
            WelcomeRead(message);
            return;
        case Pending::WholeWrite:
            SummaryWritten(message);
            return;
        case Pending::None:
            HandleFamily(message);
            return;
    }
}

// ---- moving between pages ---------------------------------------------------------------

void WizardSheet::Move(PageMove move) {
    if (ended()) return;
    if (move == PageMove::Stay) {
        Refresh();
        return;
    }
    if (move == PageMove::Next && current_ + 1 < pages_.size()) {
        // The preload rule: in start mode 1 the page that follows fills itself from the
        // controller, once; a page filled before keeps the person's entries.
        const bool preloads = startMode_ == 1 || pagesAlwaysPreload();
        if (preloads && !onWelcome() && !filled_.at(current_ + 1)) {
            pages_[current_ + 1]->preloaded = false;
        }
        ++current_;
    } else if (move == PageMove::Previous && current_ > 0) {
        --current_;
    }
    ActivateCurrent();
}

void WizardSheet::ActivateCurrent() {
    if (onWelcome()) {
        WelcomeActivate();
    } else if (onSummary()) {
        rows_ = Rows();
        SetButtons(kWizardBackNext);
    } else if (onComplete()) {
        CompleteActivate();
    } else {
        SetButtons(kWizardBackNext);
        const bool wasPreloaded = page().preloaded;
        page().Activate(*this);
        if (!wasPreloaded && page().preloaded) filled_.at(current_) = true;
    }
    if (!ended()) Refresh();
}

void WizardSheet::Refresh() {
    if (!ended()) links_.presenter.ShowPage(page());
}

void WizardSheet::RefreshLive() {
    if (!ended()) links_.presenter.ShowLive(page());
}

void WizardSheet::SetButtons(int mask) {
    buttons_ = mask;
    links_.presenter.SetButtons(mask);
}

void WizardSheet::OpenProcess(ProcessPrompt prompt) {
    process_ = std::move(prompt);
    links_.presenter.ShowProcess(*process_);
}

void WizardSheet::CloseProcess() {
    if (!process_) return;
    process_.reset();
    links_.presenter.HideProcess();
}

void WizardSheet::EndWith(WizardEnd end) {
    if (ended()) return;
    CloseProcess();
    end_ = end;
}

WizardPage* WizardSheet::pageAfter(const WizardPage* page) {
    for (size_t i = 0; i + 1 < pages_.size(); ++i) {
        if (pages_[i].get() == page) return pages_[i + 1].get();
    }
    return nullptr;
}

// ---- Welcome ----------------------------------------------------------------------------

void WizardSheet::WelcomeActivate() {
    SetButtons(kWizardNoButtons);
    faultReadRetries_ = 0;
    if (!RequestFaultWord()) {
        links_.prompt.warn("Fatal Error. The fault data could not be read.");
        EndWith(WizardEnd::Failed);
    }
}

bool WizardSheet::RequestFaultWord() {
    const uint16_t address = static_cast<uint16_t>(faultVariable_->ramAddress);
    pending_ = Pending::FaultRead;
    if (links_.link.RequestReadVariables(std::span(&address, 1), links_.self, kFaultReadDone,
                                         kFaultReadFailed) == 0) {
        return true;
    }
    pending_ = Pending::None;
    return false;
}

void WizardSheet::WelcomeFaults(const PostedMessage& message) {
    if (message.message != kFaultReadDone && message.message != kFaultReadFailed) return;
    pending_ = Pending::None;
    links_.link.RequestStop();
    if (message.message == kFaultReadFailed) {
        // One spoiled or lost reply is the line's, not the controller's: the read goes out
        // again (the link holds it until the line is quiet) before the wizard gives up.
        if (faultReadRetries_ < kWalkRetries) {
            ++faultReadRetries_;
            if (RequestFaultWord()) return;
        }
        links_.prompt.warn("Fatal Error. The fault data could not be read.");
        EndWith(WizardEnd::Failed);
        return;
    }
    uint16_t flags = links_.link.RequestValues()[0];
    if (faultVariable_->scaling.size == 1) flags = static_cast<uint16_t>(flags >> 8);
    SetButtons(kWizardNext);
    WizardForm& form = pages_.front()->form;
    if ((flags & 2) != 0 && !demo()) {
        links_.prompt.warn(fatalFaultText());
        EndWith(WizardEnd::Cancelled);
        return;
    }
    const bool uncalibrated = (flags & 1) != 0;
    form.at(kWelcomeText).label =
        uncalibrated ? "The unit is ready to be calibrated.\nClick Next to continue."
                     : "***Warning***\nThe unit is presently calibrated. The Reset option resets "
                       "all calibration parameters. It is recommended that the update option be "
                       "used or Calibrate->Change Calibration to change individual parameters.";
    form.Show(kWelcomeStart, !uncalibrated);
    startMode_ = uncalibrated ? 0 : 1;
    form.at(kWelcomeStart).selection = startMode_;
    Refresh();
}

PageMove WizardSheet::WelcomeNext() {
    const int choice = pages_.front()->form.selection(kWelcomeStart);
    if (choice != 0 && choice != 1) {
        links_.prompt.warn("You must Select Use Default or Current Values.");
        return PageMove::Stay;
    }
    startMode_ = choice;
    SetButtons(kWizardNoButtons);
    pending_ = Pending::WholeRead;
    links_.transfer.ReadAll({links_.self, kTransferDone, kTransferFailed, kTransferCancelled});
    return PageMove::Stay;
}

void WizardSheet::WelcomeRead(const PostedMessage& message) {
    // A fault-flag set that was on its way when that read stopped is not the transfer's.
    if (!IsTransferOutcome(message)) return;
    pending_ = Pending::None;
    if (message.message == kTransferDone) {
        TakeStartingValues();
        pages_.at(1)->preloaded = !(startMode_ == 1 || pagesAlwaysPreload());
        Move(PageMove::Next);
        return;
    }
    links_.prompt.warn(message.message == kTransferCancelled
                           ? "Fatal Error. The Calibration read was canceled by the user."
                           : "Fatal Error. The Calibration could not be read.");
    EndWith(message.message == kTransferCancelled ? WizardEnd::Cancelled : WizardEnd::Failed);
}

// ---- Summary and Complete ---------------------------------------------------------------

PageMove WizardSheet::SummaryNext() {
    UndoAnswers();
    recording_ = true;
    WriteAnswers();
    if (ScalarDef* password = scalar("PASSWORD")) password->fileRaw = password->controllerRaw;
    if (dropsFactorySettings()) Drop("FACTORY_SETTINGS");
    recording_ = false;
    // Again before the write: every value given to a scalar must fit it.
    std::string refused;
    for (const auto& [name, text] : misfits_) {
        if (scalar(name) != nullptr) refused += text + "\n";
    }
    if (!refused.empty()) {
        links_.prompt.error(refused + "Go Back and change the answers that give these values.");
        UndoAnswers();
        return PageMove::Stay;
    }
    StartWholeWrite();
    return PageMove::Stay;
}

void WizardSheet::StartWholeWrite() {
    SetButtons(kWizardNoButtons);
    pending_ = Pending::WholeWrite;
    // The sheet says itself what a failed write leaves in the controller.
    links_.transfer.WriteAll({.target = links_.self,
                              .done = kTransferDone,
                              .failed = kTransferFailed,
                              .aborted = kTransferCancelled,
                              .callerExplainsFailure = true});
}

void WizardSheet::SummaryWritten(const PostedMessage& message) {
    if (!IsTransferOutcome(message)) return;
    pending_ = Pending::None;
    if (message.message == kTransferDone) {
        written_ = true;
        partial_ = false;
        undo_.clear();
        dropped_.clear();
        Move(PageMove::Next);
        return;
    }
    partial_ = true;
    const bool failed = message.message == kTransferFailed;
    if (failed) lineFailed_ = true;
    const PromptAnswer answer =
        links_.prompt.show({failed ? kWizardWriteFailed : kWizardWriteStopped, kApplicationCaption,
                            PromptIcon::Error, PromptButtons::RetryCancel});
    if (ended()) return;
    if (answer == PromptAnswer::Retry) {
        StartWholeWrite();
        return;
    }
    // Back on the Summary with the answers kept: Next writes them again, Back changes them.
    SetButtons(kWizardBackNext);
    Refresh();
}

void WizardSheet::UndoAnswers() {
    for (ScalarDef& def : dropped_)
        document().scalars.insert(std::move(def));
    dropped_.clear();
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) {
        if (ScalarDef* def = scalar(it->first)) def->fileRaw = it->second;
        std::erase_if(misfits_, [&](const auto& misfit) { return misfit.first == it->first; });
    }
    undo_.clear();
}

void WizardSheet::CompleteActivate() {
    WizardForm& form = page().form;
    const auto texts = completeTexts();
    form.at("complete.text1").label = texts[0];
    form.at("complete.text2").label = texts[1];
    const bool options = completeShowsOptions() && !finishOnlyCloses();
    form.Show(kCompletePlot, options);
    form.Show(kCompleteSave, options);
    form.at(kCompletePlot).selection = 0;
    form.at(kCompleteSave).selection = 0;
    form.at("complete.instruction").label =
        finishOnlyCloses() ? "Click Finish to return to the main menu."
        : options          ? "Select any of the folowing options, then click Finish."
        : startMode_ == 1
            ? "Click Finish to close this window."
            : "Click Finish to automatically configure and placed into the Parameter Plot screen "
              "where you can adjust the ZEVAR PID gains.";
    CompleteSetUp(form);
    SetButtons(kWizardFinish);
}

void WizardSheet::WritePlotSetup() {
    SettingsStore* store = links_.settings;
    if (store == nullptr) return;
    const bool stored = store->readString("Plot 1 Name") || store->readString("Plot 2 Name");
    if (stored && !links_.prompt.askYesNo("There is an existing plot setup saved on this "
                                          "computer.\nDo you wish to overwrite it with the "
                                          "Wizard defaults?")) {
        return;
    }
    const auto [lowest, highest] = plotBounds();
    const std::string low = std::to_string(lowest);
    const std::string high = std::to_string(highest);
    store->writeString("Plot 1 Name", "engine_rpm");
    store->writeString("Plot 2 Name", "n_desired");
    store->writeString("Plot 1 Min", low);
    store->writeString("Plot 2 Min", low);
    store->writeString("Plot 1 Max", high);
    store->writeString("Plot 2 Max", high);
    store->writeString("Plot X Scale", "20");
    store->writeString("Plot X Sample Rate", "250");
}

void WizardSheet::TakeStartingValues() {
    if (startMode_ == 1) links_.transfer.CopyControllerToCal();
}

// ---- the shared operations --------------------------------------------------------------

DefinitionSet& WizardSheet::document() { return links_.transfer.definitions(); }

ScalarDef* WizardSheet::scalar(std::string_view name) { return document().scalars.find(name); }

VariableDef* WizardSheet::variable(std::string_view name) {
    return document().variables.find(name);
}

std::string WizardSheet::valueText(std::string_view name, bool current) {
    const ScalarDef* def = scalar(name);
    if (def == nullptr) return {};
    return formatDefValue(*def, current ? def->controllerRaw : def->fileRaw);
}

double WizardSheet::value(std::string_view name, bool current) {
    const ScalarDef* def = scalar(name);
    if (def == nullptr) return 0;
    return RawToEng(current ? def->controllerRaw : def->fileRaw, def->scaling);
}

void WizardSheet::Set(std::string_view name, double value) {
    ScalarDef* def = scalar(name);
    if (def == nullptr) return;
    Remember(*def);
    Judge(*def, value, CheckScalarFit(*def, value));
    def->fileRaw = EngToRaw(value, def->scaling);
}

void WizardSheet::SetRaw(std::string_view name, uint32_t raw) {
    ScalarDef* def = scalar(name);
    if (def == nullptr) return;
    Remember(*def);
    Judge(*def, raw, raw == def->controllerRaw ? ScalarFit{} : CheckRawFit(*def, raw));
    def->fileRaw = raw & RawMask(def->scaling.size);
}

void WizardSheet::Drop(std::string_view name) {
    ScalarDef* def = scalar(name);
    if (def == nullptr) return;
    std::erase_if(misfits_, [def](const auto& misfit) { return misfit.first == def->name; });
    if (recording_) dropped_.push_back(*def);
    document().scalars.remove(def);
}

void WizardSheet::Remember(const ScalarDef& def) {
    if (!recording_) return;
    const bool known = std::any_of(undo_.begin(), undo_.end(),
                                   [&](const auto& entry) { return entry.first == def.name; });
    if (!known) undo_.emplace_back(def.name, def.fileRaw);
}

void WizardSheet::Judge(const ScalarDef& def, double value, const ScalarFit& fit) {
    std::erase_if(misfits_, [&](const auto& misfit) { return misfit.first == def.name; });
    if (!fit.fits()) misfits_.emplace_back(def.name, ScalarFitText("The value", value, def, fit));
}

bool WizardSheet::RangeCheck(std::string_view label, double value, const RangeLimits& limits) {
    return zvr::RangeCheck(links_.prompt, label, value, limits);
}

bool WizardSheet::demo() const { return links_.link.IsDemo(); }

}  // namespace zvr
