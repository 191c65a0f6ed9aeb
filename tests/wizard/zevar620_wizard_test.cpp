// The ZEVAR 620 wizard against zvr-sim on a pseudo-terminal with the shipped Z99620G1
// strategy: the spark count, the single/multiple speed pair, and the plot bounds of its
// Complete page.

#include "wizard/zevar620_wizard.h"
#include "connection/command_ids.h"
#include "definitions/scaling.h"
#include "wizard/wizard_fixture.h"

namespace zvr::test {
namespace {

using Rows = std::vector<SummaryRow>;

TEST(Zevar620RulesTest, SparkCountsAndPlotBounds) {
    struct Pulses {
        int sparks;
        int perRev;
    };
    for (const Pulses& c : {Pulses{6, 3}, Pulses{1, 1}, Pulses{7, 3}, Pulses{2, 1}}) {
        EXPECT_EQ(PulsesPerRevForSparks(c.sparks), c.perRev) << c.sparks;
    }
    struct Bounds {
        double lowest;
        double highest;
        std::pair<long long, long long> bounds;
    };
    const Bounds bounds[] = {
        {1000, 2000, {850, 2300}},
        {1500, 1500, {500, 5000}},  // one speed
        {901, 1999, {765, 2298}},   // truncated
    };
    for (const Bounds& c : bounds) {
        EXPECT_EQ(Zevar620PlotBounds(c.lowest, c.highest), c.bounds) << c.lowest;
    }
}

class Zevar620WizardTest : public WizardFixture {
protected:
    void start(const std::vector<std::string>& commands = {}) {
        startSimulator("Z99620G1", commands);
        ASSERT_TRUE(startFamily("Z99620G1"));
    }

    uint32_t raw(const std::string& name, double value) {
        return EngToRaw(value, sheet().document().scalars.find(name)->scaling);
    }
};

TEST_F(Zevar620WizardTest, SparkInputAndMultipleSpeedsFromDefaults) {
    start({"uncalibrated on"});
    EXPECT_EQ(sheet().caption(), "ZEVAR 620 Calibration Wizard");
    next();
    EXPECT_EQ(sheet().startMode(), 0);
    ASSERT_EQ(heading(), "Engine Sensor Setup");
    choose("engine.type", 1);
    EXPECT_EQ(form().at("engine.count").label, "How many spark pulses per revolution?");
    type("engine.count", "6");
    next();

    ASSERT_EQ(heading(), "Speed Setup");
    EXPECT_EQ(form().at("speed.mode").kind, FieldKind::Radio);
    choose("speed.mode", 1);
    next();
    EXPECT_TRUE(form().at("speed.count").visible);
    choose("speed.count", 1);  // 3 Speed
    next();
    EXPECT_EQ(form().at("speed.3").label, "Set Speed 3:");
    EXPECT_FALSE(form().at("speed.4").visible);
    type("speed.1", "1000");
    type("speed.2", "2000");
    type("speed.3", "1500");
    next();

    ASSERT_TRUE(sheet().onSummary());
    EXPECT_EQ(sheet().summaryRows(), (Rows{{"Number Sparks Per Revolution", "  6.0", ""},
                                           {"Single or Multiple speed", "Multiple", ""},
                                           {"Set Speed 1", "1000", "rpm"},
                                           {"Set Speed 2", "2000", "rpm"},
                                           {"Set Speed 3", "1500", "rpm"}}));
    next();
    ASSERT_TRUE(sheet().onComplete());
    EXPECT_EQ(heading(), "The ZEVAR Calibration Wizard has been completed!");
    EXPECT_FALSE(form().at(kCompletePlot).visible);
    // Nothing leaves the ZEVAR 620's write set.
    EXPECT_NE(sheet().document().scalars.find("OPTIONS"), nullptr);
    sheet().Finish();
    EXPECT_EQ(presenter_.commands, std::vector<int>{kCmdParameterPlot});
    EXPECT_EQ(settings_.readString("Plot 1 Min"), "850");
    EXPECT_EQ(settings_.readString("Plot 2 Max"), "2300");

    EXPECT_EQ(eeprom("PULSES_PER_REV"), raw("PULSES_PER_REV", 3));
    EXPECT_EQ(eeprom("PULSES_PER_SAMPLE"), 1u);
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 3u);
    EXPECT_EQ(eeprom("SET_SPEED_1"), 1000u);
    EXPECT_EQ(eeprom("SET_SPEED_2"), 2000u);
    EXPECT_EQ(eeprom("SET_SPEED_3"), 1500u);
}

TEST_F(Zevar620WizardTest, VariableSpeedsFromCurrentValuesWithTheirChecks) {
    start();
    next();
    EXPECT_EQ(sheet().startMode(), 1);
    ASSERT_EQ(heading(), "Engine Sensor Setup");
    EXPECT_EQ(form().selection("engine.type"), 0);  // OPTIONS bit 2
    EXPECT_EQ(form().text("engine.teeth"), "120");
    type("engine.count", "4");
    next();
    // SWITCH_CONFIGURATION 1: the single speed is preselected.
    EXPECT_EQ(form().selection("speed.mode"), 0);
    choose("speed.mode", 1);
    next();
    choose("speed.count", 3);  // Variable Speed
    next();
    EXPECT_EQ(form().at("speed.2").label, "Default Speed:");

    struct Case {
        const char* minimum;
        const char* fallback;
        const char* maximum;
        std::string message;
    };
    const Case refused[] = {
        {"x", "1500", "2300", "Min Speed must be a number."},
        {"40000", "1500", "2300",
         "Min Speed is too large, Value must be < 32000.Wizard cannot continue."},
        {"900", "1500", "901",
         "Max Speed is too small, Value must be  > 902.Wizard cannot continue."},
        {"900", "2300", "2300",
         "Default Speed is too large, Value must be < 2299.Wizard cannot continue."},
    };
    for (const Case& c : refused) {
        prompt_.shown.clear();
        type("speed.1", c.minimum);
        type("speed.2", c.fallback);
        type("speed.3", c.maximum);
        next();
        EXPECT_EQ(heading(), "Speed Setup");
        ASSERT_FALSE(prompt_.shown.empty());
        EXPECT_EQ(prompt_.shown.back().text, c.message);
    }
    type("speed.1", "900");
    type("speed.2", "1500");
    type("speed.3", "2300");
    next();
    ASSERT_TRUE(sheet().onSummary());
    const Rows& rows = sheet().summaryRows();
    EXPECT_EQ(Rows(rows.end() - 3, rows.end()), (Rows{{"Min Speed", "900", "rpm"},
                                                      {"Default Speed", "1500", "rpm"},
                                                      {"Max Speed", "2300", "rpm"}}));
    next();
    sheet().Finish();
    EXPECT_TRUE(presenter_.commands.empty());  // start mode 1 only closes
    EXPECT_EQ(eeprom("PULSES_PER_REV"), raw("PULSES_PER_REV", 120));
    EXPECT_EQ(eeprom("PULSES_PER_SAMPLE"), 60u);  // 2 × 120 / 4
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 5u);
    EXPECT_EQ(eeprom("SET_SPEED_MIN"), 900u);
    EXPECT_EQ(eeprom("SET_SPEED_WARMUP"), 1500u);
    EXPECT_EQ(eeprom("SET_SPEED_MAX"), 2300u);
}

