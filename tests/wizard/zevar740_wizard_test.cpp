// The ZEVAR 740 wizard on its engine, against zvr-sim on a pseudo-terminal with the shipped
// ZVX41R03 (ZEVAR 740) and ZVX61S01 (ZEVAR 760) strategies.

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "connection/command_ids.h"
#include "definitions/cal_file.h"
#include "wizard/wizard_fixture.h"

namespace zvr::test {
namespace {

using Rows = std::vector<SummaryRow>;

bool Shown(const ScriptedPrompt& prompt, const std::string& text) {
    const auto texts = prompt.texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class Zevar740WizardTest : public WizardFixture {
protected:
    // Moves the input to an end through the control socket and takes the reading.
    void capture(double pedal, bool idleSwitch) {
        ASSERT_TRUE(wizard_->process().has_value());
        control("pedal " + std::to_string(pedal));
        control(std::string("ivs ") + (idleSwitch ? "on" : "off"));
        seeLive();
        answer(ProcessAnswer::Done);
    }

    void passEngine740(const char* teeth, const char* cylinders) {
        ASSERT_EQ(heading(), "Engine Sensor Setup");
        choose("engine.type", 0);
        type("engine.teeth", teeth);
        type("engine.count", cylinders);
        next();
    }

    // Start mode 1 fills the teeth from the controller; the cylinders are asked.
    void passEngineCurrent() {
        ASSERT_EQ(heading(), "Engine Sensor Setup");
        EXPECT_EQ(form().text("engine.teeth"), "120");
        type("engine.count", "4");
        next();
    }

    void passRange(const char* lowest, const char* highest) {
        ASSERT_EQ(heading(), "Configure Desired Engine Speed Range");
        type("range.lowest", lowest);
        type("range.highest", highest);
        next();
    }

    void passNoAnalog() {
        ASSERT_EQ(heading(), "Configure Analog Input");
        choose("analog.mode", kAnalogNone);
        next();
    }

    void passOneSpeed(const char* speed) {
        ASSERT_EQ(heading(), "Speed Setup");
        choose("speed.count", 1);
        next();
        type("speed.1", speed);
        type("speed.warmup_time", "0");
        type("speed.ramp_up", "500");
        type("speed.ramp_down", "400");
        next();
    }

    void passNoOutputNoProtection() {
        choose("aux1.mode", 0);
        next();
        if (wizard_->pageIndex() < wizard_->pages().size() - 2 && form().has("aux2.mode")) {
            choose("aux2.mode", 0);
            next();
        }
        ASSERT_EQ(heading(), "Configure Engine Protection");
        choose("protect.overspeed", 0);
        next();
        choose("protect.switch", 0);
        next();
        ASSERT_TRUE(wizard_->onSummary());
    }
};

TEST_F(Zevar740WizardTest, UncalibratedZevar740StartsFromDefaultsAndWritesThePedalSetup) {
    startSimulator("ZVX41R03", {"uncalibrated on", "pedal 0.3"});
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    // No choice for an uncalibrated unit: start mode 0.
    EXPECT_FALSE(form().at(kWelcomeStart).visible);
    EXPECT_EQ(form().at(kWelcomeText).label,
              "The unit is ready to be calibrated.\nClick Next to continue.");
    next();
    EXPECT_EQ(wizard_->startMode(), 0);
    // Start mode 0 preloads nothing.
    EXPECT_EQ(form().text("engine.teeth"), "");
    passEngine740("60", "6");
    passRange("700", "2600");

    choose("analog.mode", kAnalogPedal);
    next();
    choose("analog.ivs", 1);
    next();
    ASSERT_TRUE(wizard_->process().has_value());
    EXPECT_EQ(wizard_->process()->text,
              "Move pedal to the minimum speed position, then click Done.");
    EXPECT_FALSE(wizard_->process()->skipOffered);
    capture(0.0, true);
    EXPECT_EQ(wizard_->process()->text,
              "Move pedal to the maximum speed position, then click Done.");
    capture(1.0, false);
    EXPECT_EQ(wizard_->page().step, 4);
    next();

    ASSERT_EQ(heading(), "Speed Setup");
    choose("speed.count", 2);
    next();
    EXPECT_EQ(form().at("speed.1").label, "Set Speed 1:");
    type("speed.1", "1500");
    type("speed.2", "1800");
    type("speed.warmup_time", "0");
    type("speed.ramp_up", "500");
    type("speed.ramp_down", "400");
    next();

    ASSERT_EQ(heading(), "Configure Auxiliary Output");
    choose("aux1.mode", 1);
    next();
    type("aux1.rpm", "1200");
    next();
    choose("protect.overspeed", 1);
    next();
    type("protect.rpm", "2900");
    next();
    choose("protect.switch", 1);
    next();
    type("protect.delay", "30");
    next();

    ASSERT_TRUE(wizard_->onSummary());
    const Rows& rows = wizard_->summaryRows();
    const Rows expectedStart = {
        {"Number of flywheel teeth", "60", ""},
        {"Number engine cylinders", "6", ""},
        {"Lowest command speed", "    700.00", "rpm"},
        {"Highest command speed", "   2600.00", "rpm"},
        {"Analog Input Configuration", "Pedal Control", ""},
        {"IVS Switch Present", "Yes", ""},
        {"Min Position ADC", "102", ""},
        {"Max Position ADC", "922", ""},
    };
    ASSERT_GE(rows.size(), expectedStart.size());
    EXPECT_EQ(Rows(rows.begin(), rows.begin() + expectedStart.size()), expectedStart);
    const Rows expectedEnd = {
        {"Single or Multiple speed", "Multiple", ""},
        {"Set Speed 1", "1500", "rpm"},
        {"Set Speed 2", "1800", "rpm"},
        {"Ramp Up Rate", "500", "rpm/sec"},
        {"Ramp Down Rate", "400", "rpm/sec"},
        {"Auxiliary Output", "Max RPM Exceeded", ""},
        {"   Speed output limit", "1200", "rpm"},
        {"Overspeed Protection", "2900", "rpm"},
        {"Protection Switch delay", "30", "sec"},
    };
    EXPECT_EQ(Rows(rows.end() - expectedEnd.size(), rows.end()), expectedEnd);

    next();
    ASSERT_TRUE(wizard_->onComplete());
    EXPECT_TRUE(wizard_->written());
    // ZEVAR 740 strategies show no options; Finish in start mode 0 prepares the plot.
    EXPECT_FALSE(form().at(kCompletePlot).visible);
    wizard_->Finish();
    EXPECT_EQ(wizard_->end(), WizardEnd::Finished);
    EXPECT_EQ(presenter_.commands, std::vector<int>{kCmdParameterPlot});
    EXPECT_EQ(settings_.readString("Plot 1 Min"), "500");
    EXPECT_EQ(settings_.readString("Plot 2 Max"), "2800");
    EXPECT_EQ(settings_.readString("Plot X Sample Rate"), "250");

    // Pedal with set speeds: 13 whatever the idle switch.
    EXPECT_EQ(eeprom("EXTERNAL_ANALOG_MODE"), 13u);
    EXPECT_EQ(eeprom("PULSES_PER_REV"), 60u * 16);  // binary point 4
    EXPECT_EQ(eeprom("PULSES_PER_UPDATE"), 20u);    // 2 × 60 / 6
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 2u);
    EXPECT_EQ(eeprom("SET_SPEED_1"), 1500u);
    EXPECT_EQ(eeprom("SET_SPEED_2"), 1800u);
    EXPECT_EQ(eeprom("SET_SPEED_MIN"), 700u);
    EXPECT_EQ(eeprom("SET_SPEED_MAX"), 2600u);
    EXPECT_EQ(eeprom("WARMUP_TIME"), 0u);
    EXPECT_EQ(eeprom("RAMP_UP_RATE"), 500u);
    EXPECT_EQ(eeprom("RAMP_DOWN_RATE"), 400u);
    EXPECT_EQ(eeprom("AUXILIARY_OUTPUT_MODE"), 1u);
    EXPECT_EQ(eeprom("AUX_OUTPUT_RPM"), 1200u);
    EXPECT_EQ(eeprom("OVERSPEED_RPM"), 2900u);
    EXPECT_EQ(eeprom("ENGINE_PRTCT_RUN_TIME"), 30u);
    // The controller stored its own readings when the process left calibration.
    EXPECT_EQ(eeprom("APP_MIN_CAL"), 102u);
    EXPECT_EQ(eeprom("APP_RANGE_CAL"), 820u);
}

TEST_F(Zevar740WizardTest, Zevar760FromCurrentValuesWithAutoIdleAndTwoOutputs) {
    strategy_ = "ZVX61S01";
    startSimulator("ZVX61S01");
    ASSERT_TRUE(startWizard("ZVX61S01", 'S'));
    EXPECT_TRUE(form().at(kWelcomeStart).visible);
    EXPECT_EQ(form().selection(kWelcomeStart), 1);
    next();

    ASSERT_EQ(heading(), "Configure Engine Speed Input");
    EXPECT_TRUE(wizard_->page().retainOffered());
    // Preloaded from SPEED_TYPE 128 and PULSES_PER_REV 120.
    EXPECT_EQ(form().selection("engine.type"), 0);
    EXPECT_EQ(form().text("engine.count"), "120");
    type("engine.cylinders", "8");  // 8 passes without a question
    next();
    EXPECT_TRUE(prompt_.shown.empty());

    ASSERT_EQ(form().text("range.lowest"), "800");
    next();

    ASSERT_EQ(form().at("analog.mode").items.size(), 6u);
    choose("analog.mode", kAnalogAutoIdle);
    next();
    ASSERT_TRUE(wizard_->process().has_value());
    EXPECT_EQ(wizard_->process()->text,
              "Move Potentiometer to the minimum speed position, then click Done.");
    capture(0.0, true);
    capture(1.0, true);
    next();

    ASSERT_EQ(heading(), "Speed Setup");
    EXPECT_EQ(form().at("speed.count").items, std::vector<std::string>{"No Set Speeds"});
    next();  // only the ramps and warm-up, preloaded
    next();

    ASSERT_EQ(heading(), "Configure Auxiliary Output 1 of 2");
    const auto& items = form().at("aux1.mode").items;
    ASSERT_EQ(items.size(), 8u);
    EXPECT_EQ(items[6], "Glowplug Mode");
    EXPECT_EQ(items[7], "Auto-idle lamp");
    choose("aux1.mode", 6);
    next();
    prompt_.answers = {PromptAnswer::No};
    type("aux1.preheat", "150");
    next();
    EXPECT_EQ(prompt_.texts().back(),
              "Glowplug preheat time seems too large, Usually < "
              "120.Do you wish to continue anyway?");
    type("aux1.preheat", "12.5");
    next();
    ASSERT_EQ(heading(), "Configure Auxiliary Output 2 of 2");
    choose("aux2.mode", 6);
    next();
    EXPECT_TRUE(Shown(prompt_, "Only one Aux output can be configured for Glowplug"));
    choose("aux2.mode", 7);
    next();

    ASSERT_EQ(heading(), "Configure Engine Protection");
    // Preloaded: OVERSPEED_RPM 2700, ENGINE_PRTCT_RUN_TIME 10.
    EXPECT_EQ(form().selection("protect.overspeed"), 1);
    next();
    EXPECT_EQ(form().text("protect.rpm"), "2700");
    next();
    next();
    EXPECT_EQ(form().text("protect.delay"), "10");
    next();

    ASSERT_TRUE(wizard_->onSummary());
    const Rows& rows = wizard_->summaryRows();
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        SummaryRow{"Auxiliary Output 2 Of 2", "Auto-idle lamp", ""}),
              rows.end());
    EXPECT_NE(
        std::find(rows.begin(), rows.end(), SummaryRow{"   Glowplug preheat time", "12.5", "sec"}),
        rows.end());
    next();
    ASSERT_TRUE(wizard_->onComplete());
    EXPECT_TRUE(form().at(kCompletePlot).visible);
    choose(kCompleteSave, 1);
    wizard_->Finish();
    EXPECT_EQ(presenter_.commands, std::vector<int>{kCmdSaveCal});
    EXPECT_FALSE(settings_.readString("Plot 1 Name"));

