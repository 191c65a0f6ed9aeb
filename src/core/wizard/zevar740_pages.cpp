// The ZEVAR 740 wizard's question pages other than the analog input.

#include <cmath>

#include "common/user_prompt.h"
#include "wizard/wizard_entry.h"
#include "wizard/zevar740_wizard.h"

namespace zvr {

namespace {

// Back on a later step: the later groups hide, the first question opens again.
void ReopenFirst(WizardForm& form, std::string_view question) {
    for (WizardField& field : form.fields()) {
        if (field.id != question) field.visible = false;
    }
    form.Enable(question);
}

}  // namespace

// ---- Engine, ZEVAR 740 strategies -------------------------------------------------------

bool TeethAccepted(UserPrompt& prompt, int teeth) {
    if (teeth < 10 && !prompt.askYesNo("The number of teeth should be at least 10. Are you sure "
                                       "you want to continue?")) {
        return false;
    }
    return teeth <= 250 || prompt.askYesNo(
                               "The number of teeth should be less than 250. Are you sure you "
                               "want to continue?");
}

bool CylindersAccepted(UserPrompt& prompt, int cylinders) {
    if (cylinders < 1) {
        prompt.error("The number of cylinders needs to be at least 1. Setup cannot continue.");
        return false;
    }
    return cylinders <= 8 || prompt.askYesNo(
                                 "The number of cylinders should be less than 8. Are you sure "
                                 "you want to continue?");
}

Engine740Page::Engine740Page(Zevar740Wizard&) : Engine740Page(PickupEngineRules{}) {}

Engine740Page::Engine740Page(PickupEngineRules rules)
    : WizardPage("Engine Sensor Setup"), rules_(rules) {
    form.Add(
        {.id = "engine.type",
         .kind = FieldKind::Choice,
         .label = "How will the engine speed be detected?",
         .items = {"Magnetic Pickup (MPU) or Hall Effect", "Ignition Sensing or Magneto Input"}});
    form.Add({.id = "engine.info", .kind = FieldKind::Text});
    form.Add({.id = "engine.count", .kind = FieldKind::Edit});
    form.Add({.id = "engine.teeth",
              .kind = FieldKind::Edit,
              .label = "How many teeth does the Flywheel have?"});
}

void Engine740Page::Activate(WizardSheet& sheet) {
    const ScalarDef* factory = sheet.scalar(rules_.typeScalar);
    if (factory == nullptr) return;
    inputType = (factory->controllerRaw & 0x04) != 0 ? 0 : 1;
    form.at("engine.type").selection = inputType;
    ApplyType(sheet);
    if (!preloaded) {
        preloaded = true;
        retainShown_ = true;
        const std::string ppr = PositiveIntegerText(sheet.value("PULSES_PER_REV"));
        form.at(inputType == 0 ? "engine.teeth" : "engine.count").text = ppr;
    }
}

void Engine740Page::Changed(WizardSheet& sheet, std::string_view fieldId) {
    if (fieldId == "engine.type") ApplyType(sheet);
}

void Engine740Page::ApplyType(WizardSheet& sheet) {
    const int type = form.selection("engine.type");
    if (type == 0) {
        form.at("engine.info").label = "This ZEVAR unit is intended for use with a mag pickup.";
        form.at("engine.count").label = "How many Cylinders does the engine have?";
        form.Show("engine.teeth");
    } else if (type == 1) {
        form.at("engine.info").label =
            "This ZEVAR unit is intended for use with an ignition or magneto input.";
        form.at("engine.count").label = "How many spark pulses per revolution?";
        form.Hide("engine.teeth");
    } else {
        sheet.prompt().plain("Internal Error m_iInputType INVALID");
    }
}

PageMove Engine740Page::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    inputType = form.selection("engine.type");
    if (inputType == 0) {
        auto teethEntry = EntryInteger(prompt, form, "engine.teeth", "Number of teeth");
        if (!teethEntry || !TeethAccepted(prompt, *teethEntry)) return PageMove::Stay;
        auto cylinderEntry = EntryInteger(prompt, form, "engine.count", "Number of cylinders");
        if (!cylinderEntry || !CylindersAccepted(prompt, *cylinderEntry)) return PageMove::Stay;
        teeth = *teethEntry;
        cylinders = *cylinderEntry;
        pulsesPerRev = teeth;
        pulsesPerUpdate = PulsesPerUpdate(teeth, cylinders);
    } else if (inputType == 1 && rules_.sparksHalved) {
        auto sparkEntry = EntryInteger(prompt, form, "engine.count", "Number of spark pulses");
        if (!sparkEntry || !CylindersAccepted(prompt, *sparkEntry)) return PageMove::Stay;
        sparks = *sparkEntry;
        pulsesPerRev = PulsesPerRevForSparks(sparks);
        pulsesPerUpdate = 1;
    } else if (inputType == 1) {
        auto perRev = EntryNumber(prompt, form, "engine.count", "Number of sparks per revolution");
        if (!perRev || !sheet.RangeCheck("Number of sparks per revolution", *perRev,
                                         {.usualMax = 250, .hardMin = 0.5, .hardMax = 32000})) {
            return PageMove::Stay;
        }
        pulsesPerRev = *perRev;
        pulsesPerUpdate = 1;
    } else {
        return PageMove::Stay;
    }
    skipped = false;
    return PageMove::Next;
}

