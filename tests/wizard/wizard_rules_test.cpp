#include <gtest/gtest.h>

#include "support/scripted_prompt.h"
#include "wizard/range_check.h"
#include "wizard/zevar740_rules.h"

namespace zvr {
namespace {

using Kind = RangeVerdict::Kind;

struct RangeCase {
    double value;
    RangeLimits limits;
    Kind kind;
    const char* text;
};

TEST(WizardRangeCheck, FirstBrokenLimitDecidesTheTextAndKind) {
    const RangeLimits speed{850, 5000, 600, 2400.9};
    const RangeCase cases[] = {
        {2500, speed, Kind::Refuse,
         "Speed 1 is too large, Value must be < 2400.Wizard cannot continue."},
        {599.5, speed, Kind::Refuse,
         "Speed 1 is too small, Value must be  > 600.Wizard cannot continue."},
        {700, speed, Kind::Doubt,
         "Speed 1 seems too small, Usually > 850.Do you wish to continue anyway?"},
        {6000,
         {850, 5000, -1, -1},
         Kind::Doubt,
         "Speed 1 seems too large, Usually < 5000.Do you wish to continue anyway?"},
        // Hard limits are tested before usual ones, the maximum before the minimum.
        {6000,
         {850, 5000, 0, 5500},
         Kind::Refuse,
         "Speed 1 is too large, Value must be < 5500.Wizard cannot continue."},
        {850, speed, Kind::Accept, ""},
        {2400.9, speed, Kind::Accept, ""},
        // -1 switches a limit off: nothing is ever said with all four off.
        {-1e9, {-1, -1, -1, -1}, Kind::Accept, ""},
        {1e9, {-1, -1, -1, -1}, Kind::Accept, ""},
    };
    for (const RangeCase& c : cases) {
        const RangeVerdict verdict = CheckWizardRange("Speed 1", c.value, c.limits);
        EXPECT_EQ(verdict.kind, c.kind) << c.value;
        EXPECT_EQ(verdict.text, c.text) << c.value;
    }
}

TEST(WizardRangeCheck, ShowsRefusalsAsErrorsAndLetsThePersonOverruleDoubts) {
    test::ScriptedPrompt prompt;
    EXPECT_FALSE(RangeCheck(prompt, "Low Speed", -1.5, {.usualMax = 5000, .hardMin = 0}));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error);
    EXPECT_EQ(prompt.shown[0].buttons, PromptButtons::Ok);

    prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(RangeCheck(prompt, "Low Speed", 6000, {.usualMax = 5000, .hardMin = 0}));
    EXPECT_TRUE(RangeCheck(prompt, "Low Speed", 6000, {.usualMax = 5000, .hardMin = 0}));
    EXPECT_EQ(prompt.shown[1].buttons, PromptButtons::YesNo);
    EXPECT_EQ(prompt.shown[1].icon, PromptIcon::Question);
}

TEST(WizardNumbers, TextThatIsNotANumberIsNeverZero) {
    EXPECT_EQ(ParseWizardNumber("1500"), 1500);
    EXPECT_EQ(ParseWizardNumber(" 12.5 "), 12.5);
    EXPECT_EQ(ParseWizardNumber("-3"), -3);
    EXPECT_EQ(ParseWizardNumber("+7"), 7);
    for (const char* bad : {"", " ", "abc", "12abc", "1,5", "0x10", "nan", "inf", "--1"}) {
        EXPECT_FALSE(ParseWizardNumber(bad)) << bad;
    }
}

struct CodeCase {
    AnalogCodeInput input;
    int code;
};

TEST(AnalogModeCode, EncodesModeSenseSpeedsAndIdleSwitch) {
    const CodeCase cases[] = {
        {{.mode = kAnalogNone}, 0},
        {{.mode = kAnalogNone, .speedCount = 2}, 0},
        {{.mode = kAnalogPot}, 2},
        {{.mode = kAnalogPot, .speedCount = 1}, 12},
        // A reversed pot with set speeds: + 100, and the + 10 is only for codes 2 and 3.
        {{.mode = kAnalogPot, .reversed = true, .speedCount = 3}, 102},
        {{.mode = kAnalogTrim}, 1},
        {{.mode = kAnalogTrim, .reversed = true, .speedCount = 2}, 101},
        {{.mode = kAnalogPedal}, 3},
        {{.mode = kAnalogPedal, .ivsPresent = true, .ivsSetAtMinimum = true}, 103},
        {{.mode = kAnalogPedal, .ivsPresent = true, .ivsSetAtMinimum = false}, 203},
        // Pedal with set speeds is 13 whatever the idle switch.
        {{.mode = kAnalogPedal, .speedCount = 1, .ivsPresent = true, .ivsSetAtMinimum = true}, 13},
        {{.mode = kAnalogPedal, .speedCount = 4}, 13},
        {{.mode = kAnalogCan}, 40},
        {{.mode = kAnalogCan, .reversed = true, .speedCount = 1}, 40},
        {{.mode = kAnalogAutoIdle}, 223},
        {{.mode = kAnalogAutoIdle, .reversed = true}, 123},
    };
    for (const CodeCase& c : cases) {
        EXPECT_EQ(AnalogModeCode(c.input), c.code)
            << "mode " << c.input.mode << " reversed " << c.input.reversed << " speeds "
            << c.input.speedCount << " ivs " << c.input.ivsPresent;
    }
    EXPECT_TRUE(ReversedSense(500, 479));
    EXPECT_FALSE(ReversedSense(500, 480));
}

TEST(AnalogPreselection, ReadsTheControllersCodeDigitByDigit) {
    const std::pair<const char*, AnalogPreselection> cases[] = {
        {"0", {kAnalogNone}},
        {"40", {kAnalogCan}},
        {"1", {kAnalogTrim}},
        {"101", {kAnalogTrim, -1, true}},
        {"2", {kAnalogPot}},
        {"12", {kAnalogPot}},
        {"102", {kAnalogPot, -1, true}},
        {"3", {kAnalogPedal, 0}},
        {"13", {kAnalogPedal, 0}},
        {"103", {kAnalogPedal, 1, false, true}},
        {"203", {kAnalogPedal, 1}},
        {"223", {kAnalogAutoIdle}},
        {"123", {kAnalogAutoIdle, -1, true}},
        {"23", {kAnalogPedal, 0}},  // tens 2 without hundreds is still the pedal
        {"255", {-1}},              // a unit left in calibration: nothing preselected
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(PreselectAnalog(text), expected) << text;
    }
}

TEST(PulsesPerUpdate, OneCylinderTakesTheTeethOthersRoundTwiceTeethPerCylinderUp) {
    EXPECT_EQ(PulsesPerUpdate(120, 1), 120);
    EXPECT_EQ(PulsesPerUpdate(120, 4), 60);
    EXPECT_EQ(PulsesPerUpdate(120, 7), 35);  // 34.29 rounded up
    EXPECT_EQ(PulsesPerUpdate(133, 8), 34);  // 33.25 rounded up
}

}  // namespace
}  // namespace zvr