    EXPECT_EQ(eeprom("EXTERNAL_ANALOG_MODE"), 223u);
    EXPECT_EQ(eeprom("SPEED_TYPE"), 128u);
    EXPECT_EQ(eeprom("PULSES_PER_UPDATE"), 30u);  // 2 × 120 / 8
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 0u);
    EXPECT_EQ(eeprom("AUXILIARY_OUTPUT_MODE"), 6u);
    EXPECT_EQ(eeprom("AUXILIARY_OUTPUT_2_MODE"), 7u);  // the lamp, never glowplug
    EXPECT_EQ(eeprom("GLOWPLUG_TIME"), 200u);          // 12.5 s, binary point 4
    for (const char* name : {"SET_SPEED_MIN_1", "SET_SPEED_MIN_2", "SET_SPEED_MIN_3"}) {
        EXPECT_EQ(eeprom(name), 800u) << name;
    }
    EXPECT_EQ(eeprom("SET_SPEED_MAX_3"), 2400u);
    EXPECT_EQ(eeprom("BRAKE_UP_RATE"), 500u);
    EXPECT_EQ(eeprom("BRAKE_DOWN_RATE"), 400u);
}

TEST_F(Zevar740WizardTest, OneOutputAutoIdleLampIsOutputModeSevenWithoutPreheat) {
    startSimulator("ZVX41R03");
    // An auto-idle unit with one output: the lamp stands where glowplug would.
    ASSERT_TRUE(startWizard("ZVX41R03", 'S'));
    next();
    wizard_->Retain();
    ASSERT_TRUE(settle());
    next();
    choose("analog.mode", kAnalogAutoIdle);
    next();
    capture(0.0, true);
    capture(1.0, true);
    next();
    next();
    next();
    const auto& items = form().at("aux1.mode").items;
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[6], "Auto-idle lamp");
    choose("aux1.mode", 6);
    next();
    ASSERT_EQ(heading(), "Configure Engine Protection");  // no preheat step
    choose("protect.overspeed", 0);
    next();
    choose("protect.switch", 0);
    next();
    ASSERT_TRUE(wizard_->onSummary());
    EXPECT_NE(std::find(wizard_->summaryRows().begin(), wizard_->summaryRows().end(),
                        SummaryRow{"Auxiliary Output", "Auto-idle lamp", ""}),
              wizard_->summaryRows().end());
    next();
    EXPECT_EQ(eeprom("AUXILIARY_OUTPUT_MODE"), 7u);
}

