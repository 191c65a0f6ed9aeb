// The ZEVAR 880 wizard on its engine against zvr-sim on a pseudo-terminal with the shipped
// ZVX51A04 strategy: the pages it shares with the ZEVAR 740, the stepper page and its
// calibration process, and the restore when the person cancels.

#include <algorithm>

#include "wizard/wizard_fixture.h"
#include "wizard/zevar880_wizard.h"

namespace zvr::test {
namespace {

using Rows = std::vector<SummaryRow>;

constexpr const char* kCentreQuestion =
    "Position the stepper shaft to the center of travel.\nClick OK When Done and hands are "
    "clear.\n\nClick Cancel to skip the direction calibration.\n";
constexpr const char* kWiringQuestion =
    "Check the stepper motor wiring.\nClick Retry to start over or Cancel to skip this step.\n";
constexpr const char* kCommunicationError =
    "There was an communication error. The Wizard will close.";

bool Shown(const ScriptedPrompt& prompt, const std::string& text) {
    const auto texts = prompt.texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST(StepperTravelTest, DegreesBecomeWholeMotorStepsAndBack) {
    struct Case {
        int degrees;
        int steps;
        int shownDegrees;
    };
    const Case cases[] = {
        {180, 100, 180},                 // the Summary shows the steps back in degrees
        {1, 0, 0},                       // less than one step: the page refuses it
        {2, 1, 1},       {100, 55, 99},  // truncated both ways
        {360, 200, 360},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StepsForDegrees(c.degrees), c.steps) << c.degrees;
        EXPECT_EQ(DegreesForSteps(c.steps), c.shownDegrees) << c.degrees;
    }
}

// The ZEVAR 880 knows neither CAN nor auto-idle: a code is read by its units digit.
TEST(Zevar880AnalogTest, PreselectionByTheUnitsDigit) {
    const std::pair<const char*, AnalogPreselection> cases[] = {
        {"0", {kAnalogNone}},
        {"40", {kAnalogNone}},
        {"102", {kAnalogPot, -1, true}},
        {"13", {kAnalogPedal, 0}},
        {"223", {kAnalogPedal, 1}},
        {"123", {kAnalogPedal, 1, false, true}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(PreselectAnalog(text, false), expected) << text;
    }
}

class Zevar880WizardTest : public WizardFixture {
protected:
    Zevar880Wizard& wizard() { return static_cast<Zevar880Wizard&>(sheet()); }

    void start(const std::vector<std::string>& commands = {}) {
        startSimulator("ZVX51A04", commands);
        ASSERT_TRUE(startFamily("ZVX51A04"));
    }

    // Puts a raw value into the simulator's EEPROM before the wizard reads it.
    void preset(uint16_t address, int size, uint32_t raw) {
        simulator_->withUnit([&](sim::ControllerUnit& unit) {
            const uint8_t two[] = {static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw)};
            const uint8_t one[] = {static_cast<uint8_t>(raw)};
            return size == 2 ? unit.commitWrite(address, two) : unit.commitWrite(address, one);
        });
    }

    // Start mode 1 up to the stepper page: pickup with 4 cylinders, 700-2600 rpm, the
    // analog mode given, one set speed, no output, no protection.
    void passToStepper(int analogMode = kAnalogNone) {
        next();  // Welcome: start with current values
        ASSERT_EQ(heading(), "Configure Engine Speed Input");
        EXPECT_EQ(form().selection("engine.type"), 0);  // SPEED_TYPE 128
        type("engine.cylinders", "4");
        next();
        ASSERT_EQ(heading(), "Configure Desired Engine Speed Range");
        type("range.lowest", "700");
        type("range.highest", "2600");
        next();
        ASSERT_EQ(heading(), "Configure Analog Input");
        choose("analog.mode", analogMode);
        next();
        if (analogMode != kAnalogNone) {
            for (double pedal : {0.1, 0.9}) {
                ASSERT_TRUE(sheet().process().has_value());
                control("pedal " + std::to_string(pedal));
                seeLive();
                answer(ProcessAnswer::Done);
            }
            next();
        }
        ASSERT_EQ(heading(), "Speed Setup");
        oneSetSpeed();
        ASSERT_EQ(heading(), "Configure Auxiliary Output");
        choose("aux1.mode", 0);
        next();
        choose("protect.overspeed", 0);
        next();
        choose("protect.switch", 0);
        next();
        ASSERT_EQ(heading(), "Configure Stepper Motor");
    }

    // From the Welcome (start with current values) to the analog page: 4 cylinders,
    // 700-2600 rpm.
    void toAnalogInput() {
        next();
        type("engine.cylinders", "4");
        next();
        type("range.lowest", "700");
        type("range.highest", "2600");
        next();
    }

    // Speed Setup's two steps: one set speed of 1500 rpm, no warm-up, ramps of 500 and 400.
    void oneSetSpeed() {
        choose("speed.count", 1);
        next();
        type("speed.1", "1500");
        type("speed.warmup_time", "0");
        type("speed.ramp_up", "500");
        type("speed.ramp_down", "400");
        next();
    }

    // Travel entered and the process run up to the direction dialog.
    void runToDialog(const char* degrees = "180") {
        type("stepper.degrees", degrees);
        next();
        ASSERT_TRUE(sheet().process().has_value());
    }

    uint32_t stepper(const char* name) { return eeprom(name); }
};

TEST_F(Zevar880WizardTest, FullRunWritesTheTravelAndTheDirectionTheMotorWent) {
    start();
    passToStepper(kAnalogPot);
    // Preloaded from STEP_MAX_STEP 100.
    EXPECT_EQ(form().text("stepper.degrees"), "180");
    runToDialog();
    EXPECT_TRUE(Shown(prompt_, kCentreQuestion));
    const ProcessPrompt& dialog = *sheet().process();
    EXPECT_EQ(dialog.caption, "Stepper Motor Calibration Process");
    EXPECT_EQ(dialog.label, "The Stepper Motor....");
    ASSERT_EQ(dialog.offered().size(), 3u);
    EXPECT_EQ(dialog.offered()[0].text, "Moved to full travel");
    EXPECT_EQ(dialog.offered()[2].toolTip,
              "Click here if the motor did not move or is not under power.");
    // The controller drives the motor: mode 2, powered (0 % power-down), direction 3.
    EXPECT_EQ(stepper("STEP_MODE"), 2u);
    EXPECT_EQ(stepper("STEP_CONFIG"), 3u);
    EXPECT_EQ(stepper("STEP_POWER_DN"), 0u);
    // An answer the dialog does not offer is ignored.
    sheet().AnswerProcess(ProcessAnswer::Done);
    EXPECT_TRUE(sheet().process().has_value());

    answer(ProcessAnswer::MovedClosed);
    ASSERT_TRUE(sheet().onSummary());
    const Rows& rows = sheet().summaryRows();
    EXPECT_EQ(rows.back(), (SummaryRow{"Stepper Motor Max Travel", "180", "degrees"}));
    EXPECT_NE(std::find_if(rows.begin(), rows.end(),
                           [](const SummaryRow& r) { return r.description == "Max APosition DC"; }),
              rows.end());
    next();
    ASSERT_TRUE(sheet().onComplete());
    EXPECT_FALSE(form().at(kCompletePlot).visible);
    EXPECT_EQ(form().at("complete.instruction").label, "Click Finish to close this window.");
    EXPECT_EQ(heading(), "The ZEVAR Calibration Wizard has been completed!");
    sheet().Finish();
    EXPECT_EQ(sheet().end(), WizardEnd::Finished);

    EXPECT_EQ(stepper("STEP_MAX_STEP"), 100u);
    EXPECT_EQ(stepper("STEP_CONFIG"), kStepperClosedCode);
    EXPECT_EQ(stepper("STEP_MODE"), 0u);
    EXPECT_EQ(stepper("STEP_POWER_DN"), 15u);
    EXPECT_EQ(stepper("STEP_CAL"), 0u);
    EXPECT_EQ(eeprom("SPEED_TYPE"), 128u);
    EXPECT_EQ(eeprom("SWITCH_CONFIGURATION"), 1u);
    EXPECT_EQ(eeprom("EXTERNAL_ANALOG_MODE"), 12u);  // pot with set speeds
}

// Each way the direction calibration can end: STEP_CONFIG gets the direction code, or,
// skipped, keeps the 3 the process wrote and stays out of the whole write (the unit had 128
// before, which the write would have put back).
TEST_F(Zevar880WizardTest, DirectionAnswersDecideStepConfig) {
    struct Case {
        const char* name;
        std::vector<PromptAnswer> questions;  // centre, then wiring
        std::vector<ProcessAnswer> dialogs;
        uint32_t config;
        bool dropped;
    };
    const Case cases[] = {
        {"full travel", {PromptAnswer::Ok}, {ProcessAnswer::MovedFullTravel}, 131, false},
        {"closed", {PromptAnswer::Ok}, {ProcessAnswer::MovedClosed}, 3, false},
        {"didn't move, cancel",
         {PromptAnswer::Ok, PromptAnswer::Cancel},
         {ProcessAnswer::DidntMove},
         3,
         true},
        {"centre skipped", {PromptAnswer::Cancel}, {}, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        startSimulator("ZVX51A04");
        preset(0x4187, 1, 128);  // STEP_CONFIG
        ASSERT_TRUE(startFamily("ZVX51A04"));
        passToStepper();
        prompt_.answers.assign(c.questions.begin(), c.questions.end());
        type("stepper.degrees", "90");
        next();
        for (ProcessAnswer dialog : c.dialogs)
            answer(dialog);
        ASSERT_TRUE(sheet().onSummary());
        next();
        ASSERT_TRUE(sheet().written());
        EXPECT_EQ(sheet().document().scalars.find("STEP_CONFIG") == nullptr, c.dropped);
        EXPECT_EQ(read(0x4187, 1), c.config);
        EXPECT_EQ(read(0x418C, 2), 50u);  // STEP_MAX_STEP: 90 degrees
    }
}

TEST_F(Zevar880WizardTest, DidntMoveAndRetryReturnsToTheTravelQuestion) {
    start();
    passToStepper();
    runToDialog();
    prompt_.answers = {PromptAnswer::Retry};
    answer(ProcessAnswer::DidntMove);
    EXPECT_TRUE(Shown(prompt_, kWiringQuestion));
    EXPECT_EQ(heading(), "Configure Stepper Motor");
    EXPECT_EQ(sheet().page().step, 1);
    EXPECT_TRUE(form().at("stepper.degrees").enabled);
    EXPECT_FALSE(wizard().stepper().running());
    EXPECT_EQ(sheet().buttons(), kWizardBackNext);
    EXPECT_EQ(stepper("STEP_MODE"), 0u);  // the motor no longer driven

    runToDialog("120");
    answer(ProcessAnswer::MovedFullTravel);
    ASSERT_TRUE(sheet().onSummary());
    next();
    EXPECT_EQ(stepper("STEP_CONFIG"), kStepperFullTravelCode);
    EXPECT_EQ(stepper("STEP_MAX_STEP"), 66u);
}

TEST_F(Zevar880WizardTest, TravelEntriesAreChecked) {
    struct Case {
        const char* text;
        std::string message;
    };
    const Case cases[] = {
        {"abc", "Degrees of Travel must be a number."},
        {"0", "Degrees of Travel is too small, Value must be  > 1.Wizard cannot continue."},
        {"400", "Degrees of Travel is too large, Value must be < 360.Wizard cannot continue."},
        {"1",
         "Degrees of Travel must be at least 2: the stepper motor moves 1.8 degrees per "
         "step."},
    };
    start();
    passToStepper();
    const uint32_t before = stepper("STEP_MAX_STEP");
    for (const Case& c : cases) {
        prompt_.shown.clear();
        prompt_.answers = {PromptAnswer::Yes};  // "seems too small" for 1 degree
        type("stepper.degrees", c.text);
        next();
        EXPECT_EQ(sheet().page().step, 1) << c.text;
        EXPECT_FALSE(sheet().process().has_value()) << c.text;
        ASSERT_FALSE(prompt_.shown.empty()) << c.text;
        EXPECT_EQ(prompt_.shown.back().text, c.message);
    }
    EXPECT_EQ(stepper("STEP_MAX_STEP"), before);  // nothing was written
}

TEST_F(Zevar880WizardTest, SparkCountIsAWholeNumber) {
    struct Case {
        const char* text;
        std::string message;  // empty: accepted
    };
    const Case cases[] = {
        {"x2", "Number of sparks per revolution must be a number."},
        {"0",
         "Number of sparks per revolution is too small, Value must be  > 1.Wizard cannot "
         "continue."},
        {"2", ""},
    };
    start();
    next();
    choose("engine.type", 1);  // ignition
    EXPECT_FALSE(form().at("engine.cylinders").visible);
    for (const Case& c : cases) {
        prompt_.shown.clear();
        type("engine.count", c.text);
        next();
        if (c.message.empty()) {
            EXPECT_EQ(heading(), "Configure Desired Engine Speed Range");
        } else {
            ASSERT_FALSE(prompt_.shown.empty()) << c.text;
            EXPECT_EQ(prompt_.shown.back().text, c.message);
        }
    }
}

TEST_F(Zevar880WizardTest, PagesOfferTheZevar880Choices) {
    startSimulator("ZVX51A04");
    preset(0x4100, 1, 223);  // EXTERNAL_ANALOG_MODE of a ZEVAR 740 in auto-idle
    ASSERT_TRUE(startFamily("ZVX51A04"));
    EXPECT_EQ(sheet().caption(), "ZEVAR 880 Calibration Wizard");
    EXPECT_EQ(heading(),
              "Welcome to ZEVAR Wizard, an interactive guide to getting your ZEVAR 880 up and "
              "running as quickly and easily as possible.");
    toAnalogInput();
    EXPECT_EQ(form().at("analog.mode").items.size(), 4u);  // no CAN, no auto-idle
    EXPECT_EQ(form().selection("analog.mode"), kAnalogPedal);
    EXPECT_EQ(form().selection("analog.ivs"), 1);
    choose("analog.mode", kAnalogNone);
    next();
    choose("speed.count", 0);
    next();
    EXPECT_EQ(heading(), "Speed Setup");  // a speed is needed without analog input
    oneSetSpeed();
    EXPECT_EQ(heading(), "Configure Auxiliary Output");
    EXPECT_EQ(form().at("aux1.mode").items.size(), 6u);  // modes 0-5
}

// Cancel on a page before the stepper process writes nothing: the unit keeps its speed and
// its stepper settings.
TEST_F(Zevar880WizardTest, CancelBeforeTheStepperProcessWritesNothing) {
    const char* const stopAt[] = {"Configure Engine Speed Input",
                                  "Configure Desired Engine Speed Range", "Speed Setup",
                                  "Configure Engine Protection", "Configure Stepper Motor"};
    for (const char* page : stopAt) {
        SCOPED_TRACE(page);
        TearDown();
        start();
        const auto answers =
            std::vector<std::pair<std::string, std::string>>{{"engine.cylinders", "4"},
                                                             {"range.lowest", "700"},
                                                             {"range.highest", "2600"},
                                                             {"speed.1", "1900"},
                                                             {"speed.warmup_time", "0"}};
        next();
        for (int guard = 0; heading() != page && guard < 20; ++guard) {
            for (const auto& [id, text] : answers) {
                if (form().has(id)) type(id, text);
            }
            for (const char* id : {"analog.mode", "speed.count", "aux1.mode", "protect.overspeed",
                                   "protect.switch"}) {
                if (form().has(id) && form().at(id).asks())
                    choose(id, id == std::string("speed.count") ? 1 : 0);
            }
            next();
        }
        ASSERT_EQ(heading(), page);
        sheet().Cancel();
        EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
        EXPECT_EQ(eeprom("SET_SPEED_1"), 1500u);
        EXPECT_EQ(eeprom("STEP_MAX_STEP"), 100u);
    }
}

TEST_F(Zevar880WizardTest, CancelDuringTheProcessPutsTheStepperBackAsTheWelcomeReadFoundIt) {
    startSimulator("ZVX51A04");
    preset(0x418C, 2, 150);  // STEP_MAX_STEP
    preset(0x4186, 1, 1);    // STEP_MODE
    preset(0x4187, 1, 128);  // STEP_CONFIG
    preset(0x4188, 1, 40);   // STEP_POWER_DN
    preset(0x418A, 2, 7);    // STEP_CAL
    ASSERT_TRUE(startFamily("ZVX51A04"));
    passToStepper();
    runToDialog();
    EXPECT_EQ(read(0x4186, 1), 2u);  // the process drives the motor

    sheet().Cancel();
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
    EXPECT_FALSE(sheet().lineFailed());
    EXPECT_EQ(read(0x418C, 2), 150u);
    EXPECT_EQ(read(0x4186, 1), 1u);
    EXPECT_EQ(read(0x4187, 1), 128u);
    EXPECT_EQ(read(0x4188, 1), 40u);
    EXPECT_EQ(read(0x418A, 2), 7u);
}

TEST_F(Zevar880WizardTest, CancelOnTheSummaryAfterTheProcessAlsoPutsTheStepperBack) {
    startSimulator("ZVX51A04");
    preset(0x418C, 2, 150);
    ASSERT_TRUE(startFamily("ZVX51A04"));
    passToStepper();
    runToDialog();
    answer(ProcessAnswer::MovedFullTravel);
    ASSERT_TRUE(sheet().onSummary());
    EXPECT_EQ(read(0x418C, 2), 100u);
    sheet().Cancel();
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(read(0x418C, 2), 150u);
    EXPECT_EQ(read(0x4187, 1), 131u);  // the strategy's value, as the unit had it
}

// Once the whole write has gone through, Cancel on Complete closes and puts nothing back: the
// stepper keeps the travel just written, no plot is set up and no command posted.
TEST_F(Zevar880WizardTest, CancelOnCompleteAfterTheWriteKeepsTheStepperAsWritten) {
    startSimulator("ZVX51A04");
    preset(0x418C, 2, 150);
    ASSERT_TRUE(startFamily("ZVX51A04"));
    passToStepper();
    runToDialog();
    answer(ProcessAnswer::MovedFullTravel);
    ASSERT_TRUE(sheet().onSummary());
    next();
    ASSERT_TRUE(sheet().onComplete());
    prompt_.shown.clear();
    sheet().Cancel();
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
    EXPECT_EQ(read(0x418C, 2), 100u);
    EXPECT_EQ(read(0x4187, 1), 131u);
    EXPECT_TRUE(prompt_.shown.empty()) << prompt_.texts().front();
    EXPECT_TRUE(presenter_.commands.empty());
}

TEST_F(Zevar880WizardTest, FailedStepperRestoreNamesTheScalarsToCheck) {
    start();
    passToStepper();
    runToDialog();
    control("line silent 30");
    sheet().Cancel();
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
    EXPECT_TRUE(sheet().lineFailed());
    ASSERT_FALSE(prompt_.shown.empty());
    const std::string& text = prompt_.shown.back().text;
    EXPECT_NE(text.find("There was an error restoring the original Stepper Motor values."),
              std::string::npos);
    for (const char* name :
         {"STEP_MODE", "STEP_CAL", "STEP_CONFIG", "STEP_POWER_DN", "STEP_MAX_STEP"}) {
        EXPECT_NE(text.find(name), std::string::npos) << name;
    }
}

// The ZEVAR 880's analog restore reports a failed write as the ZEVAR 740's does.
TEST_F(Zevar880WizardTest, FailedAnalogRestoreIsReported) {
    start();
    toAnalogInput();
    choose("analog.mode", kAnalogPot);
    next();
    ASSERT_TRUE(sheet().process().has_value());
    control("line silent 30");
    sheet().Cancel();
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(sheet().end(), WizardEnd::Cancelled);
    EXPECT_TRUE(Shown(prompt_,
                      "There was an error restoring the original Analog Calibration values. You "
                      "must run the wizard again or APP_MIN_CAL and APP_RANGE_CAL manually"));
}

TEST_F(Zevar880WizardTest, SilentControllerDuringTheStepperProcessEndsTheWizard) {
    start();
    passToStepper();
    runToDialog();
    control("line silent 30");
    sheet().AnswerProcess(ProcessAnswer::MovedClosed);
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(sheet().end(), WizardEnd::Failed);
    EXPECT_TRUE(Shown(prompt_, kCommunicationError));
}

// The stepper process writes single values through the main link, held to the discipline of a
// walk: the echo of its first write comes late (the simulator's 4 seconds, inside the
// late-reply window), so that write fails as a lost reply and is counted as a late one, never
// taken for another write's echo. The wizard ends on the communication error, and the
// controller, which never had the write committed, holds the stepper values it had.
TEST_F(Zevar880WizardTest, ALateEchoInTheStepperProcessIsALinkFailure) {
    start();
    // This test's time-out is 1 second: the late reply comes 3 seconds after it.
    link_->SetLateReplyWindow(std::chrono::seconds(4));
    const uint32_t maxStep = stepper("STEP_MAX_STEP");
    const uint32_t mode = stepper("STEP_MODE");
    passToStepper();
    simulator_->withLineFaults([](sim::LineFaults& faults) { faults.delayReplies(kWrite, {1}); });
    type("stepper.degrees", "180");
    next();
    ASSERT_TRUE(awaitEnd());
    EXPECT_EQ(sheet().end(), WizardEnd::Failed);
    EXPECT_TRUE(Shown(prompt_, kCommunicationError));
    EXPECT_EQ(stepper("STEP_MAX_STEP"), maxStep);
    EXPECT_EQ(stepper("STEP_MODE"), mode);
    // The echo arrives after the wizard has ended, and is counted, never delivered.
    const auto until = std::chrono::steady_clock::now() + kLimit;
    while (link_->LateReplyCount() == 0 && std::chrono::steady_clock::now() < until)
        pump_.Poll(std::chrono::milliseconds(50));
    EXPECT_EQ(link_->LateReplyCount(), 1u);
    EXPECT_EQ(link_->StrayCount(), 0u);
}

}  // namespace
}  // namespace zvr::test
