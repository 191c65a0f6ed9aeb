// The ZEVAR 210 wizard against zvr-sim on a pseudo-terminal with the shipped ZVX01B02
// strategy: engine, speed range, overspeed percent, and the Complete page that always opens
// the Parameter Plot.

#include "wizard/zevar210_wizard.h"
#include "connection/command_ids.h"
#include "definitions/scaling.h"
#include "wizard/wizard_fixture.h"

namespace zvr::test {
namespace {

using Rows = std::vector<SummaryRow>;

TEST(Zevar210RulesTest, OverspeedPercent) {
    EXPECT_DOUBLE_EQ(OverspeedFraction(0), 1.99997);  // disabled
    EXPECT_DOUBLE_EQ(OverspeedFraction(10), 0.10);
    EXPECT_DOUBLE_EQ(OverspeedFraction(100), 1.0);
    struct Accepted {
        int percent;
        bool accepted;
    };
    for (const Accepted& c : {Accepted{0, false}, Accepted{1, true}, Accepted{100, true},
                              Accepted{101, false}, Accepted{110, false}, Accepted{-5, false}}) {
        EXPECT_EQ(OverspeedPercentAccepted(c.percent), c.accepted) << c.percent;
    }
    // What a controller's value stands for when the page fills itself.
    struct Read {
        double fraction;
        int percent;
    };
    for (const Read& c :
         {Read{0.10, 10}, Read{1.0, 100}, Read{1.99997, 0}, Read{0, 0}, Read{0.125, 13}}) {
        EXPECT_EQ(OverspeedPercentOf(c.fraction), c.percent) << c.fraction;
    }
}

class Zevar210WizardTest : public WizardFixture {
protected:
    void start(const std::vector<std::string>& commands = {}) {
        startSimulator("ZVX01B02", commands);
        ASSERT_TRUE(startFamily("ZVX01B02"));
    }

    uint32_t raw(const std::string& name, double value) {
        return EngToRaw(value, sheet().document().scalars.find(name)->scaling);
    }