TEST_F(Zevar740WizardTest, EnginePageRefusesBadEntriesAndAsksAboutUnusualOnes) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    choose(kWelcomeStart, 0);
    next();
    choose("engine.type", 0);
    struct Entry {
        const char* teeth;
        const char* cylinders;
        PromptAnswer reply;  // to a question, if one is asked
        const char* shown;   // the message, or "" for none
        bool passes;
    };
    const Entry entries[] = {
        {"abc", "4", PromptAnswer::Ok, "Number of teeth must be a number.", false},
        {"60", "", PromptAnswer::Ok, "Number of cylinders must be a number.", false},
        {"9", "4", PromptAnswer::No,
         "The number of teeth should be at least 10. Are you sure you want to continue?", false},
        {"251", "4", PromptAnswer::No,
         "The number of teeth should be less than 250. Are you sure you want to continue?", false},
        {"60", "0", PromptAnswer::Ok,
         "The number of cylinders needs to be at least 1. Setup cannot continue.", false},
        {"60", "9", PromptAnswer::No,
         "The number of cylinders should be less than 8. Are you sure you want to continue?",
         false},
        {"60", "9", PromptAnswer::Yes,
         "The number of cylinders should be less than 8. Are you sure you want to continue?", true},
    };
    for (const Entry& entry : entries) {
        ASSERT_EQ(heading(), "Engine Sensor Setup") << entry.teeth << " " << entry.cylinders;
        prompt_.shown.clear();
        prompt_.answers = {entry.reply};
        type("engine.teeth", entry.teeth);
        type("engine.count", entry.cylinders);
        next();
        ASSERT_FALSE(prompt_.shown.empty()) << entry.teeth << " " << entry.cylinders;
        EXPECT_EQ(prompt_.shown.back().text, entry.shown);
        EXPECT_EQ(heading() == "Engine Sensor Setup", !entry.passes) << entry.teeth;
    }
    // Ignition input: the shared range check on the sparks.
    back();
    choose("engine.type", 1);
    EXPECT_FALSE(form().at("engine.teeth").visible);
    EXPECT_EQ(form().at("engine.count").label, "How many spark pulses per revolution?");
    prompt_.shown.clear();
    type("engine.count", "0.25");
    next();
    EXPECT_EQ(
        prompt_.texts().back(),
        "Number of sparks per revolution is too small, Value must be  > 0.Wizard cannot continue.");
}

