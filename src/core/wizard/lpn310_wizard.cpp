#include "wizard/lpn310_wizard.h"

#include "common/user_prompt.h"
#include "strategy/strategy_check.h"
#include "wizard/governor_fields.h"

namespace zvr {

namespace {

constexpr const char* kString134 =
    "For further calibration, you may use the Calibrate/Change LPN Calibration option.  To "
    "display variables such as engine speed in real time you may use the Monitor/Parameter View "
    "option.  Please refer to the User's Manual for a complete discussion of features and "
    "calibration procedures.";

// The teeth of a pickup or Hall sensor ("engine.teeth"), or the spark pulses of the ignition
// ("engine.sparks"), checked as on the governors' engine pages.
constexpr NumberEntry kTeethEntry[] = {
    {.key = "teeth",
     .name = "Number of teeth",
     .scalar = "PULSES_PER_REV",
     .checks = kTeethQuestions},
};
constexpr NumberEntry kSparkEntry[] = {
    {.key = "sparks",
     .name = "Number of spark pulses",
     .scalar = "PULSES_PER_REV",
     .checks = kCylinderChecks},
};

constexpr const char* kResetTexts[] = {"80% of Set Speed", "User Selectable Speed", "Latched Reset",
                                       "Manual Switch"};

}  // namespace

// ---- Engine -------------------------------------------------------------------------------

Lpn310EnginePage::Lpn310EnginePage() : WizardPage("Configure Engine Speed Input") {
    form.Add({.id = "engine.type",
              .kind = FieldKind::Choice,
              .label = "How will the engine speed be detected?",
              .items = {"Magnetic Pickup (MPU)", "Ignition System", "Hall Effect Sensor"}});
    form.Add({.id = "engine.info", .kind = FieldKind::Text});
    form.Add({.id = "engine.teeth",
              .kind = FieldKind::Edit,
              .label = "How many teeth does the Flywheel have?"});
    form.Add({.id = "engine.sparks",
              .kind = FieldKind::Edit,
              .label = "How many spark pulses sensed during each engine rev? : ",
              .visible = false});
}

void Lpn310EnginePage::Activate(WizardSheet& sheet) {
    skipped = false;
    if (preloaded) return;
    const ScalarDef* speedType = sheet.scalar("SPEED_TYPE");
    if (speedType == nullptr) return;
    preloaded = true;
    if (const ScalarDef* swOptions = sheet.scalar("SW_OPTIONS1"))
        options = swOptions->controllerRaw;
    form.at("engine.type").selection =
        speedType->controllerRaw <= 2 ? static_cast<int>(speedType->controllerRaw) : -1;
    const std::string pulses = sheet.valueText("PULSES_PER_REV");
    form.at("engine.teeth").text = pulses;
    form.at("engine.sparks").text = pulses;
    ApplyType();
}

void Lpn310EnginePage::Changed(WizardSheet&, std::string_view fieldId) {
    if (fieldId == "engine.type") ApplyType();
}

void Lpn310EnginePage::ApplyType() {
    const int type = form.selection("engine.type");
    if (type < 0 || type > 2) return;
    form.at("engine.info").label =
        TeethType(type) ? "This LPN unit is intended for use with a mag pickup."
                        : "Your LPN unit is intended for use with an ignition or magneto input.";
    form.Show("engine.teeth", TeethType(type));
    form.Show("engine.sparks", !TeethType(type));
}

PageMove Lpn310EnginePage::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    const int type = form.selection("engine.type");
    if (type < 0 || type > 2) {
        prompt.error("You must select an input type to continue.");
        return PageMove::Stay;
    }
    const bool teeth = TeethType(type);
    EntryValues values;
    const std::span<const NumberEntry> entries =
        teeth ? std::span<const NumberEntry>(kTeethEntry) : kSparkEntry;
    if (!CheckEntries(sheet, form, "engine.", entries, values)) return PageMove::Stay;
    count = values.whole(entries.front().key);
    speedTypeFlag = teeth ? 1 : 0;
    inputType = type;
    pulsesPerRev = count;
    skipped = false;
    return PageMove::Next;
}

PageMove Lpn310EnginePage::Retain(WizardSheet&) {
    skipped = true;
    return PageMove::Next;
}

// ---- the sheet ----------------------------------------------------------------------------

