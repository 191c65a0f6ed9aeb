#include "wizard/governor_fields.h"

#include "wizard/set_speeds.h"
#include "wizard/zevar740_rules.h"
#include "wizard/zevar880_wizard.h"

namespace zvr {

namespace {

using enum EntryTest;

// ---- engine speed input -------------------------------------------------------------------

constexpr PickupType kPickupTypes[] = {
    {"Magnetic Pickup (MPU) or Hall Effect",
     "This ZEVAR unit is intended for use with a mag pickup.",
     "How many Cylinders does the engine have?", true},
    {"Ignition Sensing or Magneto Input",
     "This ZEVAR unit is intended for use with an ignition or magneto input.",
     "How many spark pulses per revolution?", false},
};

constexpr const char* kFlywheelTeeth = "How many teeth does the Flywheel have?";
constexpr const char* kCylinders = "How many cylinders does the engine have?";

// ---- values worked out from the engine entries --------------------------------------------

// Pulses per update of a toothed wheel, as the raw count the governors keep
// (PULSES_PER_SAMPLE where a strategy has no PULSES_PER_UPDATE).
constexpr WorkedValue kWholePulsesPerUpdate[] = {
    {"PULSES_PER_UPDATE", "PULSES_PER_SAMPLE", "Pulses per update",
     [](const EntryValues& v) {
         return static_cast<double>(PulsesPerUpdate(v.whole("teeth"), v.whole("count")));
     },
     true},
};
constexpr WorkedValue kZevar210PulsesPerUpdate[] = {
    {"PULSES_PER_UPDATE", "PULSES_PER_SAMPLE", "Pulses per update",
     [](const EntryValues& v) {
         return static_cast<double>(PulsesPerUpdate(v.whole("teeth"), v.whole("cylinders")));
     },
     true},
};
// The four-sensor engine page's: 2 x teeth / cylinders, through the scalar's scaling.
constexpr WorkedValue kFlywheelPulsesPerUpdate[] = {
    {"PULSES_PER_UPDATE", "", "Pulses per update",
     [](const EntryValues& v) { return 2.0 * v.at("count") / v.at("cylinders"); }},
};
constexpr WorkedValue kHalvedPulsesPerRev[] = {
    {"PULSES_PER_REV", "", "Pulses per revolution",
     [](const EntryValues& v) {
         return static_cast<double>(PulsesPerRevForSparks(v.whole("count")));
     }},
};

constexpr NumberEntry kPickupEntries[] = {
    {.key = "count",
     .name = "Number of cylinders",
     .checks = kCylinderChecks,
     .checkRank = 2,
     .worked = kWholePulsesPerUpdate},
    {.key = "teeth",
     .label = kFlywheelTeeth,
     .name = "Number of teeth",
     .scalar = "PULSES_PER_REV",
     .checks = kTeethQuestions,
     .checkRank = 1},
};

constexpr NumberEntry kSparkEntries[] = {
    {.key = "count",
     .name = "Number of sparks per revolution",
     .whole = false,
     .scalar = "PULSES_PER_REV",
     .range = {kNoLimit, Fixed(250), Fixed(0.5), Fixed(32000)}},
};

// Pulses per revolution are half the count (1 for a single spark): no scalar holds it as typed.
constexpr NumberEntry kHalvedSparkEntries[] = {
    {.key = "count",
     .name = "Number of spark pulses",
     .checks = kCylinderChecks,
     .worked = kHalvedPulsesPerRev},
};

constexpr NumberEntry kZevar210EngineEntries[] = {
    {.key = "teeth",
     .label = "How many teeth does the flywheel have?",
     .name = "Number of teeth",
     .scalar = "PULSES_PER_REV",
     .checks = kTeethQuestions},
    {.key = "cylinders",
     .label = kCylinders,
     .name = "Number of cylinders",
     .checks = kCylinderChecks,
     .worked = kZevar210PulsesPerUpdate},
};

constexpr SpeedType kSpeedTypes[] = {
    {"Magnetic Pickup (MPU)", 128, true},
    {"Ignition Sensing", 1, false},
    {"Magneto Input", 2, false},
    {"Hall Effect Sensor", 131, true},
};

constexpr NumberEntry kFlywheelEntries[] = {
    {.key = "count",
     .name = "Number of Flywheel Teeth",
     .scalar = "PULSES_PER_REV",
     .range = {Fixed(10), Fixed(250), Fixed(1), Fixed(32000)}},
    {.key = "cylinders",
     .label = kCylinders,
     .name = "Number of Cylinders",
     .range = {kNoLimit, Fixed(8), Fixed(1), Fixed(32000)},
     .worked = kFlywheelPulsesPerUpdate},
};

constexpr NumberEntry kWholeSparkEntries[] = {
    {.key = "count",
     .name = "Number of sparks per revolution",
     .scalar = "PULSES_PER_REV",
     .range = {Fixed(1), Fixed(250), Fixed(1), Fixed(32000)}},
};

// ---- speeds -------------------------------------------------------------------------------

constexpr NumberEntry kSpeedRangeEntries[] = {
    {.key = "lowest",
     .label = "What is the LOWEST engine speed the operator can command?",
     .units = "rpm",
     .name = "Low Speed",
     .whole = false,
     .scalar = "SET_SPEED_MIN",
     .range = {kNoLimit, Fixed(5000), Fixed(0), kNoLimit}},
    {.key = "highest",
     .label = "What is the HIGHEST engine speed the operator can command?",
     .units = "rpm",
     .name = "High Speed",
     .whole = false,
     .scalar = "SET_SPEED_MAX",
     .range = {kNoLimit, Fixed(5000), Named("lowest", 1), kNoLimit},
     .digitsOnly = true},
};

constexpr EntryRange kRampRange{Fixed(10), kNoLimit, Fixed(0), kNoLimit};

constexpr NumberEntry kRampEntries[] = {
    {.key = "warmup_time",
     .label = "Warm Up Time (sec)",
     .name = "Warmup Time",
     .scalar = "WARMUP_TIME",
     .range = {kNoLimit, Fixed(5000), Fixed(0), Fixed(32000)},
     .checkRank = 3},
    {.key = "warmup_rpm",
     .label = "Warm Up rpm",
     .name = "Warmup Speed",
     .scalar = "SET_SPEED_WARMUP",
     .range = {Fixed(850), Fixed(5000), Named(kLowestSpeed), Named(kHighestSpeed)},
     .checkRank = 4,
     .onlyWhen = "warmup_time"},
    {.key = "ramp_up",
     .label = "Ramp up rate (rpm/sec)",
     .name = "Ramp Up Rate",
     .scalar = "RAMP_UP_RATE",
     .range = kRampRange,
     .checkRank = 1},
    {.key = "ramp_down",
     .label = "Ramp down rate (rpm/sec)",
     .name = "Ramp Down Rate",
     .scalar = "RAMP_DOWN_RATE",
     .range = kRampRange,
     .checkRank = 2},
};

// ---- auxiliary outputs ----------------------------------------------------------------------

constexpr AuxItem kAuxItems[] = {
    {"No auxiliary output required", nullptr, 0, AuxItem::Offer::Always, "Not Used"},
    {"Output on when rpm > AUX_OUTPUT_RPM", "Output on when rpm > AUX_OUTPUT_2_RPM", 1,
     AuxItem::Offer::Always, "Max RPM Exceeded"},
    {"Output on when fault exists", nullptr, 2, AuxItem::Offer::Always, "Fault"},
    {"Output on when in PTO mode", nullptr, 3, AuxItem::Offer::Always, "PTO Mode"},
    {"Autocrank mode", nullptr, 4, AuxItem::Offer::Always, "Auto Crank"},
    {"Output mimics ECM LED", nullptr, 5, AuxItem::Offer::Always, "LED Mirror"},
    {"Glowplug Mode", nullptr, 6, AuxItem::Offer::TwoOutputs, "Glowplug"},
    // Output mode 7 wherever its item stands in the list.
    {"Auto-idle lamp", nullptr, 7, AuxItem::Offer::AutoIdle, "Auto-idle lamp"},
};

constexpr const char* kAuxRpmLabel = "At what RPM do you want the Aux. Output to turn on? : ";
constexpr EntryCheck kAuxRpmChecks[] = {
    RefuseIf(Below, 0, "Aux RPM must be >= 0"),
    AskIf(AtLeast, 5000, "Aux RPM seems too high, continue?"),
};
constexpr NumberEntry kFirstAuxRpm[] = {
    {.key = "rpm",
     .label = kAuxRpmLabel,
     .name = "Aux RPM",
     .scalar = "AUX_OUTPUT_RPM",
     .checks = kAuxRpmChecks},
};
constexpr NumberEntry kSecondAuxRpm[] = {
    {.key = "rpm",
     .label = kAuxRpmLabel,
     .name = "Aux RPM",
     .scalar = "AUX_OUTPUT_2_RPM",
     .checks = kAuxRpmChecks},
};

constexpr EntryCheck kCrankChecks[] = {
    RefuseIf(Below, 0, "Crank Time must be > 0"),
    AskIf(Above, 30, "Crank time seems too high, should be < 30 sec.\nDo you wish to continue?"),
};
constexpr EntryCheck kRestChecks[] = {
    RefuseIf(Below, 0, "Rest Time must be > 0"),
    AskIf(Above, 90, "Rest time seems too high, should be < 90 sec.\nDo you wish to continue?"),
};
constexpr EntryCheck kTriesChecks[] = {
    RefuseIf(Below, 0, "Retry Count must be > 0"),
    AskIf(Above, 10, "Retry Count seems too high, should be < 10 times.\nDo you wish to continue?"),
};
constexpr NumberEntry kAutocrankEntries[] = {
    {.key = "crank",
     .label = "How long should the engine crank (sec)? :",
     .name = "Crank Time",
     .scalar = "AUTOCRANK_CRANK_TIME",
     .checks = kCrankChecks},
    {.key = "rest",
     .label = "How long should the engine rest between crank attempts (sec)? :",
     .name = "Rest Time",
     .whole = false,
     .scalar = "AUTOCRANK_REST_TIME",
     .checks = kRestChecks},
    {.key = "tries",
     .label = "How many attempts to start should the engine make? : ",
     .name = "Retry Count",
     .scalar = "AUTOCRANK_MAX_TRIES",
     .checks = kTriesChecks},
};

constexpr NumberEntry kGlowplugEntries[] = {
    {.key = "preheat",
     .label = "Glowplug preheat time (sec)? :",
     .name = "Glowplug preheat time",
     .whole = false,
     .scalar = "GLOWPLUG_TIME",
     .range = {Fixed(0.5), Fixed(120), Fixed(0), Fixed(2400)}},
};

constexpr AuxSetting kAuxSettings[] = {
    {1, 2, kFirstAuxRpm, kSecondAuxRpm, ""},
    {4, 3, kAutocrankEntries, kAutocrankEntries,
     "Only one Aux output can be configured for autocrank"},
    {6, 4, kGlowplugEntries, kGlowplugEntries,
     "Only one Aux output can be configured for Glowplug"},
};

// ---- protection -----------------------------------------------------------------------------

constexpr const char* kOverspeedQuestion = "Do you want to enable overspeed shutdown?";
constexpr const char* kNoOverspeed = "No overspeed shutdown.";
constexpr const char* kOverspeed = "Yes, enable overspeed shutdown.";

constexpr EntryCheck kOverspeedRpmChecks[] = {
    RefuseIf(AtMost, 0, "Overspeed RPM must be greater than 0.", PromptIcon::None),
};
constexpr const char* kDelayRefused =
    "Delay time must be greater that 0 and less that 8000 seconds.";
constexpr EntryCheck kDelayChecks[] = {
    RefuseIf(AtMost, 0, kDelayRefused, PromptIcon::None),
    RefuseIf(Above, 7999, kDelayRefused, PromptIcon::None),
};

constexpr PageOption kZevar740Protection[] = {
    {.question = "overspeed",
     .questionLabel = kOverspeedQuestion,
     .no = kNoOverspeed,
     .yes = kOverspeed,
     .setting = {.key = "rpm",
                 .label = "Overspeed shutdown speed:",
                 .units = "RPM",
                 .name = "Overspeed RPM",
                 .scalar = "OVERSPEED_RPM",
                 .checks = kOverspeedRpmChecks},
     .offValue = 0},
    {.question = "switch",
     .questionLabel = "Do you want to enable the engine protection switch input?",
     .no = "No engine protect switch used.",
     .yes = "Yes, enable engine protect switch.",
     .setting = {.key = "delay",
                 .label = "Seconds after engine start to monitor input:",
                 .units = "Sec.",
                 .name = "Delay time",
                 .scalar = "ENGINE_PRTCT_RUN_TIME",
                 .checks = kDelayChecks},
     .offValue = 8000},
};
constexpr OptionTexts kZevar740ProtectionTexts{"You must Choose Yes or No.", PromptIcon::None,
                                               "Internal Error", ""};

constexpr const char* kPercentRefused =
    "Overspeed Percent must be greater than 0 and less than 100.";
constexpr EntryCheck kPercentChecks[] = {
    RefuseIf(AtMost, 0, kPercentRefused, PromptIcon::Warning),
    RefuseIf(Above, 100, kPercentRefused, PromptIcon::Warning),
};

// OVERSPEED_PCNT holds the percent as a fraction, so the entry names no scalar.
constexpr WorkedValue kOverspeedFraction[] = {
    {"OVERSPEED_PCNT", "", "Overspeed fraction",
     [](const EntryValues& v) { return v.at("percent") * 0.01; }},
};
constexpr PageOption kZevar210Protection[] = {
    {.question = "overspeed",
     .questionLabel = kOverspeedQuestion,
     .no = kNoOverspeed,
     .yes = kOverspeed,
     .setting = {.key = "percent",
                 .label = "Overspeed shutdown percent:",
                 .units = "% [1-100]",
                 .name = "Overspeed Percent",
                 .checks = kPercentChecks,
                 .worked = kOverspeedFraction},
     .offValue = 0},
};
constexpr OptionTexts kZevar210ProtectionTexts{"You must choose Yes or No.", PromptIcon::Warning,
                                               "Internal Error 983334", "Internal Error 3ab9r5"};

// ---- stepper --------------------------------------------------------------------------------

// The travel in whole motor steps, as STEP_MAX_STEP takes it.
constexpr WorkedValue kTravelSteps[] = {
    {"STEP_MAX_STEP", "", "Stepper travel in steps",
     [](const EntryValues& v) { return static_cast<double>(StepsForDegrees(v.whole("degrees"))); }},
};

// Less than one motor step (1.8 degrees) of travel would leave the motor no room to move. A
// refusal: it comes before the range check's "seems too small" question.
constexpr EntryCheck kTravelChecks[] = {
    {.test = Below,
     .limit = 2,
     .text = "Degrees of Travel must be at least 2: the stepper motor moves 1.8 degrees per step.",
     .afterRange = true},
};
constexpr NumberEntry kStepperTravel{
    .key = "degrees",
    .label =
        "How many degrees of travel does the stepper motor have to move to obtain full "
        "travel on the throttle?",
    .units = "degrees",
    .name = "Degrees of Travel",
    .range = {Fixed(10), Fixed(180), Fixed(1), Fixed(360)},
    .checks = kTravelChecks,
    .worked = kTravelSteps};

// ---- the analog input's trim -------------------------------------------------------------

// Not above 0 is refused (the text says so for a trim of 0); above 5000 is asked about with
// the stop icon.
constexpr EntryCheck kTrimChecks[] = {
    RefuseIf(AtMost, 0, "Trim RPM must be > 0"),
    AskIf(Above, 5000, "Trim RPM seems to high. Should be less than 5000. Do you wish to continue?",
          PromptIcon::Error),
};
constexpr NumberEntry kTrimEntry{
    .key = "trim", .name = "Trim RPM", .scalar = "SET_SPEED_TRIM", .checks = kTrimChecks};

}  // namespace

std::span<const PickupType> PickupTypes() { return kPickupTypes; }
std::span<const NumberEntry> PickupEntries() { return kPickupEntries; }
std::span<const NumberEntry> SparkEntries() { return kSparkEntries; }
std::span<const NumberEntry> HalvedSparkEntries() { return kHalvedSparkEntries; }
std::span<const NumberEntry> Zevar210EngineEntries() { return kZevar210EngineEntries; }
std::span<const SpeedType> SpeedTypes() { return kSpeedTypes; }
std::span<const NumberEntry> FlywheelEntries() { return kFlywheelEntries; }
std::span<const NumberEntry> WholeSparkEntries() { return kWholeSparkEntries; }
std::span<const NumberEntry> SpeedRangeEntries() { return kSpeedRangeEntries; }
std::span<const NumberEntry> RampEntries() { return kRampEntries; }
std::span<const AuxItem> AuxItems() { return kAuxItems; }
std::span<const AuxSetting> AuxSettings() { return kAuxSettings; }
std::span<const PageOption> Zevar740Protection() { return kZevar740Protection; }
const OptionTexts& Zevar740ProtectionTexts() { return kZevar740ProtectionTexts; }
std::span<const PageOption> Zevar210Protection() { return kZevar210Protection; }
const OptionTexts& Zevar210ProtectionTexts() { return kZevar210ProtectionTexts; }
const NumberEntry& StepperTravel() { return kStepperTravel; }
const NumberEntry& AnalogTrim() { return kTrimEntry; }

const AuxSetting* AuxSettingFor(int mode) {
    for (const AuxSetting& setting : kAuxSettings) {
        if (setting.mode == mode) return &setting;
    }
    return nullptr;
}

}  // namespace zvr
