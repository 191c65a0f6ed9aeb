// The ZEVAR 740 wizard's question pages other than the analog input: each steps through the
// tables of governor_fields.h.

#include "wizard/zevar740_pages.h"

#include "common/user_prompt.h"
#include "wizard/governor_fields.h"
#include "wizard/wizard_entry.h"
#include "wizard/zevar740_wizard.h"

namespace zvr {

namespace {

constexpr const char* kEngine = "engine.";
constexpr const char* kEngineType = "engine.type";
constexpr const char* kRange = "range.";
constexpr const char* kSpeed = "speed.";
constexpr const char* kSpeedCount = "speed.count";

constexpr const char* kSpeedCounts[] = {"No Set Speeds", "1 Speed", "2 Speed",
                                        "3 Speed",       "4 Speed", "Variable Speed"};

// Back on a later step: the later groups hide, the first question opens again.
void ReopenFirst(WizardForm& form, std::string_view question) {
    for (WizardField& field : form.fields()) {
        if (field.id != question) field.visible = false;
    }
    form.Enable(question);
}

std::vector<std::string> Items(auto types) {
    std::vector<std::string> items;
    for (const auto& type : types)
        items.emplace_back(type.item);
    return items;
}

}  // namespace

// ---- Engine, ZEVAR 740 strategies -------------------------------------------------------

Engine740Page::Engine740Page(PickupEngineRules rules)
    : WizardPage("Engine Sensor Setup"), rules_(rules) {
    form.Add({.id = kEngineType,
              .kind = FieldKind::Choice,
              .label = "How will the engine speed be detected?",
              .items = Items(PickupTypes())});
    form.Add({.id = "engine.info", .kind = FieldKind::Text});
    AddEntries(form, kEngine, PickupEntries(), true);
}

void Engine740Page::Activate(WizardSheet& sheet) {
    const ScalarDef* factory = sheet.scalar(rules_.typeScalar);
    if (factory == nullptr) return;
    inputType = (factory->controllerRaw & 0x04) != 0 ? 0 : 1;
    form.at(kEngineType).selection = inputType;
    ApplyType(sheet);
    if (!preloaded) {
        preloaded = true;
        retainShown_ = true;
        const std::string ppr = PositiveIntegerText(sheet.value("PULSES_PER_REV"));
        form.at(inputType == 0 ? "engine.teeth" : "engine.count").text = ppr;
    }
}

void Engine740Page::Changed(WizardSheet& sheet, std::string_view fieldId) {
    if (fieldId == kEngineType) ApplyType(sheet);
}

void Engine740Page::ApplyType(WizardSheet& sheet) {
    const int type = form.selection(kEngineType);
    if (type < 0 || type >= static_cast<int>(PickupTypes().size())) {
        sheet.prompt().plain("Internal Error m_iInputType INVALID");
        return;
    }
    const PickupType& chosen = PickupTypes()[type];
    form.at("engine.info").label = chosen.info;
    form.at("engine.count").label = chosen.countLabel;
    form.Show("engine.teeth", chosen.teeth);
}

PageMove Engine740Page::Next(WizardSheet& sheet) {
    inputType = form.selection(kEngineType);
    if (inputType < 0 || inputType >= static_cast<int>(PickupTypes().size())) {
        return PageMove::Stay;
    }
    const bool pickup = PickupTypes()[inputType].teeth;
    const auto entries = pickup                ? PickupEntries()
                         : rules_.sparksHalved ? HalvedSparkEntries()
                                               : SparkEntries();
    EntryValues values;
    if (!CheckEntries(sheet, form, kEngine, entries, values)) return PageMove::Stay;
    if (pickup) {
        teeth = values.whole("teeth");
        cylinders = values.whole("count");
        pulsesPerRev = teeth;
        pulsesPerUpdate = PulsesPerUpdate(teeth, cylinders);
    } else if (rules_.sparksHalved) {
        sparks = values.whole("count");
        pulsesPerRev = PulsesPerRevForSparks(sparks);
        pulsesPerUpdate = 1;
    } else {
        pulsesPerRev = values.at("count");
        pulsesPerUpdate = 1;
    }
    skipped = false;
    return PageMove::Next;
}

PageMove Engine740Page::Retain(WizardSheet&) {
    skipped = true;
    return PageMove::Next;
}

// ---- Engine, ZEVAR 760 strategies -------------------------------------------------------

Engine760Page::Engine760Page(bool wholeSparks)
    : WizardPage("Configure Engine Speed Input"), wholeSparks_(wholeSparks) {
    form.Add({.id = kEngineType,
              .kind = FieldKind::Choice,
              .label = "How will the engine speed be detected?",
              .items = Items(SpeedTypes())});
    AddEntries(form, kEngine, FlywheelEntries());
}

bool Engine760Page::TeethType(int type) {
    return type >= 0 && type < static_cast<int>(SpeedTypes().size()) && SpeedTypes()[type].teeth;
}

void Engine760Page::Activate(WizardSheet& sheet) {
    retainShown_ = sheet.startMode() == 1;
    if (!preloaded) {
        preloaded = true;
        const ScalarDef* speedType = sheet.scalar("SPEED_TYPE");
        if (speedType == nullptr) return;
        const auto types = SpeedTypes();
        const auto found = std::find_if(types.begin(), types.end(), [&](const SpeedType& type) {
            return type.code == speedType->controllerRaw;
        });
        inputType = found == types.end() ? -1 : static_cast<int>(found - types.begin());
        form.at(kEngineType).selection = inputType;
        form.at("engine.count").text = PositiveIntegerText(sheet.value("PULSES_PER_REV"));
    }
    ApplyType();
}

void Engine760Page::Changed(WizardSheet&, std::string_view fieldId) {
    if (fieldId == kEngineType) ApplyType();
}

void Engine760Page::ApplyType() {
    const int type = form.selection(kEngineType);
    const bool known = type >= 0 && type < static_cast<int>(SpeedTypes().size());
    form.Show("engine.count", known);
    form.Show("engine.cylinders", known && TeethType(type));
    if (known) {
        form.at("engine.count").label = TeethType(type) ? "How many teeth does the Flywheel have?"
                                                        : "How many spark pulses per revolution?";
    }
}

PageMove Engine760Page::Next(WizardSheet& sheet) {
    const int type = form.selection(kEngineType);
    if (type < 0 || type >= static_cast<int>(SpeedTypes().size())) {
        sheet.prompt().error(sheet.startMode() == 1
                                 ? "You must select an input type or click 'Retain Current "
                                   "Values' to continue."
                                 : "You must select an input type to continue.");
        return PageMove::Stay;
    }
    const bool toothed = TeethType(type);
    const auto entries = toothed        ? FlywheelEntries()
                         : wholeSparks_ ? WholeSparkEntries()
                                        : SparkEntries();
    EntryValues values;
    if (!CheckEntries(sheet, form, kEngine, entries, values)) return PageMove::Stay;
    if (toothed) {
        teeth = values.whole("count");
        cylinders = values.whole("cylinders");
    } else {
        sparks = values.at("count");
        cylinders = 1;
    }
    inputType = type;
    skipped = false;
    return PageMove::Next;
}

PageMove Engine760Page::Retain(WizardSheet&) {
    skipped = true;
    return PageMove::Next;
}

// ---- SpeedRange -------------------------------------------------------------------------

SpeedRangePage::SpeedRangePage() : WizardPage("Configure Desired Engine Speed Range") {
    AddEntries(form, kRange, SpeedRangeEntries(), true);
}

void SpeedRangePage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    FillEntries(sheet, form, kRange, SpeedRangeEntries());
}

