// The ZEVAR 740 wizard's output, speed and protection pages as their tables drive them, against
// zvr-sim on a pseudo-terminal: what they offer, refuse, preload, show and write.

#include <algorithm>

#include "definitions/cal_file.h"
#include "wizard/wizard_fixture.h"

namespace zvr::test {
namespace {

using Rows = std::vector<SummaryRow>;

class GovernorPagesTest : public WizardFixture {
protected:
    uint32_t raw(const std::string& name, double value) {
        const ScalarDef* def = sheet().document().scalars.find(name);
        EXPECT_NE(def, nullptr) << name;
        return def ? EngToRaw(value, def->scaling) : 0;
    }

    // Puts a raw value into the simulator's EEPROM before the wizard reads it.
    void preset(const std::string& name, uint32_t value) {
        DefinitionSet set;
        ASSERT_EQ(LoadCalFile(set, StrategyPath(strategy_), prompt_), 0);
        const ScalarDef* scalar = set.scalars.find(name);
        ASSERT_NE(scalar, nullptr) << name;
        const auto address = static_cast<uint16_t>(scalar->eepromAddress);
        const int size = scalar->scaling.size;
        simulator_->withUnit([&](sim::ControllerUnit& unit) {
            const uint8_t two[] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
            const uint8_t one[] = {static_cast<uint8_t>(value)};
            return size == 2 ? unit.commitWrite(address, two) : unit.commitWrite(address, one);
        });
    }

    // Start mode 1 through engine, speed range and analog input (none).
    void passToSpeeds(const char* cylindersField) {
        next();
        type(cylindersField, "4");
        next();
        type("range.lowest", "700");
        type("range.highest", "2600");
        next();
        choose("analog.mode", kAnalogNone);
        next();
        ASSERT_EQ(heading(), "Speed Setup");
    }

