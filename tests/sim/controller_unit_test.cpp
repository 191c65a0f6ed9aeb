// The simulated unit's behaviour, stepped directly on its simulated clock.
#include "controller_unit.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "sim_fixtures.h"

namespace zvr::sim::test {
namespace {

class ControllerUnitTest : public testing::Test {
protected:
    ControllerUnitTest() : unit(Make740(), 7) {}

    static DefinitionSet Make740() {
        DefinitionSet set;
        Fill740(set);
        return set;
    }

    uint8_t byteAt(uint16_t address) const { return unit.memory().byte(address); }
    uint16_t wordAt(uint16_t address) const { return unit.readWord(address); }

    bool commitByte(uint16_t address, uint8_t value) {
        const uint8_t bytes[] = {value};
        return unit.commitWrite(address, bytes);
    }
    bool commitWord(uint16_t address, uint16_t value) {
        const uint8_t bytes[] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
        return unit.commitWrite(address, bytes);
    }

    ControllerUnit unit;
};

TEST_F(ControllerUnitTest, ScalarsStartAtTheirFileValuesBigEndian) {
    EXPECT_EQ(wordAt(kSetSpeed1), kSetSpeed1Value);
    EXPECT_EQ(wordAt(kPassword), 0x1234);
    // A one-byte scalar is the high byte of the word at its address.
    EXPECT_EQ(wordAt(kStepMode), 0x0083);  // STEP_MODE 0, then STEP_CONFIG 131
    EXPECT_EQ(byteAt(kStepConfig), 131);
}

TEST_F(ControllerUnitTest, CommitsOnlyToScalarsAndStoredFlagWords) {
    EXPECT_TRUE(commitWord(kSetSpeed1, 1800));
    EXPECT_EQ(wordAt(kSetSpeed1), 1800);
    EXPECT_TRUE(commitByte(kDiag2Stored, 0));
    EXPECT_FALSE(commitWord(kEngineRpm, 0));
    EXPECT_FALSE(commitWord(kSetSpeed1 + 1, 0));  // inside a scalar, not its address
    EXPECT_EQ(wordAt(kSetSpeed1), 1800);
}

TEST_F(ControllerUnitTest, PasswordCodeMustMatchThePasswordScalar) {
    EXPECT_TRUE(unit.passwordAccepted(0x1234));
    EXPECT_FALSE(unit.passwordAccepted(48619));
    ASSERT_TRUE(commitWord(kPassword, 48619));
    EXPECT_TRUE(unit.passwordAccepted(48619));
}

TEST_F(ControllerUnitTest, FaultFlagsCarryUncalibratedAndFatalOnTopOfTheDiagnosticSharingThem) {
    unit.setUncalibrated(true);
    EXPECT_EQ(byteAt(kFaultFlags), 0x01);
    unit.setFatal(true);
    ASSERT_TRUE(unit.setFault(1, 2, true));
    EXPECT_EQ(byteAt(kFaultFlags), 0x07);
    // Both stay conditions of the unit: clearing the diagnostic's faults leaves them.
    ASSERT_TRUE(commitByte(kDiag1Stored, 0));
    EXPECT_EQ(byteAt(kFaultFlags), 0x03);
    unit.setUncalibrated(false);
    unit.setFatal(false);
    EXPECT_EQ(byteAt(kFaultFlags), 0x00);
}

TEST_F(ControllerUnitTest, ActiveFaultsLatchIntoTheirHistoryUntilItIsWrittenZero) {
    ASSERT_TRUE(unit.setFault(2, 0, true));
    ASSERT_TRUE(unit.setFault(2, 5, true));  // beyond the described flags: still a bit
    EXPECT_EQ(byteAt(kFaultFlags2), 0x21);
    EXPECT_EQ(byteAt(kEeFaults2), 0x21);
    EXPECT_EQ(byteAt(kEeFaults1), 0x00);

    // Clear Current Faults: a 0 to the stored flag word ends the active faults; the
    // history keeps them.
    ASSERT_TRUE(commitByte(kDiag2Stored, 0));
    EXPECT_EQ(byteAt(kFaultFlags2), 0x00);
    EXPECT_EQ(byteAt(kEeFaults2), 0x21);
    // A value other than 0 clears nothing.
    ASSERT_TRUE(unit.setFault(2, 1, true));
    ASSERT_TRUE(commitByte(kDiag2Stored, 1));
    EXPECT_EQ(byteAt(kFaultFlags2), 0x02);

    // Clear Historical Faults: only what is still active comes back at once.
    ASSERT_TRUE(commitByte(kEeFaults2, 0));
    EXPECT_EQ(byteAt(kEeFaults2), 0x02);
    unit.advance(0.1);
    EXPECT_EQ(byteAt(kEeFaults2), 0x02);
}

TEST_F(ControllerUnitTest, FaultOutsideTheStrategyIsRefused) {
    EXPECT_FALSE(unit.setFault(0, 0, true));
    EXPECT_FALSE(unit.setFault(3, 0, true));
    EXPECT_FALSE(unit.setFault(1, 8, true));
}

TEST_F(ControllerUnitTest, AnalogCalibrationFollowsThePedalAndStoresWhenTheModeIsWrittenBack) {
    unit.setPedal(0.25);
    unit.setIdleSwitch(true);
    EXPECT_EQ(wordAt(kAdcApp), 307);  // 102 + 0.25 * 820
    EXPECT_EQ(byteAt(kSwitches) & 0x08, 0x08);
    // Outside calibration app_min and app_range show the stored calibration.
    EXPECT_EQ(wordAt(kAppMin), 102);
    EXPECT_EQ(wordAt(kAppRange), 820);

    // The wizard's process: 0, then 255, the pedal to both ends, then the mode back.
    ASSERT_TRUE(commitByte(kAnalogMode, 0));
    ASSERT_TRUE(commitByte(kAnalogMode, 255));
    EXPECT_EQ(wordAt(kAppMin), 307);
    EXPECT_EQ(wordAt(kAppRange), 0);
    unit.setPedal(0.1);
    unit.setIdleSwitch(false);
    EXPECT_EQ(byteAt(kSwitches) & 0x08, 0);
    unit.setPedal(0.9);
    unit.setPedal(0.5);
    unit.advance(0.05);
    EXPECT_EQ(wordAt(kAppMin), 184);    // 102 + 0.1 * 820
    EXPECT_EQ(wordAt(kAppRange), 656);  // 840 - 184
    // Until the mode changes the stored calibration is untouched.
    EXPECT_EQ(wordAt(kAppMinCal), 102);
    EXPECT_EQ(wordAt(kAppRangeCal), 820);

    ASSERT_TRUE(commitByte(kAnalogMode, 3));
    EXPECT_EQ(wordAt(kAppMinCal), 184);
    EXPECT_EQ(wordAt(kAppRangeCal), 656);
    // A new calibration starts from the pedal where it is then.
    ASSERT_TRUE(commitByte(kAnalogMode, 255));
    EXPECT_EQ(wordAt(kAppMin), 512);
    EXPECT_EQ(wordAt(kAppRange), 0);
}

TEST_F(ControllerUnitTest, StoredImageKeepsItsCalibrationWhenTheStrategyStartsOneAtMode255) {
    ASSERT_TRUE(commitWord(kAppMinCal, 150));
    ASSERT_TRUE(commitWord(kAppRangeCal, 700));
    std::string error;
    ASSERT_TRUE(unit.memory().saveEeprom("stored.eeprom", error)) << error;

    DefinitionSet calibrating = Make740();
    calibrating.scalars.find("EXTERNAL_ANALOG_MODE")->fileRaw = 255;
    ControllerUnit restarted(std::move(calibrating), 7);
    ASSERT_TRUE(restarted.useEepromFile("stored.eeprom", error)) << error;
    EXPECT_EQ(restarted.readWord(kAppMinCal), 150);
    EXPECT_EQ(restarted.readWord(kAppRangeCal), 700);
}

TEST_F(ControllerUnitTest, PedalModeSetsTheDesiredSpeedBetweenMinimumAndMaximum) {
    ASSERT_TRUE(commitByte(kAnalogMode, 3));
    unit.setPedal(0.5);
    unit.advance(0.01);
    EXPECT_NEAR(unit.desiredRpm(), 1600, 1);  // 800 + 0.5 * (2400 - 800)
    EXPECT_EQ(wordAt(kNDesired), 1600);
}

TEST_F(ControllerUnitTest, StepperDrivesToTheEndStepConfigNames) {
    struct Case {
        uint8_t config;
        int16_t end;
    };
    for (const Case c : {Case{131, 50}, Case{3, -50}}) {
        SCOPED_TRACE(c.config);
        ControllerUnit fresh(Make740(), 1);
        const uint8_t config[] = {c.config};
        const uint8_t drive[] = {2};
        ASSERT_TRUE(fresh.commitWrite(kStepConfig, config));
        ASSERT_TRUE(fresh.commitWrite(kStepMode, drive));
        fresh.advance(0.05);  // on its way, not there yet
        const auto position = static_cast<int16_t>(fresh.readWord(kStepPosition));
        EXPECT_NE(position, c.end);
        EXPECT_EQ(position > 0, c.end > 0);
        for (int i = 0; i < 100; ++i)
            fresh.advance(0.01);
        EXPECT_EQ(static_cast<int16_t>(fresh.readWord(kStepPosition)), c.end);
    }
}

TEST_F(ControllerUnitTest, StrategyWithoutAnyKnownNameStillServesItsMemory) {
    DefinitionSet set;
    set.header.strategyName = "RRQ31E05";
    set.scalars.insert(
        {.scaling = {'U', 2, 0}, .eepromAddress = 0x10, .fileRaw = 0xABCD, .name = "SOMETHING"});
    set.variables.insert({.scaling = {'U', 2, 0}, .ramAddress = 0xFFFF, .name = "edge"});
    set.diagnostics.append({.ramAddress = 0x20000, .eepromAddress = 0x30000, .name = "far"});
    ControllerUnit bare(std::move(set), 1);
    bare.setPedal(1);
    bare.setIdleSwitch(false);
    bare.setUncalibrated(true);
    EXPECT_TRUE(bare.setFault(1, 3, true));
    for (int i = 0; i < 10; ++i)
        bare.advance(0.01);
    EXPECT_TRUE(bare.passwordAccepted(0));  // no PASSWORD: always open
    EXPECT_EQ(bare.readWord(0x10), 0xABCD);
    EXPECT_EQ(bare.readWord(0xFFFF), 0x0000);  // the low byte lies beyond the memory
    EXPECT_EQ(bare.valueText("SOMETHING"), "43981");
    EXPECT_EQ(bare.valueText("engine_rpm"), std::nullopt);
}

// The step response of the governor: the strategy's gains settle a step in desired speed;
// a proportional gain ten times larger keeps the speed swinging round it.
struct StepResponse {
    double overshoot = 0;
    double spreadAtEnd = 0;  // highest minus lowest speed over the last two seconds
    int crossingsAtEnd = 0;
};

StepResponse RunStep(double proportionalGain) {
    DefinitionSet set;
    Fill740(set);
    ControllerUnit unit(std::move(set), 1);
    const auto raw = static_cast<uint16_t>(proportionalGain * 256);  // U, binary point 8
    const uint8_t gain[] = {static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw)};
    EXPECT_TRUE(unit.commitWrite(kProportionalGain, gain));
    for (int i = 0; i < 100; ++i)
        unit.advance(0.01);
    const uint8_t step[] = {0x07, 0x08};  // SET_SPEED_1 1500 -> 1800
    EXPECT_TRUE(unit.commitWrite(kSetSpeed1, step));

