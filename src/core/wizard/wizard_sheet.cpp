#include "wizard/wizard_sheet.h"

#include <algorithm>
#include <cmath>

#include "calibration/cal_transfer.h"
#include "comm/controller_protocol.h"
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
    PageMove next(WizardSheet&) override { return PageMove::Stay; }
};

std::unique_ptr<WizardPage> MakeWelcome(const std::string& heading) {
    auto page = std::make_unique<SharedPage>(heading);
    page->form.add({.id = kWelcomeText, .kind = FieldKind::Text});
    page->form.add({.id = kWelcomeDefaultNote,
                    .kind = FieldKind::Text,
                    .label = "The Wizard will be initialized with the default values read from "
                             "the calibration file. All calibration values will be reset.",
                    .visible = false});
    page->form.add({.id = kWelcomeCurrentNote,
                    .kind = FieldKind::Text,
                    .label = "The Wizard will be initialized with the values read from the "
                             "controller. Only the calibration data that is changed will be "
                             "updated.",
                    .visible = false});
    page->form.add({.id = kWelcomeStart,
                    .kind = FieldKind::Radio,
                    .items = {"Start with default values", "Start with current values"},
                    .visible = false});
    return page;
}

std::unique_ptr<WizardPage> MakeSummary() {
    auto page = std::make_unique<SharedPage>(kSummaryHeading);
    return page;
}

