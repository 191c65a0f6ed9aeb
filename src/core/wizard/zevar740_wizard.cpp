#include "wizard/zevar740_wizard.h"

#include <cstdio>

#include "strategy/strategy_check.h"
#include "wizard/governor_fields.h"

namespace zvr {

namespace {

std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string Integer(int value) { return std::to_string(value); }

const char* const kAnalogTexts[] = {"None",      "Pedal Control", "Pot or Analog",
                                    "Trim Mode", "CAN Input",     "Auto-idle Mode"};
// What the Summary calls an output mode.
const char* OutputText(int mode) {
    for (const AuxItem& item : AuxItems()) {
        if (item.mode == mode) return item.summary;
    }
    return "Invalid";
}

constexpr const char* kString130 =
    "For simplicity, ZEVAR Wizard performs a basic calibration only and does not cover all "
    "options; it does not automatically assure optimum engine operation.  Please refer to the "
    "User's Manual for a complete discussion of ZEVAR 740 features and calibration procedures.";
constexpr const char* kString131 =
    "You are now ready to run your engine and adjust the PID gains.  Other features which you "
    "may wish to add include:\n\n\tUnderspeed Shutdown\t\tActuator Current "
    "Limiting\n\tDroop\t\t\t\tCold Start Gains\n\tSpeed Decrease Delays\t\tAnalog Drift "
    "Compensation\n";

}  // namespace

Zevar740Wizard::Zevar740Wizard(std::string strategyPath, char identifierLetter, WizardLinks links)
    : Zevar740Wizard(std::move(strategyPath), identifierLetter, links, GovernorTraits{}) {}

Zevar740Wizard::Zevar740Wizard(std::string strategyPath, char identifierLetter, WizardLinks links,
                               GovernorTraits traits)
    : WizardSheet(traits.caption, std::move(strategyPath), links),
      traits_(std::move(traits)),
      identifierLetter_(identifierLetter) {}

const WizardRequirements& Zevar740Wizard::requirements() const {
    return *RequirementsFor(ModelKind::Zevar740);
}

std::vector<std::unique_ptr<WizardPage>> Zevar740Wizard::BuildPages() {
    std::vector<std::unique_ptr<WizardPage>> pages;
    if (traits_.fourTypeEngine || scalar("SPEED_TYPE") != nullptr) {
        auto page = std::make_unique<Engine760Page>(traits_.wholeSparks);
        engine760_ = page.get();
        pages.push_back(std::move(page));
    } else {
        auto page = std::make_unique<Engine740Page>();
        engine740_ = page.get();
        pages.push_back(std::move(page));
    }
    auto range = std::make_unique<SpeedRangePage>();
    speedRange_ = range.get();
    pages.push_back(std::move(range));
    auto analogPage = std::make_unique<AnalogPage>(identifierLetter_);
    analogPage->canAndAutoIdle = traits_.canAndAutoIdle;
    analog_ = analogPage.get();
    pages.push_back(std::move(analogPage));
    auto speedPage = std::make_unique<SpeedPage>(*this);
    speed_ = speedPage.get();
    pages.push_back(std::move(speedPage));
    const bool two = !traits_.oneOutput && scalar("AUXILIARY_OUTPUT_2_MODE") &&
                     scalar("AUX_OUTPUT_2_RPM") && scalar("GLOWPLUG_TIME");
    auto first = std::make_unique<AuxOutPage>(*this, 1, two);
    aux1_ = first.get();
    pages.push_back(std::move(first));
    if (two) {
        auto second = std::make_unique<AuxOutPage>(*this, 2, two);
        aux2_ = second.get();
        pages.push_back(std::move(second));
    }
    auto protectPage = std::make_unique<ProtectPage>();
    protect_ = protectPage.get();
    pages.push_back(std::move(protectPage));
    return pages;
}

bool Zevar740Wizard::engineSkipped() const {
    return engine760_ ? engine760_->skipped : engine740_->skipped;
}

// ---- Summary rows -----------------------------------------------------------------------

std::vector<SummaryRow> Zevar740Wizard::Rows() {
    std::vector<SummaryRow> rows;
    EngineRows(rows);
    rows.push_back({"Lowest command speed", Format("%10.2lf", speedRange_->lowest), "rpm"});
    rows.push_back({"Highest command speed", Format("%10.2lf", speedRange_->highest), "rpm"});
    AnalogRows(rows);
    SpeedRows(rows);
    AuxRows(rows, *aux1_);
    if (aux2_) AuxRows(rows, *aux2_);
    const int overspeed = protect_->overspeedRpm();
    const int delay = protect_->delay();
    rows.push_back({"Overspeed Protection", overspeed < 1 ? "DISABLED" : Integer(overspeed),
                    overspeed < 1 ? "" : "rpm"});
    rows.push_back({"Protection Switch delay", delay > 7999 ? "DISABLED" : Integer(delay),
                    delay > 7999 ? "" : "sec"});
    return rows;
}

void Zevar740Wizard::EngineRows(std::vector<SummaryRow>& rows) const {
    if (engineSkipped()) {
        rows.push_back({"Engine Setup Skipped.", "", ""});
        return;
    }
    if (engine740_) {
        if (engine740_->inputType == 0) {
            rows.push_back({"Number of flywheel teeth", Integer(engine740_->teeth), ""});
            rows.push_back({"Number engine cylinders", Integer(engine740_->cylinders), ""});
        } else {
            rows.push_back(
                {"Number Sparks Per Revolution", Format("%5.1f", engine740_->pulsesPerRev), ""});
        }
        return;
    }
    if (Engine760Page::TeethType(engine760_->inputType)) {
        rows.push_back({"Number of flywheel teeth", Integer(engine760_->teeth), ""});
        rows.push_back({"Number engine cylinders", Integer(engine760_->cylinders), ""});
    } else {
        rows.push_back(
            {"Number of sparks per revolution", Format("%5.1f", engine760_->sparks), ""});
    }
}

void Zevar740Wizard::AnalogRows(std::vector<SummaryRow>& rows) const {
    const AnalogPage& page = *analog_;
    const bool known = page.mode >= 0 && page.mode <= 5;
    rows.push_back(
        {"Analog Input Configuration", known ? kAnalogTexts[page.mode] : "Invalid Selection", ""});
    if (page.mode == kAnalogPedal) {
        rows.push_back({"IVS Switch Present", page.ivsPresent ? "Yes" : "No", ""});
    }
    if (!page.skipped && page.mode > 0) {
        rows.push_back({"Min Position ADC", Integer(page.minimumCapture), ""});
        rows.push_back({traits_.maximumCaptureRow, Integer(page.maximumCapture), ""});
        rows.push_back({"Min Cal (Read from controller)", Integer(page.appMin), ""});
        rows.push_back({"Range Cal (Read from controller)", Integer(page.appRange), ""});
    }
    if (page.mode == kAnalogTrim) rows.push_back({"Trim RPM", Integer(page.trimRpm), "rpm"});
}

void Zevar740Wizard::SpeedRows(std::vector<SummaryRow>& rows) const {
    const SpeedPage& page = *speed_;
    if (page.speeds.count > 0) {
        AddSpeedRows(rows, page.speeds);
    } else {
        rows.push_back({"NO SET SPEEDS", "", ""});
    }
    rows.push_back({"Ramp Up Rate", Integer(page.rampUp), "rpm/sec"});
    rows.push_back({"Ramp Down Rate", Integer(page.rampDown), "rpm/sec"});
}

void Zevar740Wizard::AuxRows(std::vector<SummaryRow>& rows, const AuxOutPage& page) const {
    const bool second = page.output == 2;
    const std::string indent = second ? "" : "   ";
    const char* heading = second  ? "Auxiliary Output 2 Of 2"
                          : aux2_ ? "Auxiliary Output 1 Of 2"
                                  : "Auxiliary Output";
    rows.push_back({heading, OutputText(page.mode), ""});
    const EntryValues& settings = page.settings();
    if (page.mode == 1) {
        rows.push_back({indent + "Speed output limit", Integer(settings.whole("rpm")), "rpm"});
    }
    if (page.mode == 4) {
        rows.push_back({indent + "Crank Time", Integer(settings.whole("crank")), "sec"});
        rows.push_back({indent + "Rest Time", Format("%0.1lf", settings.at("rest")), "sec"});
        rows.push_back({indent + "Retry Count", Integer(settings.whole("tries")), ""});
    }
    if (page.mode == 6) {
        rows.push_back(
            {"   Glowplug preheat time", Format("%0.1f", settings.at("preheat")), "sec"});
    }
}

// ---- the Summary write ------------------------------------------------------------------

void Zevar740Wizard::WriteAnswers() {
    const AnalogPage& analogPage = *analog_;
    const SpeedPage& speedPage = *speed_;
    const double lowest = speedRange_->lowest;
    const double highest = speedRange_->highest;

    const int count = speedPage.speeds.count;
    SetRaw("EXTERNAL_ANALOG_MODE", static_cast<uint32_t>(analogPage.ModeCode(count)));
    WriteEngine();
    SetRaw("SWITCH_CONFIGURATION", static_cast<uint32_t>(count));
    if (analogPage.skipped) {
        SetRaw("APP_MIN_CAL", analogPage.savedMinimum);
        SetRaw("APP_RANGE_CAL", analogPage.savedRange);
    } else {
        Drop("APP_MIN_CAL");
        Drop("APP_RANGE_CAL");
    }
    SetRaw("AUXILIARY_OUTPUT_MODE", static_cast<uint32_t>(aux1_->mode));
    if (aux2_) SetRaw("AUXILIARY_OUTPUT_2_MODE", static_cast<uint32_t>(aux2_->mode));
    Set("SET_SPEED_MIN", lowest);
    Set("SET_SPEED_MAX", highest);
    if (count > 0 || analogPage.mode == kAnalogAutoIdle) {
        Set("WARMUP_TIME", speedPage.warmupTime);
        if (speedPage.warmupTime != 0) Set("SET_SPEED_WARMUP", speedPage.warmupSpeed);
    } else {
        SetRaw("WARMUP_TIME", 0);
    }
    if (!(count == 1 && analogPage.mode == kAnalogNone)) {
        Set("RAMP_UP_RATE", speedPage.rampUp);
        Set("RAMP_DOWN_RATE", speedPage.rampDown);
        if (traits_.brakeRates) {
            Set("BRAKE_DOWN_RATE", speedPage.rampDown);
            Set("BRAKE_UP_RATE", speedPage.rampUp);
        }
    }
    if (analogPage.mode == kAnalogTrim) Set("SET_SPEED_TRIM", analogPage.trimRpm);
    WriteAux(*aux1_);
    if (aux2_) WriteAux(*aux2_);
    if (analogPage.mode == kAnalogAutoIdle) {
        for (const char* name : {"SET_SPEED_MIN_1", "SET_SPEED_MIN_2", "SET_SPEED_MIN_3"}) {
            Set(name, lowest);
        }
        for (const char* name : {"SET_SPEED_MAX_1", "SET_SPEED_MAX_2", "SET_SPEED_MAX_3"}) {
            Set(name, highest);
        }
    }
    // A variable speed replaces SET_SPEED_MIN and SET_SPEED_MAX set above.
    WriteSpeeds(*this, speedPage.speeds);
    Set("OVERSPEED_RPM", protect_->overspeedRpm());
    Set("ENGINE_PRTCT_RUN_TIME", protect_->delay());
}

void Zevar740Wizard::WriteEngine() {
    if (engineSkipped()) return;
    if (engine740_) {
        Set("PULSES_PER_REV", engine740_->pulsesPerRev);
        const auto perUpdate = static_cast<uint32_t>(engine740_->pulsesPerUpdate);
        SetRaw(scalar("PULSES_PER_UPDATE") ? "PULSES_PER_UPDATE" : "PULSES_PER_SAMPLE", perUpdate);
        return;
    }
    const Engine760Page& page = *engine760_;
    if (Engine760Page::TeethType(page.inputType)) {
        Set("PULSES_PER_REV", page.teeth);
        if (page.cylinders > 0) {
            Set("PULSES_PER_UPDATE", 2.0 * page.teeth / page.cylinders);
        }
    } else {
        Set("PULSES_PER_REV", page.sparks);
        Set("PULSES_PER_UPDATE", 1);
    }
    const auto types = SpeedTypes();
    if (page.inputType >= 0 && page.inputType < static_cast<int>(types.size())) {
        SetRaw("SPEED_TYPE", types[page.inputType].code);
    }
}

// The settings of the output's mode, each into its scalar.
void Zevar740Wizard::WriteAux(const AuxOutPage& page) {
    for (const NumberEntry& entry : page.settingEntries(page.mode))
        Set(entry.scalar, page.settings().at(entry.key));
}

// ---- the analog process and the end of the run ------------------------------------------

void Zevar740Wizard::ProcessAnswered(ProcessAnswer answer) { analog_->Answered(*this, answer); }

bool Zevar740Wizard::StartRestore() { return analog_ != nullptr && analog_->StartRestore(*this); }

std::pair<double, double> Zevar740Wizard::plotRange() const {
    return {speedRange_->lowest, speedRange_->highest};
}

std::array<std::string, 2> Zevar740Wizard::completeTexts() const {
    return {kString130, kString131};
}

std::string Zevar740Wizard::welcomeHeading() const {
    return traits_.welcomeHeading.empty() ? WizardSheet::welcomeHeading() : traits_.welcomeHeading;
}

std::string Zevar740Wizard::completeHeading() const {
    return traits_.completeHeading.empty() ? WizardSheet::completeHeading()
                                           : traits_.completeHeading;
}

}  // namespace zvr