PageMove Engine740Page::Retain(WizardSheet&) {
    skipped = true;
    return PageMove::Next;
}

// ---- Engine, ZEVAR 760 strategies -------------------------------------------------------

Engine760Page::Engine760Page(Zevar740Wizard& wizard)
    : WizardPage("Configure Engine Speed Input"), wholeSparks_(wizard.traits().wholeSparks) {
    form.Add({.id = "engine.type",
              .kind = FieldKind::Choice,
              .label = "How will the engine speed be detected?",
              .items = {"Magnetic Pickup (MPU)", "Ignition Sensing", "Magneto Input",
                        "Hall Effect Sensor"}});
    form.Add({.id = "engine.count", .kind = FieldKind::Edit, .visible = false});
    form.Add({.id = "engine.cylinders",
              .kind = FieldKind::Edit,
              .label = "How many cylinders does the engine have?",
              .visible = false});
}

void Engine760Page::Activate(WizardSheet& sheet) {
    retainShown_ = sheet.startMode() == 1;
    if (!preloaded) {
        preloaded = true;
        const ScalarDef* speedType = sheet.scalar("SPEED_TYPE");
        if (speedType == nullptr) return;
        switch (speedType->controllerRaw) {
            case 128:
                inputType = 0;
                break;
            case 1:
                inputType = 1;
                break;
            case 2:
                inputType = 2;
                break;
            case 131:
                inputType = 3;
                break;
            default:
                inputType = -1;
                break;
        }
        form.at("engine.type").selection = inputType;
        form.at("engine.count").text = PositiveIntegerText(sheet.value("PULSES_PER_REV"));
    }
    ApplyType();
}

void Engine760Page::Changed(WizardSheet&, std::string_view fieldId) {
    if (fieldId == "engine.type") ApplyType();
}

void Engine760Page::ApplyType() {
    const int type = form.selection("engine.type");
    const bool known = type >= 0 && type <= 3;
    form.Show("engine.count", known);
    form.Show("engine.cylinders", known && TeethType(type));
    if (known) {
        form.at("engine.count").label = TeethType(type) ? "How many teeth does the Flywheel have?"
                                                        : "How many spark pulses per revolution?";
    }
}