TEST_F(Zevar740WizardTest, SpeedPageNeedsASpeedWithoutAnalogAndKeepsAnswersOnBack) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();  // start with current values
    passEngineCurrent();
    next();
    passNoAnalog();
    choose("speed.count", 0);
    next();
    EXPECT_EQ(prompt_.texts().back(),
              "A Speed setup is required if you do not have an Analog mode configured.");
    EXPECT_EQ(heading(), "Speed Setup");
    EXPECT_EQ(wizard_->page().step, 1);

    // Back to SpeedRange and forward again: the entries stay, nothing is reloaded.
    back();
    back();
    type("range.lowest", "900");
    next();
    EXPECT_EQ(form().selection("analog.mode"), kAnalogNone);
    next();
    ASSERT_EQ(heading(), "Speed Setup");
    back();
    back();
    EXPECT_EQ(form().text("range.lowest"), "900");

    next();
    next();
    next();
    choose("speed.count", 5);
    next();
    EXPECT_EQ(form().at("speed.1").label, "Min Speed");
    EXPECT_EQ(form().at("speed.2").label, "Default Speed:");
    type("speed.1", "1000");
    type("speed.2", "1000");  // must lie between min + 1 and max - 1
    type("speed.3", "2000");
    next();
    EXPECT_EQ(prompt_.texts().back(),
              "Default Speed is too small, Value must be  > 1001.Wizard cannot continue.");
    type("speed.2", "1500");
    type("speed.ramp_down", "-1");
    next();
    EXPECT_EQ(prompt_.texts().back(),
              "Ramp Down Rate is too small, Value must be  > 0.Wizard cannot continue.");
    type("speed.ramp_down", "400");
    type("speed.warmup_time", "x");
    next();
    EXPECT_EQ(prompt_.texts().back(), "Warmup Time must be a number.");
    type("speed.warmup_time", "0");
    next();
    ASSERT_EQ(heading(), "Configure Auxiliary Output");
    passNoOutputNoProtection();
    next();
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 5u);
    EXPECT_EQ(eeprom("SET_SPEED_MIN"), 1000u);
    EXPECT_EQ(eeprom("SET_SPEED_WARMUP"), 1500u);
    EXPECT_EQ(eeprom("SET_SPEED_MAX"), 2000u);
    EXPECT_EQ(eeprom("OVERSPEED_RPM"), 0u);
    EXPECT_EQ(eeprom("ENGINE_PRTCT_RUN_TIME"), 8000u);
}

TEST_F(Zevar740WizardTest, RetainedEngineSetupWritesNoEngineScalar) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    choose(kWelcomeStart, 0);
    next();
    // Start mode 0 does not preload, so the button is not shown.
    EXPECT_FALSE(wizard_->page().retainOffered());
    back();
    ASSERT_TRUE(wizard_->onWelcome());
    choose(kWelcomeStart, 1);
    next();
    ASSERT_TRUE(wizard_->page().retainOffered());
    // Answered first, then retained after all: the answers must not reach the controller.
    type("engine.teeth", "60");
    type("engine.count", "4");
    next();
    back();
    wizard_->Retain();
    ASSERT_TRUE(settle());
    ASSERT_EQ(heading(), "Configure Desired Engine Speed Range");
    next();
    passNoAnalog();
    passOneSpeed("1500");
    passNoOutputNoProtection();
    EXPECT_EQ(wizard_->summaryRows().front(), (SummaryRow{"Engine Setup Skipped.", "", ""}));
    next();
    ASSERT_TRUE(wizard_->written());
    EXPECT_EQ(eeprom("PULSES_PER_REV"), 120u * 16);
    EXPECT_EQ(eeprom("PULSES_PER_UPDATE"), 30u);
}