    StepResponse response;
    double low = 1e9, high = 0, previous = 0;
    for (int i = 0; i < 800; ++i) {  // 8 s in 10 ms steps
        unit.advance(0.01);
        const double error = unit.engine().rpm() - 1800;
        response.overshoot = std::max(response.overshoot, error);
        if (i >= 600) {
            low = std::min(low, unit.engine().rpm());
            high = std::max(high, unit.engine().rpm());
            if (previous * error < 0) ++response.crossingsAtEnd;
        }
        previous = error;
    }
    response.spreadAtEnd = high - low;
    return response;
}

TEST(GovernorTest, StrategyGainsSettleAStepAndAMuchLargerProportionalGainOscillates) {
    const StepResponse settled = RunStep(2.5);
    EXPECT_LT(settled.spreadAtEnd, 5);
    EXPECT_LT(settled.overshoot, 100);
    EXPECT_EQ(settled.crossingsAtEnd, 0);

    const StepResponse swinging = RunStep(25);
    EXPECT_GT(swinging.spreadAtEnd, 100);
    EXPECT_GE(swinging.crossingsAtEnd, 4);
}

TEST(GovernorTest, StepResponseIsTheSameOnEveryRun) {
    const StepResponse first = RunStep(10);
    const StepResponse second = RunStep(10);
    EXPECT_EQ(first.overshoot, second.overshoot);
    EXPECT_EQ(first.spreadAtEnd, second.spreadAtEnd);
}

}  // namespace
}  // namespace zvr::sim::test