TEST_F(Zevar620WizardTest, SpeedPageAsksForItsChoicesAndBackStartsOver) {
    start({"uncalibrated on"});
    next();
    choose("engine.type", 0);
    type("engine.teeth", "60");
    type("engine.count", "9");
    prompt_.answers = {PromptAnswer::No};  // more than 8 cylinders: not sure
    next();
    EXPECT_EQ(heading(), "Engine Sensor Setup");
    next();  // asked again, answered Yes
    ASSERT_EQ(heading(), "Speed Setup");
    next();
    EXPECT_EQ(prompt_.shown.back().text, "You must select a Speed mode");
    choose("speed.mode", 1);
    next();
    next();
    EXPECT_EQ(prompt_.shown.back().text, "You must select Number of Speeds");
    back();
    EXPECT_EQ(sheet().page().step, 1);
    EXPECT_FALSE(form().at("speed.count").visible);
    EXPECT_TRUE(form().at("speed.mode").enabled);
    choose("speed.mode", 0);
    next();
    EXPECT_EQ(form().at("speed.1").label, "Enter Desired Speed");
    type("speed.1", "1800");
    next();
    ASSERT_TRUE(sheet().onSummary());
    next();
    sheet().Finish();
    // One speed: the plot spans 500 to 5000 rpm.
    EXPECT_EQ(settings_.readString("Plot 1 Min"), "500");
    EXPECT_EQ(settings_.readString("Plot 1 Max"), "5000");
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 1u);
    EXPECT_EQ(eeprom("SET_SPEED_1"), 1800u);
}

TEST_F(Zevar620WizardTest, CancelOnAnyPageWritesNothing) {
    for (int pagesPassed = 0; pagesPassed <= 3; ++pagesPassed) {
        SCOPED_TRACE(pagesPassed);
        TearDown();
        start();
        const uint32_t before = eeprom("SWITCH_CONFIGURATION");
        if (pagesPassed >= 1) next();  // to Engine
        if (pagesPassed >= 2) {
            type("engine.count", "4");
            next();
        }
        if (pagesPassed >= 3) {
            choose("speed.mode", 0);
            next();
            type("speed.1", "1700");
            next();
            ASSERT_TRUE(sheet().onSummary());
        }
        sheet().Cancel();
        EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
        EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), before);
        EXPECT_EQ(eeprom("SET_SPEED_1"), 1500u);
    }
}

}  // namespace
}  // namespace zvr::test