// The Summary's analog rows for each input configuration: the captures only after a process
// that was not skipped, the idle switch only for a pedal, the trim only in trim mode.
TEST_F(Zevar740WizardTest, SummaryAnalogRowsFollowTheConfiguration) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    wizard_->Retain();
    ASSERT_TRUE(settle());
    next();
    passNoAnalog();
    passOneSpeed("1500");
    passNoOutputNoProtection();
    const Rows captures = {{"Min Position ADC", "150", ""},
                           {"Max Position ADC", "870", ""},
                           {"Min Cal (Read from controller)", "140", ""},
                           {"Range Cal (Read from controller)", "700", ""}};
    const auto with = [](Rows rows, const Rows& more) {
        rows.insert(rows.end(), more.begin(), more.end());
        return rows;
    };
    struct Case {
        int mode;
        bool ivs;
        bool skipped;
        Rows rows;
    };
    const Case cases[] = {
        {kAnalogNone, false, false, {{"Analog Input Configuration", "None", ""}}},
        {kAnalogPedal, true, false,
         with({{"Analog Input Configuration", "Pedal Control", ""},
               {"IVS Switch Present", "Yes", ""}},
              captures)},
        {kAnalogPedal,
         false,
         true,
         {{"Analog Input Configuration", "Pedal Control", ""}, {"IVS Switch Present", "No", ""}}},
        {kAnalogPot, false, false,
         with({{"Analog Input Configuration", "Pot or Analog", ""}}, captures)},
        {kAnalogTrim, false, false,
         with(with({{"Analog Input Configuration", "Trim Mode", ""}}, captures),
              {{"Trim RPM", "120", "rpm"}})},
        {kAnalogTrim,
         false,
         true,
         {{"Analog Input Configuration", "Trim Mode", ""}, {"Trim RPM", "120", "rpm"}}},
        {kAnalogCan, false, false,
         with({{"Analog Input Configuration", "CAN Input", ""}}, captures)},
        {kAnalogAutoIdle, false, false,
         with({{"Analog Input Configuration", "Auto-idle Mode", ""}}, captures)},
    };
    for (const Case& c : cases) {
        AnalogPage& analog = wizard_->analog();
        analog.mode = c.mode;
        analog.ivsPresent = c.ivs;
        analog.skipped = c.skipped;
        analog.minimumCapture = 150;
        analog.maximumCapture = 870;
        analog.appMin = 140;
        analog.appRange = 700;
        analog.trimRpm = 120;
        // The rows are made each time the Summary becomes active.
        back();
        next();
        ASSERT_TRUE(wizard_->onSummary());
        const Rows& rows = wizard_->summaryRows();
        const auto first = std::find_if(rows.begin(), rows.end(), [](const SummaryRow& r) {
            return r.description == "Analog Input Configuration";
        });
        const auto last = std::find_if(first, rows.end(), [](const SummaryRow& r) {
            return r.description == "Single or Multiple speed";
        });
        EXPECT_EQ(Rows(first, last), c.rows) << "mode " << c.mode << " skipped " << c.skipped;
    }
}

TEST_F(Zevar740WizardTest, CancelDuringTheProcessPutsBackWhatItChanged) {
    startSimulator("ZVX41R03");
    // The unit runs a pot with set speeds (12) and its own calibration.
    simulator_->withUnit([](sim::ControllerUnit& unit) {
        const uint8_t mode[] = {12};
        const uint8_t minimum[] = {0x00, 0x80};
        const uint8_t range[] = {0x02, 0x00};
        return unit.commitWrite(0x4100, mode) && unit.commitWrite(0x4102, minimum) &&
               unit.commitWrite(0x4104, range);
    });
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    passEngineCurrent();
    next();
    ASSERT_EQ(form().selection("analog.mode"), kAnalogPot);  // preselected from 12
    next();
    ASSERT_TRUE(wizard_->process().has_value());
    EXPECT_TRUE(wizard_->process()->skipOffered);  // same mode as before, start mode 1
    control("pedal 0.6");
    seeLive();
    EXPECT_EQ(read(0x4100, 1), 255u);  // the unit is calibrating

    wizard_->Cancel();
    ASSERT_TRUE(settle());
    EXPECT_EQ(wizard_->end(), WizardEnd::Cancelled);
    EXPECT_EQ(read(0x4100, 1), 12u);
    EXPECT_EQ(read(0x4102, 2), 0x0080u);
    EXPECT_EQ(read(0x4104, 2), 0x0200u);
}

TEST_F(Zevar740WizardTest, SkipKeepsThePreviousCalibrationAndGoesOn) {
    startSimulator("ZVX41R03");
    simulator_->withUnit([](sim::ControllerUnit& unit) {
        const uint8_t mode[] = {103};  // pedal, idle switch set at the minimum
        const uint8_t minimum[] = {0x00, 0x70};
        return unit.commitWrite(0x4100, mode) && unit.commitWrite(0x4102, minimum);
    });
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    passEngineCurrent();
    next();
    ASSERT_EQ(form().selection("analog.mode"), kAnalogPedal);
    next();
    EXPECT_EQ(form().selection("analog.ivs"), 1);
    next();
    ASSERT_TRUE(wizard_->process() && wizard_->process()->skipOffered);
    answer(ProcessAnswer::Skip);
    // Skip presses Next on the person's behalf; the skipped readings are not judged.
    ASSERT_EQ(heading(), "Speed Setup");
    choose("speed.count", 0);
    next();
    next();
    passNoOutputNoProtection();
    next();
    EXPECT_EQ(eeprom("EXTERNAL_ANALOG_MODE"), 103u);
    EXPECT_EQ(eeprom("APP_MIN_CAL"), 0x0070u);
}

TEST_F(Zevar740WizardTest, ReversedPedalAndStuckIdleSwitchAreRefused) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    passEngineCurrent();
    next();
    choose("analog.mode", kAnalogPedal);
    next();
    choose("analog.ivs", 1);
    next();
    capture(0.0, true);
    capture(1.0, true);  // the switch never opened
    EXPECT_EQ(prompt_.shown.back().text,
              "IVS Switch did not change state from Min to Max. Analog Calibration Canceled.");
    EXPECT_EQ(prompt_.shown.back().caption, kProcessCaption);
    EXPECT_EQ(wizard_->page().step, 5);
    next();  // starts over
    capture(1.0, true);
    capture(0.0, false);  // reversed sense
    next();
    EXPECT_EQ(prompt_.texts().back(),
              "The min pot value is greater than the max.\nCorrect the "
              "sense of the sensor and click Next to retry.");
    EXPECT_EQ(wizard_->page().step, 5);
    EXPECT_EQ(heading(), "Configure Analog Input");
}