PageMove SpeedRangePage::Next(WizardSheet& sheet) {
    EntryValues values;
    if (!CheckEntries(sheet, form, kRange, SpeedRangeEntries(), values)) return PageMove::Stay;
    lowest = values.at("lowest");
    highest = values.at("highest");
    return PageMove::Next;
}

// ---- Speed ------------------------------------------------------------------------------

SpeedPage::SpeedPage(Zevar740Wizard& wizard) : WizardPage("Speed Setup"), wizard_(wizard) {
    form.Add(
        {.id = kSpeedCount, .kind = FieldKind::Choice, .label = "Select the number of speeds:"});
    AddSpeedEdits(form);
    AddEntries(form, kSpeed, RampEntries());
}

void SpeedPage::Activate(WizardSheet& sheet) {
    WizardField& combo = form.at(kSpeedCount);
    const int keep = combo.selection;
    if (wizard_.analog().mode == kAnalogAutoIdle) {
        combo.items = {kSpeedCounts[0]};
        combo.selection = 0;
    } else {
        combo.items.assign(std::begin(kSpeedCounts), std::end(kSpeedCounts));
        combo.selection = keep < static_cast<int>(combo.items.size()) ? keep : -1;
    }
    if (preloaded) return;
    preloaded = true;
    const int current = static_cast<int>(sheet.value("SWITCH_CONFIGURATION"));
    if (current >= 0 && current < static_cast<int>(combo.items.size())) combo.selection = current;
    const bool variable = current > 4;
    FillSpeedEdits(sheet, form, variable);
    // With a variable speed SET_SPEED_WARMUP is the default speed, shown in the speed edits
    // instead of the warm-up rpm.
    for (const NumberEntry& entry : RampEntries()) {
        if (!(variable && entry.scalar == std::string_view("SET_SPEED_WARMUP"))) {
            FillEntries(sheet, form, kSpeed, std::span(&entry, 1));
        }
    }
}