    void passEngineAndRange() {
        next();
        ASSERT_EQ(heading(), "Configure Engine Speed Input");
        EXPECT_EQ(form().text("engine.teeth"), "120");
        EXPECT_TRUE(sheet().page().retainOffered());
        type("engine.cylinders", "4");
        next();
        ASSERT_EQ(heading(), "Configure Desired Engine Speed Range");
        type("range.lowest", "800");
        type("range.highest", "2400");
        next();
        ASSERT_EQ(heading(), "Configure Engine Protection");
    }
};

// Overspeed on and off: the percent or the disabled value reach OVERSPEED_PCNT, and Finish
// opens the Parameter Plot in either start mode.
TEST_F(Zevar210WizardTest, OverspeedOnAndOff) {
    struct Case {
        const char* name;
        int choice;
        const char* percent;
        double written;
        SummaryRow row;
    };
    const Case cases[] = {
        {"on", 1, "10", 0.10, {"Overspeed Protection", "10", "%"}},
        {"off", 0, "", 1.99997, {"Overspeed Protection", "DISABLED", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        settings_ = MemorySettingsStore();
        presenter_.commands.clear();
        start();
        passEngineAndRange();
        choose("protect.overspeed", c.choice);
        next();
        if (c.choice == 1) {
            type("protect.percent", c.percent);
            next();
        }
        ASSERT_TRUE(sheet().onSummary());
        EXPECT_EQ(sheet().summaryRows(), (Rows{{"Number of flywheel teeth", "120", ""},
                                               {"Number engine cylinders", "4", ""},
                                               {"Lowest command speed", "    800.00", "rpm"},
                                               {"Highest command speed", "   2400.00", "rpm"},
                                               c.row}));
        next();
        ASSERT_TRUE(sheet().onComplete());
        EXPECT_EQ(heading(), "The ZEVAR 210 Calibration Wizard has been completed!");
        EXPECT_FALSE(form().at(kCompletePlot).visible);
        EXPECT_FALSE(form().at(kCompleteSave).visible);
        EXPECT_EQ(form().at("complete.instruction").label,
                  "The Parameter Plot screen will now be launched to help set the PID "
                  "calibration.");
        sheet().Finish();
        EXPECT_EQ(presenter_.commands, std::vector<int>{kCmdParameterPlot});
        EXPECT_EQ(settings_.readString("Plot 1 Min"), "600");
        EXPECT_EQ(settings_.readString("Plot 1 Max"), "2600");

        EXPECT_EQ(eeprom("OVERSPEED_PCNT"), raw("OVERSPEED_PCNT", c.written));
        EXPECT_EQ(eeprom("PULSES_PER_REV"), raw("PULSES_PER_REV", 120));
        EXPECT_EQ(eeprom("PULSES_PER_UPDATE"), 60u);  // 2 × 120 / 4
        EXPECT_EQ(eeprom("SET_SPEED_MIN"), 800u);
        EXPECT_EQ(eeprom("SET_SPEED_MAX"), 2400u);
        EXPECT_EQ(sheet().document().scalars.find("FACTORY_SETTINGS"), nullptr);
    }
}

TEST_F(Zevar210WizardTest, ProtectPageRefusesBadPercents) {
    struct Case {
        const char* text;
        std::string message;
    };
    const Case cases[] = {
        {"110", "Overspeed Percent must be greater than 0 and less than 100."},
        {"0", "Overspeed Percent must be greater than 0 and less than 100."},
        {"ten", "Overspeed Percent must be a number."},
    };
    start();
    passEngineAndRange();
    // OVERSPEED_PCNT 0.125 in the strategy: an enabled 13 %.
    EXPECT_EQ(form().selection("protect.overspeed"), 1);
    form().at("protect.overspeed").selection = -1;
    next();
    EXPECT_EQ(prompt_.shown.back().text, "You must choose Yes or No.");
    choose("protect.overspeed", 1);
    next();
    EXPECT_EQ(form().text("protect.percent"), "13");
    for (const Case& c : cases) {
        type("protect.percent", c.text);
        next();
        EXPECT_EQ(sheet().page().step, 2) << c.text;
        EXPECT_EQ(prompt_.shown.back().text, c.message);
    }
    back();
    EXPECT_FALSE(form().at("protect.percent").visible);
    EXPECT_TRUE(form().at("protect.overspeed").enabled);
}

TEST_F(Zevar210WizardTest, RetainedEngineWritesNoEngineScalar) {
    start();
    simulator_->withUnit([](sim::ControllerUnit& unit) {
        const uint8_t perUpdate[] = {0x00, 0x07};
        return unit.commitWrite(0x4042, perUpdate);
    });
    next();
    ASSERT_TRUE(sheet().page().retainOffered());
    sheet().Retain();
    ASSERT_TRUE(settle());
    ASSERT_EQ(heading(), "Configure Desired Engine Speed Range");
    type("range.lowest", "800");
    type("range.highest", "2400");
    next();
    choose("protect.overspeed", 0);
    next();
    EXPECT_EQ(sheet().summaryRows().front(), (SummaryRow{"Engine Setup Skipped.", "", ""}));
    next();
    EXPECT_TRUE(sheet().written());
    EXPECT_EQ(read(0x4042, 2), 7u);  // PULSES_PER_UPDATE as the unit had it
}

TEST_F(Zevar210WizardTest, CancelOnAnyPageWritesNothing) {
    for (int pagesPassed = 0; pagesPassed <= 4; ++pagesPassed) {
        SCOPED_TRACE(pagesPassed);
        TearDown();
        start();
        const uint32_t before = eeprom("OVERSPEED_PCNT");
        if (pagesPassed >= 1) next();
        if (pagesPassed >= 2) {
            type("engine.cylinders", "4");
            next();
        }
        if (pagesPassed >= 3) {
            type("range.lowest", "800");
            type("range.highest", "2400");
            next();
        }
        if (pagesPassed >= 4) {
            choose("protect.overspeed", 0);
            next();
            ASSERT_TRUE(sheet().onSummary());
        }
        sheet().Cancel();
        EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
        EXPECT_EQ(eeprom("OVERSPEED_PCNT"), before);
        EXPECT_EQ(eeprom("SET_SPEED_MIN"), 800u);
    }
}

}  // namespace
}  // namespace zvr::test