PageMove Engine760Page::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    const int type = form.selection("engine.type");
    if (type < 0 || type > 3) {
        prompt.error(sheet.startMode() == 1 ? "You must select an input type or click 'Retain "
                                              "Current Values' to continue."
                                            : "You must select an input type to continue.");
        return PageMove::Stay;
    }
    if (TeethType(type)) {
        auto teethEntry = EntryInteger(prompt, form, "engine.count", "Number of Flywheel Teeth");
        if (!teethEntry ||
            !sheet.RangeCheck("Number of Flywheel Teeth", *teethEntry, {10, 250, 1, 32000})) {
            return PageMove::Stay;
        }
        auto cylinderEntry = EntryInteger(prompt, form, "engine.cylinders", "Number of Cylinders");
        if (!cylinderEntry || !sheet.RangeCheck("Number of Cylinders", *cylinderEntry,
                                                {.usualMax = 8, .hardMin = 1, .hardMax = 32000})) {
            return PageMove::Stay;
        }
        teeth = *teethEntry;
        cylinders = *cylinderEntry;
    } else if (wholeSparks_) {
        auto sparkEntry =
            EntryInteger(prompt, form, "engine.count", "Number of sparks per revolution");
        if (!sparkEntry ||
            !sheet.RangeCheck("Number of sparks per revolution", *sparkEntry, {1, 250, 1, 32000})) {
            return PageMove::Stay;
        }
        sparks = *sparkEntry;
        cylinders = 1;
    } else {
        auto sparkEntry =
            EntryNumber(prompt, form, "engine.count", "Number of sparks per revolution");
        if (!sparkEntry || !sheet.RangeCheck("Number of sparks per revolution", *sparkEntry,
                                             {.usualMax = 250, .hardMin = 0.5, .hardMax = 32000})) {
            return PageMove::Stay;
        }
        sparks = *sparkEntry;
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
    form.Add({.id = "range.lowest",
              .kind = FieldKind::Edit,
              .label = "What is the LOWEST engine speed the operator can command?",
              .units = "rpm"});
    form.Add({.id = "range.highest",
              .kind = FieldKind::Edit,
              .label = "What is the HIGHEST engine speed the operator can command?",
              .units = "rpm"});
}

void SpeedRangePage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    form.at("range.lowest").text = sheet.valueText("SET_SPEED_MIN");
    form.at("range.highest").text = sheet.valueText("SET_SPEED_MAX");
}

PageMove SpeedRangePage::Next(WizardSheet& sheet) {
    auto low = EntryNumber(sheet.prompt(), form, "range.lowest", "Low Speed");
    if (!low || !sheet.RangeCheck("Low Speed", *low, {.usualMax = 5000, .hardMin = 0})) {
        return PageMove::Stay;
    }
    auto high = EntryNumber(sheet.prompt(), form, "range.highest", "High Speed");
    if (!high || !sheet.RangeCheck("High Speed", *high, {.usualMax = 5000, .hardMin = *low + 1})) {
        return PageMove::Stay;
    }
    lowest = *low;
    highest = *high;
    return PageMove::Next;
}

// ---- Speed ------------------------------------------------------------------------------

SpeedPage::SpeedPage(Zevar740Wizard& wizard) : WizardPage("Speed Setup"), wizard_(wizard) {
    form.Add(
        {.id = "speed.count", .kind = FieldKind::Choice, .label = "Select the number of speeds:"});
    for (int i = 1; i <= 4; ++i) {
        form.Add({.id = "speed." + std::to_string(i), .kind = FieldKind::Edit, .visible = false});
    }
    form.Add({.id = "speed.warmup_time",
              .kind = FieldKind::Edit,
              .label = "Warm Up Time (sec)",
              .visible = false});
    form.Add({.id = "speed.warmup_rpm",
              .kind = FieldKind::Edit,
              .label = "Warm Up rpm",
              .visible = false});
    form.Add({.id = "speed.ramp_up",
              .kind = FieldKind::Edit,
              .label = "Ramp up rate (rpm/sec)",
              .visible = false});
    form.Add({.id = "speed.ramp_down",
              .kind = FieldKind::Edit,
              .label = "Ramp down rate (rpm/sec)",
              .visible = false});
}

void SpeedPage::Activate(WizardSheet& sheet) {
    WizardField& combo = form.at("speed.count");
    const int keep = combo.selection;
    if (wizard_.analog().mode == kAnalogAutoIdle) {
        combo.items = {"No Set Speeds"};
        combo.selection = 0;
    } else {
        combo.items = {"No Set Speeds", "1 Speed", "2 Speed",
                       "3 Speed",       "4 Speed", "Variable Speed"};
        combo.selection = keep < static_cast<int>(combo.items.size()) ? keep : -1;
    }
    if (preloaded) return;
    preloaded = true;
    const int current = static_cast<int>(sheet.value("SWITCH_CONFIGURATION"));
    if (current >= 0 && current < static_cast<int>(combo.items.size())) combo.selection = current;
    if (current > 4) {
        form.at("speed.1").text = sheet.valueText("SET_SPEED_MIN");
        form.at("speed.2").text = sheet.valueText("SET_SPEED_WARMUP");
        form.at("speed.3").text = sheet.valueText("SET_SPEED_MAX");
    } else {
        for (int i = 1; i <= 4; ++i) {
            form.at("speed." + std::to_string(i)).text =
                sheet.valueText("SET_SPEED_" + std::to_string(i));
        }
        form.at("speed.warmup_rpm").text = sheet.valueText("SET_SPEED_WARMUP");
    }
    form.at("speed.warmup_time").text = sheet.valueText("WARMUP_TIME");
    form.at("speed.ramp_up").text = sheet.valueText("RAMP_UP_RATE");
    form.at("speed.ramp_down").text = sheet.valueText("RAMP_DOWN_RATE");
}