    void passOneSpeed() {
        choose("speed.count", 1);
        next();
        type("speed.1", "1500");
        type("speed.warmup_time", "0");
        type("speed.ramp_up", "500");
        type("speed.ramp_down", "400");
        next();
    }
};

// Two outputs: autocrank on the first, which the second may not take as well, and the rpm
// output on the second; each writes its own settings, and the Summary shows them indented on
// the first output only.
TEST_F(GovernorPagesTest, TwoOutputsWriteTheSettingsOfTheirModes) {
    strategy_ = "ZVX61S01";
    startSimulator("ZVX61S01");
    ASSERT_TRUE(startWizard("ZVX61S01", 'S'));
    passToSpeeds("engine.cylinders");
    passOneSpeed();

    ASSERT_EQ(heading(), "Configure Auxiliary Output 1 of 2");
    EXPECT_EQ(form().at("aux1.mode").items[1], "Output on when rpm > AUX_OUTPUT_RPM");
    choose("aux1.mode", 4);
    next();
    EXPECT_TRUE(form().at("aux1.crank").visible);
    EXPECT_FALSE(form().at("aux1.preheat").visible);
    type("aux1.crank", "5");
    type("aux1.rest", "7.5");
    type("aux1.tries", "3");
    next();

    ASSERT_EQ(heading(), "Configure Auxiliary Output 2 of 2");
    EXPECT_EQ(form().at("aux2.mode").items[1], "Output on when rpm > AUX_OUTPUT_2_RPM");
    choose("aux2.mode", 4);
    next();
    EXPECT_EQ(prompt_.texts().back(), "Only one Aux output can be configured for autocrank");
    EXPECT_EQ(prompt_.shown.back().icon, PromptIcon::Error);
    EXPECT_EQ(sheet().page().step, 1);
    choose("aux2.mode", 1);
    next();
    type("aux2.rpm", "1700");
    next();

    // No overspeed shutdown opens the switch question; Back from it reopens the first one.
    ASSERT_EQ(heading(), "Configure Engine Protection");
    choose("protect.overspeed", 0);
    next();
    EXPECT_EQ(sheet().page().step, 3);
    EXPECT_FALSE(form().at("protect.overspeed").enabled);
    back();
    EXPECT_EQ(sheet().page().step, 1);
    EXPECT_TRUE(form().at("protect.overspeed").enabled);
    EXPECT_FALSE(form().at("protect.switch").visible);
    next();
    choose("protect.switch", 0);
    next();

    ASSERT_TRUE(sheet().onSummary());
    const Rows& rows = sheet().summaryRows();
    const auto outputs = std::find(rows.begin(), rows.end(),
                                   SummaryRow{"Auxiliary Output 1 Of 2", "Auto Crank", ""});
    ASSERT_LE(std::distance(outputs, rows.end()), 8);
    EXPECT_EQ(Rows(outputs, rows.end()), (Rows{{"Auxiliary Output 1 Of 2", "Auto Crank", ""},
                                               {"   Crank Time", "5", "sec"},
                                               {"   Rest Time", "7.5", "sec"},
                                               {"   Retry Count", "3", ""},
                                               {"Auxiliary Output 2 Of 2", "Max RPM Exceeded", ""},
                                               {"Speed output limit", "1700", "rpm"},
                                               {"Overspeed Protection", "DISABLED", ""},
                                               {"Protection Switch delay", "DISABLED", ""}}));
    next();
    ASSERT_TRUE(sheet().written());
    EXPECT_EQ(eeprom("AUXILIARY_OUTPUT_MODE"), 4u);
    EXPECT_EQ(eeprom("AUXILIARY_OUTPUT_2_MODE"), 1u);
    EXPECT_EQ(eeprom("AUTOCRANK_CRANK_TIME"), raw("AUTOCRANK_CRANK_TIME", 5));
    EXPECT_EQ(eeprom("AUTOCRANK_REST_TIME"), raw("AUTOCRANK_REST_TIME", 7.5));
    EXPECT_EQ(eeprom("AUTOCRANK_MAX_TRIES"), raw("AUTOCRANK_MAX_TRIES", 3));
    EXPECT_EQ(eeprom("AUX_OUTPUT_2_RPM"), raw("AUX_OUTPUT_2_RPM", 1700));
    EXPECT_EQ(eeprom("OVERSPEED_RPM"), 0u);
    EXPECT_EQ(eeprom("ENGINE_PRTCT_RUN_TIME"), raw("ENGINE_PRTCT_RUN_TIME", 8000));
}

// A controller set to a variable speed fills the speed edits from SET_SPEED_MIN,
// SET_SPEED_WARMUP and SET_SPEED_MAX and leaves the warm-up rpm empty; the variable speeds
// written replace the speed range and the warm-up speed in those scalars.
TEST_F(GovernorPagesTest, VariableSpeedPreloadsItsEditsAndReplacesTheRangeInTheWrite) {
    startSimulator("ZVX41R03");
    preset("SWITCH_CONFIGURATION", 5);
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    passToSpeeds("engine.count");

    EXPECT_EQ(form().selection("speed.count"), 5);
    EXPECT_EQ(form().text("speed.1"), sheet().valueText("SET_SPEED_MIN"));
    EXPECT_EQ(form().text("speed.2"), sheet().valueText("SET_SPEED_WARMUP"));
    EXPECT_EQ(form().text("speed.3"), sheet().valueText("SET_SPEED_MAX"));
    EXPECT_EQ(form().text("speed.warmup_rpm"), "");
    EXPECT_EQ(form().text("speed.warmup_time"), sheet().valueText("WARMUP_TIME"));
    next();
    EXPECT_EQ(sheet().page().step, 5);
    EXPECT_EQ(form().at("speed.3").label, "Max Speed:");
    type("speed.1", "1000");
    type("speed.2", "1500");
    type("speed.3", "2000");
    type("speed.ramp_up", "500");
    type("speed.ramp_down", "400");
    type("speed.warmup_time", "10");
    type("speed.warmup_rpm", "650");
    next();
    // The warm-up speed lies within the speed range.
    EXPECT_EQ(prompt_.texts().back(),
              "Warmup Speed is too small, Value must be  > 700.Wizard cannot continue.");
    type("speed.warmup_rpm", "1200");
    next();

    ASSERT_EQ(heading(), "Configure Auxiliary Output");
    choose("aux1.mode", 0);
    next();
    choose("protect.overspeed", 1);
    next();
    type("protect.rpm", "2900");
    next();
    choose("protect.switch", 1);
    next();
    type("protect.delay", "30");
    next();
    ASSERT_TRUE(sheet().onSummary());
    next();
    ASSERT_TRUE(sheet().written());
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 5u);
    EXPECT_EQ(eeprom("SET_SPEED_MIN"), raw("SET_SPEED_MIN", 1000));
    EXPECT_EQ(eeprom("SET_SPEED_WARMUP"), raw("SET_SPEED_WARMUP", 1500));
    EXPECT_EQ(eeprom("SET_SPEED_MAX"), raw("SET_SPEED_MAX", 2000));
    EXPECT_EQ(eeprom("WARMUP_TIME"), raw("WARMUP_TIME", 10));
    EXPECT_EQ(eeprom("OVERSPEED_RPM"), raw("OVERSPEED_RPM", 2900));
    EXPECT_EQ(eeprom("ENGINE_PRTCT_RUN_TIME"), raw("ENGINE_PRTCT_RUN_TIME", 30));
}

}  // namespace
}  // namespace zvr::test
