#include "wizard/kms2_wizard.h"

#include <cstdio>

#include "common/user_prompt.h"
#include "strategy/strategy_check.h"
#include "wizard/governor_fields.h"

namespace zvr {

namespace {

constexpr const char* kString141 =
    "For further calibration, you may use the Calibrate/Change KMS-2 Calibration option.  To "
    "display variables such as engine speed in real time you may use the Monitor/Parameter View "
    "option.  Please refer to the User's Manual for a complete discussion of features and "
    "calibration procedures.";

constexpr const char* kResetTexts[] = {"Automatic Reset on % of Set Speed", "Latched Reset",
                                       "Manual Switch"};

// The flywheel's teeth, asked about as on the governors' engine pages.
constexpr NumberEntry kTeethEntry[] = {
    {.key = "teeth",
     .name = "Number of teeth",
     .scalar = "PULSES_PER_REV",
     .checks = kTeethQuestions},
};

}  // namespace

Kms2EnginePage::Kms2EnginePage() : WizardPage("Configure Engine Speed Input") {
    form.Add({.id = "engine.info",
              .kind = FieldKind::Text,
              .label = "This KSM-2 unit is intended for use with a mag pickup."});
    form.Add({.id = "engine.teeth",
              .kind = FieldKind::Edit,
              .label = "How many teeth does the Flywheel have?"});
}

void Kms2EnginePage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    form.at("engine.teeth").text = sheet.valueText("PULSES_PER_REV");
}

PageMove Kms2EnginePage::Next(WizardSheet& sheet) {
    EntryValues values;
    if (!CheckEntries(sheet, form, "engine.", kTeethEntry, values)) return PageMove::Stay;
    teeth = values.whole("teeth");
    pulsesPerRev = teeth;
    return PageMove::Next;
}

Kms2Wizard::Kms2Wizard(std::string strategyPath, WizardLinks links)
    : SpeedSwitchWizard("KMS-2 Calibration Wizard", std::move(strategyPath), links) {}

const WizardRequirements& Kms2Wizard::requirements() const {
    return *RequirementsFor(ModelKind::Kms2);
}

std::vector<std::unique_ptr<WizardPage>> Kms2Wizard::BuildPages() {
    std::vector<std::unique_ptr<WizardPage>> pages;
    auto engine = std::make_unique<Kms2EnginePage>();
    engine_ = engine.get();
    pages.push_back(std::move(engine));
    AddChannelsAndProtection(pages, Kms2Channel(), 2, Kms2Protection());
    return pages;
}

double Kms2Wizard::PulsesPerUpdate() {
    return PulsesPerUpdateAt(engine_->pulsesPerRev,
                             LowestSetSpeed(ChannelSpeeds("SET_SPEED_%d_MIN")));
}

std::vector<SummaryRow> Kms2Wizard::Rows() {
    std::vector<SummaryRow> rows;
    rows.push_back({"Number of flywheel teeth", std::to_string(engine_->teeth), ""});
    for (const ChannelPage* page : channels()) {
        const std::string prefix = "Channel " + std::to_string(page->channel()) + " ";
        const auto name = [page](const char* pattern) {
            return ScalarName(pattern, page->channel());
        };
        rows.push_back(ModeRow(*page));
        if (page->mode() == kAutocrank) {
            rows.push_back(ScalarRow(prefix + "Rest Time", "AUTOCRANK_REST_TIME"));
            rows.push_back(ScalarRow(prefix + "Max Retry Count", "AUTOCRANK_MAX_TRIES"));
            rows.push_back(ScalarRow(prefix + "Max Crank Disable", name("SET_SPEED_%d_MAX")));
            rows.push_back(ScalarRow(prefix + "Min Crank Disable", name("SET_SPEED_%d_MIN")));
        } else if (page->mode() == kGlowPlug) {
            rows.push_back(ScalarRow(prefix + "Glow Time", "GLOWPLUG_TIME"));
        } else {
            const int option = page->resetOption();
            rows.push_back(
                {prefix + "Reset Type", option >= 0 && option <= 2 ? kResetTexts[option] : "", ""});
            rows.push_back(ScalarRow(prefix + "Min Set Speed", name("SET_SPEED_%d_MIN")));
            rows.push_back(ScalarRow(prefix + "Max Set Speed", name("SET_SPEED_%d_MAX")));
            rows.push_back(ScalarRow(prefix + "Set Delay", name("SET_DELAY_%d")));
            rows.push_back(ScalarRow(prefix + "Reset Delay", name("RESET_DELAY_%d")));
            char percent[32];
            std::snprintf(percent, sizeof percent, "%0.2f",
                          value(name("RESET_PCNT_%d"), /*current=*/false));
            rows.push_back({prefix + "Reset Percentage", percent, ""});
        }
    }
    rows.push_back(ScalarRow("Protection:Enable RPM", "EP_ENABLE_RPM"));
    rows.push_back(ScalarRow("Protection:Run Time", "EP_RUN_TIME"));
    rows.push_back(ScalarRow("Protection:Debounce Time", "EP_TIME"));
    rows.push_back(ScalarRow("Protection:Loss Of Speed Time", "LOSS_TIME"));
    return rows;
}

void Kms2Wizard::WriteAnswers() {
    if (ScalarDef* options = scalar("SW_OPTIONS1")) options->fileRaw = options->controllerRaw;
    Set("PULSES_PER_REV", engine_->pulsesPerRev);
    const double perUpdate = PulsesPerUpdate();
    Set("PULSES_PER_UPDATE", perUpdate);
    Set("PULSES_PER_SAMPLE", perUpdate);
}

std::string Kms2Wizard::completeHeading() const {
    return "The KMS-2 Calibration Wizard is complete!";
}

std::array<std::string, 2> Kms2Wizard::completeTexts() const { return {kString141, ""}; }

}  // namespace zvr