PageMove SpeedPage::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    const double lowest = wizard_.speedRange().lowest;
    const double highest = wizard_.speedRange().highest;
    switch (step) {
        case 1: {
            const int chosen = form.selection("speed.count");
            const int analogMode = wizard_.analog().mode;
            if (chosen == 0 && analogMode == kAnalogNone) {
                prompt.warn(
                    "A Speed setup is required if you do not have an Analog mode "
                    "configured.");
                return PageMove::Stay;
            }
            if (chosen < 0) {
                prompt.plain("You must select a Speed mode");
                return PageMove::Stay;
            }
            count = chosen;
            for (const char* id :
                 {"speed.warmup_time", "speed.warmup_rpm", "speed.ramp_up", "speed.ramp_down"}) {
                form.Show(id);
            }
            form.Enable("speed.count", false);
            if (analogMode == kAnalogAutoIdle) {
                step = 6;
            } else if (count == 0) {
                step = 2;
            } else if (count == 1) {
                form.at("speed.1").label = "Enter Desired Speed:";
                form.Show("speed.1");
                step = 3;
            } else if (count <= 4) {
                for (int i = 1; i <= count; ++i) {
                    WizardField& edit = form.at("speed." + std::to_string(i));
                    edit.label = "Set Speed " + std::to_string(i) + ":";
                    edit.visible = true;
                }
                step = 4;
            } else {
                const char* labels[] = {"Min Speed", "Default Speed:", "Max Speed:"};
                for (int i = 1; i <= 3; ++i) {
                    WizardField& edit = form.at("speed." + std::to_string(i));
                    edit.label = labels[i - 1];
                    edit.visible = true;
                }
                step = 5;
            }
            return PageMove::Stay;
        }
        case 3:
        case 4: {
            if (count < 1 || count > 4) {
                prompt.plain("Go Back. You must select Number of Speeds");
                return PageMove::Stay;
            }
            int entered[4] = {0, 0, 0, 0};
            for (int i = count; i >= 1; --i) {
                const std::string name = "Speed " + std::to_string(i);
                auto speed = EntryInteger(prompt, form, "speed." + std::to_string(i), name);
                if (!speed || !sheet.RangeCheck(name, *speed, {850, 5000, lowest, highest})) {
                    return PageMove::Stay;
                }
                entered[i - 1] = *speed;
            }
            if (!RampCheck(sheet)) return PageMove::Stay;
            std::copy(std::begin(entered), std::end(entered), std::begin(speeds));
            return PageMove::Next;
        }
        case 5: {
            auto low = EntryInteger(prompt, form, "speed.1", "Min Speed");
            if (!low ||
                !sheet.RangeCheck("Min Speed", *low, {850, 5000, lowest + 1, highest - 1})) {
                return PageMove::Stay;
            }
            auto high = EntryInteger(prompt, form, "speed.3", "Max Speed");
            if (!high ||
                !sheet.RangeCheck("Max Speed", *high, {*low + 2.0, 5000, *low + 2.0, highest})) {
                return PageMove::Stay;
            }
            auto middle = EntryInteger(prompt, form, "speed.2", "Default Speed");
            const RangeLimits between{*low + 1.0, *high - 1.0, *low + 1.0, *high - 1.0};
            if (!middle || !sheet.RangeCheck("Default Speed", *middle, between)) {
                return PageMove::Stay;
            }
            if (!RampCheck(sheet)) return PageMove::Stay;
            minimum = *low;
            maximum = *high;
            defaultSpeed = *middle;
            return PageMove::Next;
        }
        case 2:
        case 6:
            return RampCheck(sheet) ? PageMove::Next : PageMove::Stay;
        default:
            prompt.plain("Internal State Error");
            return PageMove::Stay;
    }
}