TEST_F(Zevar740WizardTest, LineFailureDuringTheProcessSaysTheInputWasLeftUnfinished) {
    quickTimeOuts();
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    passEngineCurrent();
    next();
    choose("analog.mode", kAnalogPot);
    next();
    ASSERT_TRUE(wizard_->process().has_value());
    control("line silent 5");
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(wizard_->end(), WizardEnd::Failed);
    const auto texts = prompt_.texts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_EQ(texts[texts.size() - 2], "There was an communication error. The Wizard will close.");
    EXPECT_EQ(texts.back(), kAnalogLeftUnfinished);
}

TEST_F(Zevar740WizardTest, FaultFlagsDecideHowTheWizardStarts) {
    startSimulator("ZVX41R03", {"fatal on"});
    EXPECT_FALSE(startWizard("ZVX41R03", 'R'));
    EXPECT_EQ(wizard_->end(), WizardEnd::Cancelled);
    EXPECT_EQ(prompt_.texts().back(),
              "The controller reported fatal errors. The Wizard cannot proceed.");
}

TEST_F(Zevar740WizardTest, SilentControllerDuringTheFaultReadEndsTheWizard) {
    quickTimeOuts();
    startSimulator("ZVX41R03", {"line silent 10"});
    EXPECT_FALSE(startWizard("ZVX41R03", 'R'));
    EXPECT_EQ(wizard_->end(), WizardEnd::Failed);
    EXPECT_EQ(prompt_.texts().back(), "Fatal Error. The fault data could not be read.");
}

// A failed whole write asks Retry or Cancel with the wizard's own message; Cancel returns to
// the Summary, and the wizard's Cancel there closes it saying that the controller holds some
// new and some old values.
TEST_F(Zevar740WizardTest, FailedWholeWriteSaysWhatTheControllerHolds) {
    quickTimeOuts();
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    wizard_->Retain();
    ASSERT_TRUE(settle());
    next();
    passNoAnalog();
    passOneSpeed("1500");
    passNoOutputNoProtection();
    control("line silent 60");
    prompt_.shown.clear();
    prompt_.answers = {PromptAnswer::Retry, PromptAnswer::Cancel};
    next();
    EXPECT_FALSE(wizard_->ended());
    EXPECT_TRUE(wizard_->onSummary());
    EXPECT_EQ(wizard_->buttons(), kWizardBackNext);
    EXPECT_TRUE(wizard_->lineFailed());
    EXPECT_TRUE(wizard_->partlyWritten());
    EXPECT_EQ(prompt_.texts(), (std::vector<std::string>{kWizardWriteFailed, kWizardWriteFailed}));
    wizard_->Cancel();
    EXPECT_EQ(wizard_->end(), WizardEnd::Cancelled);
    ASSERT_EQ(prompt_.shown.size(), 3u);
    EXPECT_EQ(prompt_.shown.back().text, kWizardWriteUnfinished);
    EXPECT_EQ(prompt_.shown.back().icon, PromptIcon::Warning);
}

// The write keeps what the controller held as a restore point before it sends anything: a
// point that cannot be kept (a file where its folder should be) stops the write with the
// reason, the Summary stays, and Next writes once the point can be kept.
TEST_F(Zevar740WizardTest, WriteWaitsForItsRestorePoint) {
    namespace fs = std::filesystem;
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    const uint32_t held = eeprom("SET_SPEED_1");
    next();
    wizard_->Retain();
    ASSERT_TRUE(settle());
    next();
    passNoAnalog();
    passOneSpeed("1650");
    passNoOutputNoProtection();
    ASSERT_NE(held, 1650u);
    const std::string folder = RestorePoints::DefaultFolder();
    fs::remove_all(folder);
    fs::create_directories(fs::path(folder).parent_path());
    std::ofstream(folder) << "in the way";
    prompt_.shown.clear();
    prompt_.answers = {PromptAnswer::Ok, PromptAnswer::Cancel};  // the reason, then the sheet's
    next();
    EXPECT_TRUE(wizard_->onSummary());
    ASSERT_FALSE(prompt_.texts().empty());
    EXPECT_TRUE(prompt_.texts().front().starts_with(kRestorePointFailed))
        << prompt_.texts().front();
    EXPECT_EQ(eeprom("SET_SPEED_1"), held);

    fs::remove(folder);
    next();
    ASSERT_TRUE(wizard_->written());
    EXPECT_EQ(eeprom("SET_SPEED_1"), 1650u);
    const auto points = points_.List();
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].command, "wizard");
    EXPECT_EQ(points[0].path, transfer_->restorePoint());
    DefinitionSet point;
    ASSERT_EQ(LoadCalFile(point, points[0].path, prompt_), 0);
    EXPECT_EQ(point.scalars.find("SET_SPEED_1")->fileRaw, held);
}