PageMove SpeedPage::Next(WizardSheet& sheet) {
    if (step == 1) return ChooseCount(sheet);
    if (step < 2 || step > 6) {
        sheet.prompt().plain("Internal State Error");
        return PageMove::Stay;
    }
    return TakeEntries(sheet);
}

PageMove SpeedPage::ChooseCount(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    const int chosen = form.selection(kSpeedCount);
    const int analogMode = wizard_.analog().mode;
    if (chosen == 0 && analogMode == kAnalogNone) {
        prompt.warn("A Speed setup is required if you do not have an Analog mode configured.");
        return PageMove::Stay;
    }
    if (chosen < 0) {
        prompt.plain("You must select a Speed mode");
        return PageMove::Stay;
    }
    speeds.count = chosen;
    ShowEntries(form, kSpeed, RampEntries());
    form.Enable(kSpeedCount, false);
    if (analogMode == kAnalogAutoIdle) {
        step = 6;
        return PageMove::Stay;
    }
    ShowSpeedEdits(form, chosen, "Enter Desired Speed:");
    step = chosen == 0 ? 2 : chosen == 1 ? 3 : chosen <= 4 ? 4 : 5;
    return PageMove::Stay;
}

// Steps 3 to 5 check their speed edits before the ramps; 2 and 6 have only the ramps.
PageMove SpeedPage::TakeEntries(WizardSheet& sheet) {
    const bool fixed = step == 3 || step == 4;
    const bool asksSpeeds = fixed || step == 5;
    if (fixed && (speeds.count < 1 || speeds.count > 4)) {
        sheet.prompt().plain("Go Back. You must select Number of Speeds");
        return PageMove::Stay;
    }
    const SpeedRangePage& range = wizard_.speedRange();
    EntryValues values =
        SpeedValues({range.lowest, range.highest, range.lowest + 1.0, range.highest - 1.0});
    if (asksSpeeds && !CheckSpeedEdits(sheet, form, speeds.count, values)) return PageMove::Stay;
    if (!CheckEntries(sheet, form, kSpeed, RampEntries(), values)) return PageMove::Stay;
    if (asksSpeeds) TakeSpeeds(values, speeds);
    rampUp = values.whole("ramp_up");
    rampDown = values.whole("ramp_down");
    warmupTime = values.whole("warmup_time");
    warmupSpeed = warmupTime > 0 ? values.whole("warmup_rpm") : 0;
    return PageMove::Next;
}

PageMove SpeedPage::Back(WizardSheet&) {
    if (step == 1) return PageMove::Previous;
    ReopenFirst(form, kSpeedCount);
    step = 1;
    return PageMove::Stay;
}

// ---- AuxOut -----------------------------------------------------------------------------

AuxOutPage::AuxOutPage(Zevar740Wizard& wizard, int outputNumber, bool twoOutputs)
    : WizardPage(!twoOutputs         ? "Configure Auxiliary Output"
                 : outputNumber == 1 ? "Configure Auxiliary Output 1 of 2"
                                     : "Configure Auxiliary Output 2 of 2"),
      output(outputNumber),
      wizard_(wizard),
      twoOutputs_(twoOutputs) {
    form.Add({.id = id("mode"),
              .kind = FieldKind::Choice,
              .label = !twoOutputs   ? "How should the Auxiliary Output be configured?"
                       : output == 1 ? "How should the First Auxiliary Output be configured?"
                                     : "How should the Second Auxiliary Output be configured?"});
    for (const AuxSetting& setting : AuxSettings())
        AddEntries(form, id(""), settingEntries(setting.mode));
}