bool SpeedPage::RampCheck(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    auto up = EntryInteger(prompt, form, "speed.ramp_up", "Ramp Up Rate");
    if (!up || !sheet.RangeCheck("Ramp Up Rate", *up, {.usualMin = 10, .hardMin = 0})) return false;
    auto down = EntryInteger(prompt, form, "speed.ramp_down", "Ramp Down Rate");
    if (!down || !sheet.RangeCheck("Ramp Down Rate", *down, {.usualMin = 10, .hardMin = 0})) {
        return false;
    }
    auto time = EntryInteger(prompt, form, "speed.warmup_time", "Warmup Time");
    if (!time || !sheet.RangeCheck("Warmup Time", *time,
                                   {.usualMax = 5000, .hardMin = 0, .hardMax = 32000})) {
        return false;
    }
    int speed = 0;
    if (*time > 0) {
        auto entered = EntryInteger(prompt, form, "speed.warmup_rpm", "Warmup Speed");
        if (!entered || !sheet.RangeCheck("Warmup Speed", *entered,
                                          {850, 5000, wizard_.speedRange().lowest,
                                           wizard_.speedRange().highest})) {
            return false;
        }
        speed = *entered;
    }
    rampUp = *up;
    rampDown = *down;
    warmupTime = *time;
    warmupSpeed = speed;
    return true;
}

PageMove SpeedPage::Back(WizardSheet&) {
    if (step == 1) return PageMove::Previous;
    ReopenFirst(form, "speed.count");
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
    form.Add({.id = id("rpm"),
              .kind = FieldKind::Edit,
              .label = "At what RPM do you want the Aux. Output to turn on? : ",
              .visible = false});
    form.Add({.id = id("crank"),
              .kind = FieldKind::Edit,
              .label = "How long should the engine crank (sec)? :",
              .visible = false});
    form.Add({.id = id("rest"),
              .kind = FieldKind::Edit,
              .label = "How long should the engine rest between crank attempts (sec)? :",
              .visible = false});
    form.Add({.id = id("tries"),
              .kind = FieldKind::Edit,
              .label = "How many attempts to start should the engine make? : ",
              .visible = false});
    form.Add({.id = id("preheat"),
              .kind = FieldKind::Edit,
              .label = "Glowplug preheat time (sec)? :",
              .visible = false});
}

std::string AuxOutPage::id(const char* field) const {
    return "aux" + std::to_string(output) + "." + field;
}

void AuxOutPage::Activate(WizardSheet& sheet) {
    if (!filled_) {
        filled_ = true;
        WizardField& combo = form.at(id("mode"));
        combo.items = {"No auxiliary output required",
                       output == 1 ? "Output on when rpm > AUX_OUTPUT_RPM"
                                   : "Output on when rpm > AUX_OUTPUT_2_RPM",
                       "Output on when fault exists",
                       "Output on when in PTO mode",
                       "Autocrank mode",
                       "Output mimics ECM LED"};
        itemModes = {0, 1, 2, 3, 4, 5};
        if (twoOutputs_) {
            combo.items.push_back("Glowplug Mode");
            itemModes.push_back(6);
        }
        // The auto-idle lamp is output mode 7 wherever its item stands in the list.
        if (wizard_.analog().mode == kAnalogAutoIdle) {
            combo.items.push_back("Auto-idle lamp");
            itemModes.push_back(7);
        }
    }
    if (preloaded) return;
    preloaded = true;
    const bool first = output == 1;
    const int current =
        static_cast<int>(sheet.value(first ? "AUXILIARY_OUTPUT_MODE" : "AUXILIARY_OUTPUT_2_MODE"));
    WizardField& combo = form.at(id("mode"));
    combo.selection = -1;
    for (size_t i = 0; i < itemModes.size(); ++i) {
        if (itemModes[i] == current) combo.selection = static_cast<int>(i);
    }
    form.at(id("rpm")).text = sheet.valueText(first ? "AUX_OUTPUT_RPM" : "AUX_OUTPUT_2_RPM");
    form.at(id("crank")).text = sheet.valueText("AUTOCRANK_CRANK_TIME");
    form.at(id("rest")).text = sheet.valueText("AUTOCRANK_REST_TIME");
    form.at(id("tries")).text = sheet.valueText("AUTOCRANK_MAX_TRIES");
    if (twoOutputs_) form.at(id("preheat")).text = sheet.valueText("GLOWPLUG_TIME");
}