TEST_F(Zevar740WizardTest, CancelAfterTheProcessOnAnyLaterPagePutsTheAnalogValuesBack) {
    // How many Next presses after the process reach each page: Speed, Aux, Protect, Summary.
    struct Stop {
        const char* page;
        int nexts;
    };
    const Stop stops[] = {
        {"Speed Setup", 0},
        {"Configure Auxiliary Output", 2},
        {"Configure Engine Protection", 3},
        {"Review your selections and click Next to calibrate the controller.", 7}};
    for (const Stop& stop : stops) {
        TearDown();  // the previous stop's wizard, link and simulator
        startSimulator("ZVX41R03", {"pedal 0.25"});
        simulator_->withUnit([](sim::ControllerUnit& unit) {
            const uint8_t mode[] = {2};
            return unit.commitWrite(0x4100, mode);
        });
        ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
        next();
        passEngineCurrent();
        next();
        choose("analog.mode", kAnalogPot);
        next();
        capture(0.25, true);
        capture(0.75, true);
        next();
        // The controller now holds its new readings and mode 3.
        ASSERT_EQ(read(0x4100, 1), 3u) << stop.page;
        ASSERT_NE(read(0x4102, 2), 102u) << stop.page;
        choose("speed.count", 1);
        for (int i = 0; i < stop.nexts; ++i)
            next();
        ASSERT_EQ(heading(), stop.page);
        wizard_->Cancel();
        ASSERT_TRUE(awaitEnd()) << stop.page;
        EXPECT_EQ(wizard_->end(), WizardEnd::Cancelled);
        EXPECT_EQ(read(0x4100, 1), 2u) << stop.page;
        EXPECT_EQ(read(0x4102, 2), 102u) << stop.page;
        EXPECT_EQ(read(0x4104, 2), 820u) << stop.page;
    }
}

TEST_F(Zevar740WizardTest, OutputAndProtectionEntriesAreCheckedWithTheirOwnTexts) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    passEngineCurrent();
    next();
    passNoAnalog();
    passOneSpeed("1500");
    ASSERT_EQ(heading(), "Configure Auxiliary Output");
    struct Entry {
        const char* field;
        const char* text;
        PromptAnswer reply;
        const char* shown;
    };
    const auto refuse = [&](int mode, std::initializer_list<Entry> entries) {
        choose("aux1.mode", mode);
        next();
        for (const Entry& entry : entries) {
            prompt_.answers = {entry.reply};
            type(entry.field, entry.text);
            next();
            EXPECT_EQ(prompt_.texts().back(), entry.shown) << entry.field << " " << entry.text;
            EXPECT_EQ(heading(), "Configure Auxiliary Output");
            type(entry.field, "1");
        }
        back();
    };
    type("aux1.crank", "1");
    type("aux1.rest", "1");
    type("aux1.tries", "1");
    refuse(4, {{"aux1.crank", "-1", PromptAnswer::Ok, "Crank Time must be > 0"},
               {"aux1.crank", "31", PromptAnswer::No,
                "Crank time seems too high, should be < 30 sec.\nDo you wish to continue?"},
               {"aux1.rest", "-0.5", PromptAnswer::Ok, "Rest Time must be > 0"},
               {"aux1.rest", "90.5", PromptAnswer::No,
                "Rest time seems too high, should be < 90 sec.\nDo you wish to continue?"},
               {"aux1.tries", "-1", PromptAnswer::Ok, "Retry Count must be > 0"},
               {"aux1.tries", "11", PromptAnswer::No,
                "Retry Count seems too high, should be < 10 times.\nDo you wish to continue?"},
               {"aux1.tries", "two", PromptAnswer::Ok, "Retry Count must be a number."}});
    refuse(1, {{"aux1.rpm", "-1", PromptAnswer::Ok, "Aux RPM must be >= 0"},
               {"aux1.rpm", "5000", PromptAnswer::No, "Aux RPM seems too high, continue?"}});
    // Glowplug is offered only with two outputs.
    EXPECT_EQ(form().at("aux1.mode").items.size(), 6u);
    choose("aux1.mode", 0);
    next();

    ASSERT_EQ(heading(), "Configure Engine Protection");
    choose("protect.overspeed", 1);
    next();
    type("protect.rpm", "0");
    next();
    EXPECT_EQ(prompt_.texts().back(), "Overspeed RPM must be greater than 0.");
    type("protect.rpm", "3000");
    next();
    choose("protect.switch", 1);
    next();
    for (const char* delay : {"0", "8000"}) {
        type("protect.delay", delay);
        next();
        EXPECT_EQ(prompt_.texts().back(),
                  "Delay time must be greater that 0 and less that 8000 seconds.");
    }
    // Back steps one question at a time.
    back();
    EXPECT_FALSE(form().at("protect.delay").visible);
    EXPECT_TRUE(form().at("protect.switch").enabled);
    back();
    EXPECT_TRUE(form().at("protect.rpm").enabled);
    EXPECT_EQ(wizard_->page().step, 2);
}

TEST_F(Zevar740WizardTest, MissingRequiredScalarEndsTheWizardBeforeAnyRequest) {
    startSimulator("ZVX41R03");
    DefinitionSet set;
    ASSERT_EQ(LoadCalFile(set, StrategyPath("ZVX41R03"), prompt_), 0);
    set.scalars.remove(set.scalars.find("OVERSPEED_RPM"));
    const std::string path = std::filesystem::absolute("ZVX41R03.000");
    sim::test::WriteStrategy(set, path);
    link_ = std::make_unique<CDataServer>("wizard-test-log.txt");
    ASSERT_EQ(link_->OpenPort(simulator_->linkPath(), 50), 0);
    transfer_ = std::make_unique<CalTransfer>(*link_, pump_.transferReceiver(), prompt_, progress_);
    Zevar740Wizard wizard(path, 'R',
                          {*link_, pump_.sheetReceiver(), *transfer_, prompt_, presenter_});
    EXPECT_FALSE(wizard.Start());
    EXPECT_EQ(wizard.end(), WizardEnd::Cancelled);
    EXPECT_EQ(prompt_.texts().back(),
              "Fatal Error. Could not find parameter 'OVERSPEED_RPM' in file '" + path + "'");
    EXPECT_EQ(prompt_.shown.back().icon, PromptIcon::Warning);
}

