#include "wizard/zevar210_wizard.h"

#include <cmath>
#include <cstdio>

#include "strategy/strategy_check.h"
#include "wizard/governor_fields.h"
#include "wizard/wizard_entry.h"

namespace zvr {

namespace {

constexpr const char* kEngine = "engine.";
constexpr const char* kTeeth = "engine.teeth";

// OVERSPEED_PCNT's value for a disabled overspeed shutdown: the top of its scale.
constexpr double kOverspeedDisabled = 1.99997;

constexpr const char* kString139 =
    "For simplicity, ZEVAR Wizard performs a basic calibration only and does not cover all "
    "options; it does not automatically assure optimum engine operation.  Please refer to the "
    "User's Manual for a complete discussion of ZEVAR 210 features and calibration procedures.";
constexpr const char* kString140 =
    "You are now ready to run your engine and adjust the PID gains.  Other features which you "
    "may wish to add include:\n\n\tUnderspeed Shutdown\t\t\tCold Start Gains";

}  // namespace

double OverspeedFraction(int percent) { return percent == 0 ? kOverspeedDisabled : percent * 0.01; }

bool OverspeedPercentAccepted(int percent) {
    return FirstRefusal(Zevar210Protection().front().setting.checks, percent) == nullptr;
}

int OverspeedPercentOf(double fraction) {
    const long percent = std::lround(fraction * 100);
    return percent > 0 && percent <= 100 ? static_cast<int>(percent) : 0;
}

// ---- Engine -----------------------------------------------------------------------------

Engine210Page::Engine210Page() : WizardPage("Configure Engine Speed Input") {
    AddEntries(form, kEngine, Zevar210EngineEntries(), true);
}

void Engine210Page::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    retainShown_ = true;
    form.at(kTeeth).text = PositiveIntegerText(sheet.value("PULSES_PER_REV"));
}

PageMove Engine210Page::Next(WizardSheet& sheet) {
    EntryValues values;
    if (!CheckEntries(sheet, form, kEngine, Zevar210EngineEntries(), values)) {
        return PageMove::Stay;
    }
    teeth = values.whole("teeth");
    cylinders = values.whole("cylinders");
    pulsesPerUpdate = PulsesPerUpdate(teeth, cylinders);
    skipped = false;
    return PageMove::Next;
}

PageMove Engine210Page::Retain(WizardSheet&) {
    skipped = true;
    return PageMove::Next;
}

// ---- Protect ----------------------------------------------------------------------------

Protect210Page::Protect210Page()
    : OptionPage("Configure Engine Protection", "protect.", Zevar210Protection(),
                 Zevar210ProtectionTexts()) {}

// The controller's OVERSPEED_PCNT is read by its engineering value: a percent up to 100 is
// an enabled shutdown, 0 or the disabled value (about 200 %) is none.
void Protect210Page::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const int current = OverspeedPercentOf(sheet.value("OVERSPEED_PCNT"));
    Preset(0, current != 0, std::to_string(current));
}

// ---- the sheet --------------------------------------------------------------------------

Zevar210Wizard::Zevar210Wizard(std::string strategyPath, WizardLinks links)
    : WizardSheet("ZEVAR 210 Calibration Wizard", std::move(strategyPath), links) {}

const WizardRequirements& Zevar210Wizard::requirements() const {
    return *RequirementsFor(ModelKind::Zevar210);
}

std::vector<std::unique_ptr<WizardPage>> Zevar210Wizard::BuildPages() {
    std::vector<std::unique_ptr<WizardPage>> pages;
    auto engine = std::make_unique<Engine210Page>();
    engine_ = engine.get();
    pages.push_back(std::move(engine));
    auto range = std::make_unique<SpeedRangePage>();
    speedRange_ = range.get();
    pages.push_back(std::move(range));
    auto protect = std::make_unique<Protect210Page>();
    protect_ = protect.get();
    pages.push_back(std::move(protect));
    return pages;
}

std::vector<SummaryRow> Zevar210Wizard::Rows() {
    std::vector<SummaryRow> rows;
    if (engine_->skipped) {
        rows.push_back({"Engine Setup Skipped.", "", ""});
    } else {
        rows.push_back({"Number of flywheel teeth", std::to_string(engine_->teeth), ""});
        rows.push_back({"Number engine cylinders", std::to_string(engine_->cylinders), ""});
    }
    char text[64];
    std::snprintf(text, sizeof text, "%10.2lf", speedRange_->lowest);
    rows.push_back({"Lowest command speed", text, "rpm"});
    std::snprintf(text, sizeof text, "%10.2lf", speedRange_->highest);
    rows.push_back({"Highest command speed", text, "rpm"});
    const int percent = protect_->percent();
    rows.push_back({"Overspeed Protection", percent == 0 ? "DISABLED" : std::to_string(percent),
                    percent == 0 ? "" : "%"});
    return rows;
}

void Zevar210Wizard::WriteAnswers() {
    if (!engine_->skipped) {
        Set("PULSES_PER_REV", engine_->teeth);
        const auto perUpdate = static_cast<uint32_t>(engine_->pulsesPerUpdate);
        SetRaw(scalar("PULSES_PER_UPDATE") ? "PULSES_PER_UPDATE" : "PULSES_PER_SAMPLE", perUpdate);
    }
    Set("SET_SPEED_MIN", speedRange_->lowest);
    Set("SET_SPEED_MAX", speedRange_->highest);
    Set("OVERSPEED_PCNT", OverspeedFraction(protect_->percent()));
}

std::pair<double, double> Zevar210Wizard::plotRange() const {
    return {speedRange_->lowest, speedRange_->highest};
}

std::array<std::string, 2> Zevar210Wizard::completeTexts() const {
    return {kString139, kString140};
}

std::string Zevar210Wizard::completeHeading() const {
    return "The ZEVAR 210 Calibration Wizard has been completed!";
}

// The Parameter Plot always follows: the graph option is checked and hidden.
void Zevar210Wizard::CompleteSetUp(WizardForm& form) {
    form.at(kCompletePlot).selection = 1;
    form.Hide(kCompletePlot);
    form.at(kCompleteSave).label = "Save ZEVAR Configuration to a File";
    form.Hide(kCompleteSave);
    form.at("complete.instruction").label =
        "The Parameter Plot screen will now be launched to help set the PID calibration.";
}

}  // namespace zvr