void AuxOutPage::HideLines() { ReopenFirst(form, id("mode")); }

PageMove AuxOutPage::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    const AuxOutPage* other = output == 2 ? &wizard_.aux1() : nullptr;
    switch (step) {
        case 1: {
            const int selection = form.selection(id("mode"));
            if (selection < 0 || selection >= static_cast<int>(itemModes.size())) {
                prompt.error("You must select a Auxiliary Output type.");
                return PageMove::Stay;
            }
            mode = itemModes[selection];
            if (mode == 1) {
                form.Enable(id("mode"), false);
                form.Show(id("rpm"));
                step = 2;
                return PageMove::Stay;
            }
            if (mode == 4) {
                if (other && other->mode == 4) {
                    prompt.error("Only one Aux output can be configured for autocrank");
                    return PageMove::Stay;
                }
                form.Enable(id("mode"), false);
                for (const char* field : {"crank", "rest", "tries"})
                    form.Show(id(field));
                step = 3;
                return PageMove::Stay;
            }
            if (mode == 6) {
                if (other && other->mode == 6) {
                    prompt.error("Only one Aux output can be configured for Glowplug");
                    return PageMove::Stay;
                }
                form.Enable(id("mode"), false);
                form.Show(id("preheat"));
                step = 4;
                return PageMove::Stay;
            }
            return PageMove::Next;
        }
        case 2: {
            auto entered = EntryInteger(prompt, form, id("rpm"), "Aux RPM");
            if (!entered) return PageMove::Stay;
            if (*entered < 0) {
                prompt.error("Aux RPM must be >= 0");
                return PageMove::Stay;
            }
            if (*entered >= 5000 && !prompt.askYesNo("Aux RPM seems too high, continue?")) {
                return PageMove::Stay;
            }
            rpm = *entered;
            return PageMove::Next;
        }
        case 3: {
            auto crank = EntryInteger(prompt, form, id("crank"), "Crank Time");
            if (!crank) return PageMove::Stay;
            if (*crank < 0) {
                prompt.error("Crank Time must be > 0");
                return PageMove::Stay;
            }
            if (*crank > 30 && !prompt.askYesNo("Crank time seems too high, should be < 30 "
                                                "sec.\nDo you wish to continue?")) {
                return PageMove::Stay;
            }
            auto rest = EntryNumber(prompt, form, id("rest"), "Rest Time");
            if (!rest) return PageMove::Stay;
            if (*rest < 0) {
                prompt.error("Rest Time must be > 0");
                return PageMove::Stay;
            }
            if (*rest > 90 && !prompt.askYesNo("Rest time seems too high, should be < 90 "
                                               "sec.\nDo you wish to continue?")) {
                return PageMove::Stay;
            }
            auto tries = EntryInteger(prompt, form, id("tries"), "Retry Count");
            if (!tries) return PageMove::Stay;
            if (*tries < 0) {
                prompt.error("Retry Count must be > 0");
                return PageMove::Stay;
            }
            if (*tries > 10 && !prompt.askYesNo("Retry Count seems too high, should be < 10 "
                                                "times.\nDo you wish to continue?")) {
                return PageMove::Stay;
            }
            crankTime = *crank;
            restTime = *rest;
            retryCount = *tries;
            return PageMove::Next;
        }
        case 4: {
            auto preheat = EntryNumber(prompt, form, id("preheat"), "Glowplug preheat time");
            if (!preheat ||
                !sheet.RangeCheck("Glowplug preheat time", *preheat, {0.5, 120, 0, 2400})) {
                return PageMove::Stay;
            }
            preheatTime = *preheat;
            return PageMove::Next;
        }
        default:
            prompt.plain("Internal State Error");
            return PageMove::Stay;
    }
}

PageMove AuxOutPage::Back(WizardSheet&) {
    if (step == 1) return PageMove::Previous;
    HideLines();
    step = 1;
    return PageMove::Stay;
}

// ---- Protect ----------------------------------------------------------------------------

