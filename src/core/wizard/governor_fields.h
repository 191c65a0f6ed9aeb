#pragma once

#include <cstdint>
#include <span>

#include "wizard/number_entry.h"
#include "wizard/option_page.h"

namespace zvr {

// What the governor families' pages (ZEVAR 740/760, 880, 620 and 210) ask and how they check
// it: the edits as number entries, the combos' items with what they stand for, and the
// protection pages' options.

// Wherever a toothed wheel and a cylinder (or spark) count are typed: fewer than 10 or more
// than 250 teeth and more than 8 cylinders are asked about (No refuses), fewer than 1 cylinder
// is refused.
inline constexpr EntryCheck kTeethQuestions[] = {
    AskIf(EntryTest::Below, 10,
          "The number of teeth should be at least 10. Are you sure you want to continue?"),
    AskIf(EntryTest::Above, 250,
          "The number of teeth should be less than 250. Are you sure you want to continue?"),
};
inline constexpr EntryCheck kCylinderChecks[] = {
    RefuseIf(EntryTest::Below, 1,
             "The number of cylinders needs to be at least 1. Setup cannot continue."),
    AskIf(EntryTest::Above, 8,
          "The number of cylinders should be less than 8. Are you sure you want to continue?"),
};

// ---- engine speed input -------------------------------------------------------------------

// An item of the pickup-or-ignition engine page (ZEVAR 740 strategies, ZEVAR 620): its
// information line, the question of the "engine.count" edit and whether the teeth are asked.
struct PickupType {
    const char* item;
    const char* info;
    const char* countLabel;
    bool teeth;
};
std::span<const PickupType> PickupTypes();
// The cylinders ("engine.count") and the teeth ("engine.teeth"), the teeth checked first.
std::span<const NumberEntry> PickupEntries();
// Sparks per revolution as a decimal number ("engine.count"), on both engine pages.
std::span<const NumberEntry> SparkEntries();
// The ZEVAR 620's whole spark count, checked as the cylinders are.
std::span<const NumberEntry> HalvedSparkEntries();
// The ZEVAR 210's teeth ("engine.teeth") and cylinders ("engine.cylinders").
std::span<const NumberEntry> Zevar210EngineEntries();

// An item of the four-sensor engine page (ZEVAR 760 strategies, ZEVAR 880): its SPEED_TYPE
// code and whether it counts teeth (else spark pulses).
struct SpeedType {
    const char* item;
    uint32_t code;
    bool teeth;
};
std::span<const SpeedType> SpeedTypes();
// The teeth ("engine.count") and cylinders ("engine.cylinders") of a toothed wheel.
std::span<const NumberEntry> FlywheelEntries();
// The ZEVAR 880's whole spark count ("engine.count").
std::span<const NumberEntry> WholeSparkEntries();

// ---- speeds ---------------------------------------------------------------------------------

// The lowest and highest command speed ("range.lowest", "range.highest").
std::span<const NumberEntry> SpeedRangeEntries();
// The ZEVAR 740's warm-up and ramps ("speed." ...): ramp up, ramp down, warm-up time, then the
// warm-up speed when there is a warm-up time.
std::span<const NumberEntry> RampEntries();

// ---- auxiliary outputs ------------------------------------------------------------------------

// An item of an output's combo: its text (the second output's where it differs), the output
// mode it stands for, when it is offered and what the Summary calls the mode.
struct AuxItem {
    enum class Offer : uint8_t { Always, TwoOutputs, AutoIdle };
    const char* text;
    const char* secondText;
    int mode;
    Offer offer;
    const char* summary;
};
std::span<const AuxItem> AuxItems();

// A mode that asks for settings: the step it asks them on, the entries of the first and the
// second output, and the refusal when the first output has the mode already ("" none).
struct AuxSetting {
    int mode;
    int step;
    std::span<const NumberEntry> first;
    std::span<const NumberEntry> second;
    const char* onlyOnce;
};
std::span<const AuxSetting> AuxSettings();
// The setting of a mode, or null when the mode asks for nothing.
const AuxSetting* AuxSettingFor(int mode);

// ---- protection and the stepper ---------------------------------------------------------

// The ZEVAR 740's overspeed shutdown ("protect.rpm", 0 disabled) and protection switch delay
// ("protect.delay", 8000 disabled).
std::span<const PageOption> Zevar740Protection();
const OptionTexts& Zevar740ProtectionTexts();
// The ZEVAR 210's overspeed shutdown percent ("protect.percent", 0 disabled).
std::span<const PageOption> Zevar210Protection();
const OptionTexts& Zevar210ProtectionTexts();

// The ZEVAR 880's stepper travel in degrees ("stepper.degrees").
const NumberEntry& StepperTravel();

// The analog input's trim rpm ("analog.trim"), for the trim mode.
const NumberEntry& AnalogTrim();

}  // namespace zvr