std::unique_ptr<WizardPage> MakeComplete(const std::string& heading) {
    auto page = std::make_unique<SharedPage>(heading);
    page->form.add({.id = "complete.text1", .kind = FieldKind::Text});
    page->form.add({.id = "complete.text2", .kind = FieldKind::Text});
    page->form.add({.id = "complete.instruction", .kind = FieldKind::Text});
    page->form.add(
        {.id = kCompletePlot, .kind = FieldKind::Check, .label = "Show Engine Speed Graph"});
    page->form.add({.id = kCompleteSave,
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

bool WizardSheet::start() {
    if (links_.transfer.LoadFile(strategyPath_) != 0) {
        links_.prompt.error("Fatal Error. Could not initialize from file");
        end_ = WizardEnd::Cancelled;
        return false;
    }
    pages_.push_back(MakeWelcome(welcomeHeading()));
    for (auto& page : buildPages())
        pages_.push_back(std::move(page));
    pages_.push_back(MakeSummary());
    pages_.push_back(MakeComplete(completeHeading()));
    filled_.assign(pages_.size(), false);
    if (!checkRequired()) return false;
    current_ = 0;
    activateCurrent();
    return !ended();
}

bool WizardSheet::checkRequired() {
    const WizardRequirements& needs = requirements();
    for (std::string_view name : needs.requiredParameters) {
        if (scalar(name) == nullptr) {
            links_.prompt.warn("Fatal Error. Could not find parameter '" + std::string(name) +
                               "' in file '" + strategyPath_ + "'");
            endWith(WizardEnd::Cancelled);
            return false;
        }
    }
    faultVariable_ = variable(needs.faultVariable);
    if (faultVariable_ == nullptr) {
        links_.prompt.warn("Fatal Error. Could not find variable '" +
                           std::string(needs.faultVariable) + "' in file '" + strategyPath_ + "'");
        endWith(WizardEnd::Cancelled);
        return false;
    }
    return true;
}

// ---- the person's actions ---------------------------------------------------------------

void WizardSheet::next() {
    if (ended() || process_ || (buttons_ & kWizardNext) == 0) return;
    if (onWelcome()) {
        move(welcomeNext());
    } else if (onSummary()) {
        move(summaryNext());
    } else {
        move(page().next(*this));
    }
}

void WizardSheet::back() {
    if (ended() || process_ || (buttons_ & 1) == 0 || onWelcome()) return;
    if (onSummary() || onComplete()) {
        move(PageMove::Previous);
        return;
    }
    move(page().back(*this));
}

void WizardSheet::retain() {
    if (ended() || process_ || (buttons_ & kWizardNext) == 0 || !page().retainOffered()) return;
    move(page().retain(*this));
}

void WizardSheet::changed(std::string_view fieldId) {
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
        refresh();
        return;
    }
    shown.changed(*this, fieldId);
    refresh();
}

void WizardSheet::answerProcess(ProcessAnswer answer) {
    if (ended() || !process_) return;
    const auto buttons = process_->offered();
    if (std::none_of(buttons.begin(), buttons.end(),
                     [answer](const ProcessButton& button) { return button.answer == answer; })) {
        return;
    }
    closeProcess();
    processAnswered(answer);
}

void WizardSheet::cancel() {
    if (ended()) return;
    if (pending_ == Pending::WholeRead || pending_ == Pending::WholeWrite) {
        pending_ = Pending::None;
        links_.transfer.Abort();
    }
    if (pending_ == Pending::FaultRead) {
        pending_ = Pending::None;
        links_.link.RequestStop();
    }
    closeProcess();
    if (startRestore()) return;
    stopFamilyRequests();
    endWith(WizardEnd::Cancelled);
}

void WizardSheet::finish() {
    if (ended() || (buttons_ & kWizardFinish) == 0) return;
    WizardForm& form = page().form;
    const bool options = completeShowsOptions();
    if (finishOnlyCloses()) {
        endWith(WizardEnd::Finished);
        return;
    }
    if (form.selection(kCompletePlot) == 1 || (!options && startMode_ == 0)) {
        writePlotSetup();
        links_.presenter.postCommand(kCmdParameterPlot);
    } else if (form.selection(kCompleteSave) == 1) {
        links_.presenter.postCommand(kCmdSaveCal);
    }
    endWith(WizardEnd::Finished);
}

void WizardSheet::handle(const PostedMessage& message) {
    if (ended()) {
        // A restore may still be finishing after the sheet ended: nothing else listens.
        handleFamily(message);
        return;
    }
    switch (pending_) {
        case Pending::FaultRead:
            welcomeFaults(message);
            return;
        case Pending::WholeRead:
            welcomeRead(message);
            return;
        case Pending::WholeWrite:
            summaryWritten(message);
            return;
        case Pending::None:
            handleFamily(message);
            return;
    }
}

// ---- moving between pages ---------------------------------------------------------------

void WizardSheet::move(PageMove move) {
    if (ended()) return;
    if (move == PageMove::Stay) {
        refresh();
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
    activateCurrent();
}

void WizardSheet::activateCurrent() {
    if (onWelcome()) {
        welcomeActivate();
    } else if (onSummary()) {
        rows_ = rows();
        setButtons(kWizardBackNext);
    } else if (onComplete()) {
        completeActivate();
    } else {
        setButtons(kWizardBackNext);
        const bool wasPreloaded = page().preloaded;
        page().activate(*this);
        if (!wasPreloaded && page().preloaded) filled_.at(current_) = true;
    }
    if (!ended()) refresh();
}

void WizardSheet::refresh() {
    if (!ended()) links_.presenter.showPage(page());
}

void WizardSheet::refreshLive() {
    if (!ended()) links_.presenter.showLive(page());
}

void WizardSheet::setButtons(int mask) {
    buttons_ = mask;
    links_.presenter.setButtons(mask);
}

void WizardSheet::openProcess(ProcessPrompt prompt) {
    process_ = std::move(prompt);
    links_.presenter.showProcess(*process_);
}

void WizardSheet::closeProcess() {
    if (!process_) return;
    process_.reset();
    links_.presenter.hideProcess();
}

void WizardSheet::endWith(WizardEnd end) {
    if (ended()) return;
    closeProcess();
    end_ = end;
}

WizardPage* WizardSheet::pageAfter(const WizardPage* page) {
    for (size_t i = 0; i + 1 < pages_.size(); ++i) {
        if (pages_[i].get() == page) return pages_[i + 1].get();
    }
    return nullptr;
}

// ---- Welcome ----------------------------------------------------------------------------

void WizardSheet::welcomeActivate() {
    setButtons(kWizardNoButtons);
    const uint16_t address = static_cast<uint16_t>(faultVariable_->ramAddress);
    pending_ = Pending::FaultRead;
    if (links_.link.RequestReadVariables(std::span(&address, 1), links_.self, kFaultReadDone,
                                         kFaultReadFailed) != 0) {
        pending_ = Pending::None;
        links_.prompt.warn("Fatal Error. The fault data could not be read.");
        endWith(WizardEnd::Failed);
    }
}

void WizardSheet::welcomeFaults(const PostedMessage& message) {
    if (message.message != kFaultReadDone && message.message != kFaultReadFailed) return;
    pending_ = Pending::None;
    links_.link.RequestStop();
    if (message.message == kFaultReadFailed) {
        links_.prompt.warn("Fatal Error. The fault data could not be read.");
        endWith(WizardEnd::Failed);
        return;
    }
    uint16_t flags = links_.link.RequestValues()[0];
    if (faultVariable_->scaling.size == 1) flags = static_cast<uint16_t>(flags >> 8);
    setButtons(kWizardNext);
    WizardForm& form = pages_.front()->form;
    if ((flags & 2) != 0 && !demo()) {
        links_.prompt.warn(fatalFaultText());
        endWith(WizardEnd::Cancelled);
        return;
    }
    const bool uncalibrated = (flags & 1) != 0;
    form.at(kWelcomeText).label =
        uncalibrated ? "The unit is ready to be calibrated.\nClick Next to continue."
                     : "***Warning***\nThe unit is presently calibrated. The Reset option resets "
                       "all calibration parameters. It is recommended that the update option be "
                       "used or Calibrate->Change Calibration to change individual parameters.";
    form.show(kWelcomeStart, !uncalibrated);
    form.show(kWelcomeDefaultNote, !uncalibrated);
    form.show(kWelcomeCurrentNote, !uncalibrated);
    startMode_ = uncalibrated ? 0 : 1;
    form.at(kWelcomeStart).selection = startMode_;
    refresh();
}

PageMove WizardSheet::welcomeNext() {
    const int choice = pages_.front()->form.selection(kWelcomeStart);
    if (choice != 0 && choice != 1) {
        links_.prompt.warn("You must Select Use Default or Current Values.");
        return PageMove::Stay;
    }
    startMode_ = choice;
    setButtons(kWizardNoButtons);
    pending_ = Pending::WholeRead;
    links_.transfer.ReadAll({links_.self, kTransferDone, kTransferFailed, kTransferCancelled});
    return PageMove::Stay;
}

void WizardSheet::welcomeRead(const PostedMessage& message) {
    // A fault-flag set that was on its way when that read stopped is not the transfer's.
    if (!IsTransferOutcome(message)) return;
    pending_ = Pending::None;
    if (message.message == kTransferDone) {
        takeStartingValues();
        pages_.at(1)->preloaded = !(startMode_ == 1 || pagesAlwaysPreload());
        move(PageMove::Next);
        return;
    }
    links_.prompt.warn(message.message == kTransferCancelled
                           ? "Fatal Error. The Calibration read was canceled by the user."
                           : "Fatal Error. The Calibration could not be read.");
    endWith(message.message == kTransferCancelled ? WizardEnd::Cancelled : WizardEnd::Failed);
}

// ---- Summary and Complete ---------------------------------------------------------------

PageMove WizardSheet::summaryNext() {
    writeAnswers();
    if (ScalarDef* password = scalar("PASSWORD")) password->fileRaw = password->controllerRaw;
    if (dropsFactorySettings()) drop("FACTORY_SETTINGS");
    setButtons(kWizardNoButtons);
    pending_ = Pending::WholeWrite;
    links_.transfer.WriteAll({links_.self, kTransferDone, kTransferFailed, kTransferCancelled});
    return PageMove::Stay;
}

void WizardSheet::summaryWritten(const PostedMessage& message) {
    if (!IsTransferOutcome(message)) return;
    pending_ = Pending::None;
    if (message.message == kTransferDone) {
        written_ = true;
        move(PageMove::Next);
        return;
    }
    lineFailed_ = message.message == kTransferFailed;
    if (failedWriteEndsSheet()) {
        links_.prompt.error(lineFailed_
                                ? "There was a communication error writing the configuration."
                                : "Write Configuration was canceled. Not all parameters updated.");
        endWith(lineFailed_ ? WizardEnd::Failed : WizardEnd::Cancelled);
        return;
    }
    // The page stays with every button disabled: the only way out is Cancel.
    writeFailed_ = true;
    setButtons(kWizardNoButtons);
}

void WizardSheet::completeActivate() {
    WizardForm& form = page().form;
    const auto texts = completeTexts();
    form.at("complete.text1").label = texts[0];
    form.at("complete.text2").label = texts[1];
    const bool options = completeShowsOptions() && !finishOnlyCloses();
    form.show(kCompletePlot, options);
    form.show(kCompleteSave, options);
    form.at(kCompletePlot).selection = 0;
    form.at(kCompleteSave).selection = 0;
    form.at("complete.instruction").label =
        finishOnlyCloses() ? "Click Finish to return to the main menu."
        : options          ? "Select any of the folowing options, then click Finish."
        : startMode_ == 1
            ? "Click Finish to close this window."
            : "Click Finish to automatically configure and placed into the Parameter Plot screen "
              "where you can adjust the ZEVAR PID gains.";
    completeSetUp(form);
    setButtons(kWizardFinish);
}

void WizardSheet::writePlotSetup() {
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

void WizardSheet::takeStartingValues() {
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

void WizardSheet::set(std::string_view name, double value) {
    if (ScalarDef* def = scalar(name)) def->fileRaw = EngToRaw(value, def->scaling);
}

void WizardSheet::setRaw(std::string_view name, uint32_t raw) {
    if (ScalarDef* def = scalar(name)) def->fileRaw = raw & RawMask(def->scaling.size);
}

void WizardSheet::drop(std::string_view name) {
    if (ScalarDef* def = scalar(name)) document().scalars.remove(def);
}

bool WizardSheet::rangeCheck(std::string_view label, double value, const RangeLimits& limits) {
    return RangeCheck(links_.prompt, label, value, limits);
}

bool WizardSheet::demo() const { return links_.link.IsDemo(); }

}  // namespace zvr