TEST_F(Zevar740WizardTest, TrimModeAsksTheTrimAfterTheProcess) {
    startSimulator("ZVX41R03");
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    next();
    passEngineCurrent();
    next();
    choose("analog.mode", kAnalogTrim);
    next();
    EXPECT_EQ(wizard_->process()->text,
              "Move Trim to the minimum speed position, then click Done.");
    capture(0.9, true);
    capture(0.1, true);  // reversed: accepted for trim, coded + 100
    next();
    ASSERT_EQ(wizard_->page().step, 6);
    ASSERT_TRUE(form().at("analog.trim").visible);
    type("analog.trim", "0");
    next();
    EXPECT_EQ(prompt_.texts().back(), "Trim RPM must be > 0");
    EXPECT_EQ(wizard_->page().step, 5);  // Next starts the process again
    next();
    capture(0.9, true);
    capture(0.1, true);
    next();
    type("analog.trim", "150");
    next();
    ASSERT_EQ(heading(), "Speed Setup");
    choose("speed.count", 0);
    next();
    next();
    passNoOutputNoProtection();
    EXPECT_NE(std::find(wizard_->summaryRows().begin(), wizard_->summaryRows().end(),
                        SummaryRow{"Trim RPM", "150", "rpm"}),
              wizard_->summaryRows().end());
    next();
    EXPECT_EQ(eeprom("EXTERNAL_ANALOG_MODE"), 101u);
    EXPECT_EQ(eeprom("SET_SPEED_TRIM"), 150u);
}

// Demonstration mode answers live reads with random words: the fault flags and the pedal
// readings differ from run to run, and the wizard must go on whatever they are (a set fatal
// bit is ignored, a reversed or stuck pedal is not judged).
TEST_F(Zevar740WizardTest, DemoIgnoresTheFatalFlagAndSkipsValidation) {
    link_ = std::make_unique<CDataServer>("wizard-demo-log.txt");
    ASSERT_EQ(link_->OpenPort("DEMO", 50), 0);
    transfer_ = std::make_unique<CalTransfer>(*link_, pump_.transferReceiver(), prompt_, progress_);
    wizard_ = std::make_unique<Zevar740Wizard>(
        StrategyPath("ZVX41R03"), 'N',
        WizardLinks{*link_, pump_.sheetReceiver(), *transfer_, prompt_, presenter_, &settings_});
    pump_.Bind(*wizard_, *transfer_);
    ASSERT_TRUE(wizard_->Start());
    ASSERT_TRUE(settle());
    ASSERT_FALSE(wizard_->ended());
    next();
    passEngine740("60", "4");
    passRange("700", "2600");
    // Without CAN letters only the first four analog items.
    EXPECT_EQ(form().at("analog.mode").items.size(), 4u);
    choose("analog.mode", kAnalogPedal);
    next();
    choose("analog.ivs", 0);
    next();
    ASSERT_TRUE(wizard_->process().has_value());
    answer(ProcessAnswer::Done);
    answer(ProcessAnswer::Done);
    next();
    EXPECT_EQ(heading(), "Speed Setup");
    EXPECT_TRUE(prompt_.shown.empty());
}

// The analog process writes single values through the main link, which holds every exchange to
// the discipline of a walk: the commit reply of the write that starts calibration comes late
// (the simulator's 4 seconds, inside the late-reply window), the link reads the mode back and
// finds it stored, and the process goes on; the late reply is counted, never taken for the
// next write's commit. Cancel then puts the values back as on a clean line.
TEST_F(Zevar740WizardTest, TheAnalogProcessRidesOutALateCommitReply) {
    quickTimeOuts();
    startSimulator("ZVX41R03");
    simulator_->withUnit([](sim::ControllerUnit& unit) {
        const uint8_t mode[] = {12};
        return unit.commitWrite(0x4100, mode);
    });
    ASSERT_TRUE(startWizard("ZVX41R03", 'R'));
    // This test's time-out is 1 second: the late reply comes 3 seconds after it.
    link_->SetLateReplyWindow(std::chrono::seconds(4));
    next();
    passEngineCurrent();
    next();
    ASSERT_EQ(form().selection("analog.mode"), kAnalogPot);
    simulator_->withLineFaults([](sim::LineFaults& faults) { faults.delayReplies(kCommit, {1}); });
    next();
    ASSERT_TRUE(wizard_->process().has_value());
    control("pedal 0.6");
    seeLive();
    EXPECT_EQ(read(0x4100, 1), 255u);  // the unit is calibrating
    EXPECT_FALSE(wizard_->ended());

    wizard_->Cancel();
    ASSERT_TRUE(settle());
    EXPECT_EQ(wizard_->end(), WizardEnd::Cancelled);
    EXPECT_FALSE(wizard_->lineFailed());
    EXPECT_EQ(read(0x4100, 1), 12u);
    EXPECT_EQ(link_->LateReplyCount(), 1u);
    EXPECT_EQ(link_->StrayCount(), 0u);
}

}  // namespace
}  // namespace zvr::test