Lpn310Wizard::Lpn310Wizard(std::string strategyPath, WizardLinks links)
    : SpeedSwitchWizard("ECM 310 Calibration Wizard", std::move(strategyPath), links) {}

const WizardRequirements& Lpn310Wizard::requirements() const {
    return *RequirementsFor(ModelKind::Lpn310);
}

std::vector<std::unique_ptr<WizardPage>> Lpn310Wizard::BuildPages() {
    std::vector<std::unique_ptr<WizardPage>> pages;
    auto engine = std::make_unique<Lpn310EnginePage>();
    engine_ = engine.get();
    pages.push_back(std::move(engine));
    AddChannelsAndProtection(pages, Lpn310Channel(), 3, Lpn310Protection());
    return pages;
}

// The values the answers imply, into the cal-file values, as the Summary is shown.
void Lpn310Wizard::Derive() {
    // "Automatic Reset at 80% of Set Speed" needs no engine input: it follows the set speed
    // even when the engine set-up was retained.
    for (const ChannelPage* page : channels()) {
        if (page->resetOption() != 0 || page->mode() > kReverseSwitch) continue;
        const std::string n = std::to_string(page->channel());
        Set("RESET_SPEED_" + n, 0.8 * value("SET_SPEED_" + n, /*current=*/false));
    }
    if (engine_->skipped) return;
    const Lpn310Derived derived =
        DeriveLpn310(ChannelSpeeds("SET_SPEED_%d"), engine_->pulsesPerRev);
    Set("NOSTART_2_CRANK", derived.noStartToCrank);
    Set("LPN_TIMEOUT", derived.timeout);
    if (derived.crankDisable) Set("CRANK_DISABLE", *derived.crankDisable);
    pulsesPerUpdate_ = derived.pulsesPerUpdate;
}

std::vector<SummaryRow> Lpn310Wizard::Rows() {
    Derive();
    std::vector<SummaryRow> rows;
    if (engine_->skipped) {
        rows.push_back({"Engine Setup skipped", "", ""});
    } else {
        rows.push_back({Lpn310EnginePage::TeethType(engine_->inputType)
                            ? "Number of flywheel teeth"
                            : "Number of spark signals per engine rev",
                        std::to_string(engine_->count), ""});
    }
    for (const ChannelPage* page : channels()) {
        const std::string prefix = "Channel " + std::to_string(page->channel()) + " ";
        const std::string n = std::to_string(page->channel());
        rows.push_back(ModeRow(*page));
        if (page->mode() == kAutocrank) {
            rows.push_back(ScalarRow(prefix + "Rest Time", "AUTOCRANK_REST_TIME"));
            rows.push_back(ScalarRow(prefix + "Max Retry Count", "AUTOCRANK_MAX_TRIES"));
            rows.push_back(ScalarRow(prefix + "Crank Disable", "CRANK_DISABLE"));
        } else if (page->mode() == kGlowPlug) {
            rows.push_back(ScalarRow(prefix + "Glow Time", "GLOWPLUG_TIME"));
        } else {
            const int option = page->resetOption();
            rows.push_back(
                {prefix + "Reset Type", option >= 0 && option <= 3 ? kResetTexts[option] : "", ""});
            rows.push_back(ScalarRow(prefix + "Set Speed", "SET_SPEED_" + n));
            rows.push_back(ScalarRow(prefix + "Reset Speed", "RESET_SPEED_" + n));
        }
    }
    return rows;
}

void Lpn310Wizard::WriteAnswers() {
    if (engine_->skipped) return;
    Set("PULSES_PER_REV", engine_->pulsesPerRev);
    Set("PULSES_PER_UPDATE", pulsesPerUpdate_);
    Set("PULSES_PER_SAMPLE", pulsesPerUpdate_);
    // Bit 0 says teeth (1) or sparks (0); the other option bits stay as the controller had
    // them.
    SetRaw("SW_OPTIONS1", (engine_->options & ~1u) | static_cast<uint32_t>(engine_->speedTypeFlag));
    SetRaw("SPEED_TYPE", static_cast<uint32_t>(engine_->inputType));
}

std::string Lpn310Wizard::completeHeading() const {
    return "The LPN 310 Calibration Wizard is complete!";
}

std::array<std::string, 2> Lpn310Wizard::completeTexts() const { return {kString134, ""}; }

}  // namespace zvr