ProtectPage::ProtectPage() : WizardPage("Configure Engine Protection") {
    form.Add({.id = "protect.overspeed",
              .kind = FieldKind::Choice,
              .label = "Do you want to enable overspeed shutdown?",
              .items = {"No overspeed shutdown.", "Yes, enable overspeed shutdown."}});
    form.Add({.id = "protect.rpm",
              .kind = FieldKind::Edit,
              .label = "Overspeed shutdown speed:",
              .units = "RPM",
              .visible = false});
    form.Add({.id = "protect.switch",
              .kind = FieldKind::Choice,
              .label = "Do you want to enable the engine protection switch input?",
              .items = {"No engine protect switch used.", "Yes, enable engine protect switch."},
              .visible = false});
    form.Add({.id = "protect.delay",
              .kind = FieldKind::Edit,
              .label = "Seconds after engine start to monitor input:",
              .units = "Sec.",
              .visible = false});
}

void ProtectPage::Activate(WizardSheet& sheet) {
    if (preloaded) return;
    preloaded = true;
    const bool overspeed = sheet.value("OVERSPEED_RPM") != 0;
    form.at("protect.overspeed").selection = overspeed ? 1 : 0;
    if (overspeed) form.at("protect.rpm").text = sheet.valueText("OVERSPEED_RPM");
    const bool protect = sheet.value("ENGINE_PRTCT_RUN_TIME") < 8000;
    form.at("protect.switch").selection = protect ? 1 : 0;
    if (protect) form.at("protect.delay").text = sheet.valueText("ENGINE_PRTCT_RUN_TIME");
}

PageMove ProtectPage::Next(WizardSheet& sheet) {
    UserPrompt& prompt = sheet.prompt();
    const auto askSwitch = [this] {
        form.Show("protect.switch");
        form.Enable("protect.switch");
        step = 3;
        return PageMove::Stay;
    };
    switch (step) {
        case 1: {
            const int choice = form.selection("protect.overspeed");
            if (choice == 0) {
                overspeedRpm = 0;
                form.Enable("protect.overspeed", false);
                return askSwitch();
            }
            if (choice == 1) {
                form.Enable("protect.overspeed", false);
                form.Show("protect.rpm");
                form.Enable("protect.rpm");
                step = 2;
                return PageMove::Stay;
            }
            prompt.plain("You must Choose Yes or No.");
            return PageMove::Stay;
        }
        case 2: {
            auto entered = EntryInteger(prompt, form, "protect.rpm", "Overspeed RPM");
            if (!entered) return PageMove::Stay;
            if (*entered <= 0) {
                prompt.plain("Overspeed RPM must be greater than 0.");
                return PageMove::Stay;
            }
            overspeedRpm = *entered;
            form.Enable("protect.rpm", false);
            return askSwitch();
        }
        case 3: {
            const int choice = form.selection("protect.switch");
            if (choice == 0) {
                delay = 8000;
                return PageMove::Next;
            }
            if (choice == 1) {
                form.Enable("protect.switch", false);
                form.Show("protect.delay");
                form.Enable("protect.delay");
                step = 4;
                return PageMove::Stay;
            }
            prompt.plain("You must Choose Yes or No.");
            return PageMove::Stay;
        }
        case 4: {
            auto entered = EntryInteger(prompt, form, "protect.delay", "Delay time");
            if (!entered) return PageMove::Stay;
            if (*entered <= 0 || *entered > 7999) {
                prompt.plain("Delay time must be greater that 0 and less that 8000 seconds.");
                return PageMove::Stay;
            }
            delay = *entered;
            return PageMove::Next;
        }
        default:
            prompt.plain("Internal Error");
            return PageMove::Stay;
    }
}

PageMove ProtectPage::Back(WizardSheet&) {
    switch (step) {
        case 1:
            return PageMove::Previous;
        case 2:
            form.Hide("protect.rpm");
            form.Enable("protect.overspeed");
            step = 1;
            break;
        case 3:
            form.Hide("protect.switch");
            if (overspeedRpm == 0) {
                form.Enable("protect.overspeed");
                step = 1;
            } else {
                form.Enable("protect.rpm");
                step = 2;
            }
            break;
        case 4:
            form.Hide("protect.delay");
            form.Enable("protect.switch");
            step = 3;
            break;
        default:
            break;
    }
    return PageMove::Stay;
}

}  // namespace zvr