std::string AuxOutPage::id(std::string_view field) const {
    return "aux" + std::to_string(output) + "." + std::string(field);
}

std::span<const NumberEntry> AuxOutPage::settingEntries(int outputMode) const {
    const AuxSetting* setting = AuxSettingFor(outputMode);
    if (setting == nullptr) return {};
    return output == 1 ? setting->first : setting->second;
}

void AuxOutPage::Activate(WizardSheet& sheet) {
    if (!filled_) {
        filled_ = true;
        WizardField& combo = form.at(id("mode"));
        const bool autoIdle = wizard_.analog().mode == kAnalogAutoIdle;
        for (const AuxItem& item : AuxItems()) {
            const bool offered = item.offer == AuxItem::Offer::Always ||
                                 (item.offer == AuxItem::Offer::TwoOutputs && twoOutputs_) ||
                                 (item.offer == AuxItem::Offer::AutoIdle && autoIdle);
            if (!offered) continue;
            combo.items.emplace_back(output == 2 && item.secondText ? item.secondText : item.text);
            itemModes.push_back(item.mode);
        }
    }
    if (preloaded) return;
    preloaded = true;
    const int current = static_cast<int>(
        sheet.value(output == 1 ? "AUXILIARY_OUTPUT_MODE" : "AUXILIARY_OUTPUT_2_MODE"));
    WizardField& combo = form.at(id("mode"));
    combo.selection = -1;
    for (size_t i = 0; i < itemModes.size(); ++i) {
        if (itemModes[i] == current) combo.selection = static_cast<int>(i);
    }
    // The settings of the modes this output offers.
    for (int offered : itemModes)
        FillEntries(sheet, form, id(""), settingEntries(offered));
}

PageMove AuxOutPage::Next(WizardSheet& sheet) {
    if (step == 1) return ChooseMode(sheet);
    const auto settings = AuxSettings();
    const auto asked = std::find_if(
        settings.begin(), settings.end(),
        [this](const AuxSetting& setting) { return setting.step == step && setting.mode == mode; });
    if (asked == settings.end()) {
        sheet.prompt().plain("Internal State Error");
        return PageMove::Stay;
    }
    EntryValues values;
    if (!CheckEntries(sheet, form, id(""), settingEntries(mode), values)) return PageMove::Stay;
    settings_ = values;
    return PageMove::Next;
}

PageMove AuxOutPage::ChooseMode(WizardSheet& sheet) {
    const int selection = form.selection(id("mode"));
    if (selection < 0 || selection >= static_cast<int>(itemModes.size())) {
        sheet.prompt().error("You must select a Auxiliary Output type.");
        return PageMove::Stay;
    }
    mode = itemModes[selection];
    const AuxSetting* setting = AuxSettingFor(mode);
    if (setting == nullptr) return PageMove::Next;
    const AuxOutPage* other = output == 2 ? &wizard_.aux1() : nullptr;
    if (*setting->onlyOnce != '\0' && other != nullptr && other->mode == mode) {
        sheet.prompt().error(setting->onlyOnce);
        return PageMove::Stay;
    }
    form.Enable(id("mode"), false);
    ShowEntries(form, id(""), settingEntries(mode));
    step = setting->step;
    return PageMove::Stay;
}

PageMove AuxOutPage::Back(WizardSheet&) {
    if (step == 1) return PageMove::Previous;
    ReopenFirst(form, id("mode"));
    step = 1;
    return PageMove::Stay;
}

// ---- Protect ----------------------------------------------------------------------------

ProtectPage::ProtectPage()
    : OptionPage("Configure Engine Protection", "protect.", Zevar740Protection(),
                 Zevar740ProtectionTexts()) {}

void ProtectPage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const char* overspeed = option(0).setting.scalar;
    Preset(0, sheet.value(overspeed) != 0, sheet.valueText(overspeed));
    const char* runTime = option(1).setting.scalar;
    Preset(1, sheet.value(runTime) < 8000, sheet.valueText(runTime));
}

}  // namespace zvr
