// zvr-cli wizard against zvr-sim on a pseudo-terminal, with the shipped ZEVAR 740 and 760
// strategies: the terminal conversation, the answers file, the exit codes and the EEPROM the
// wizard leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

#include "calibration/restore_points.h"
#include "definitions/cal_file.h"
#include "support/file_size_limit.h"
#include "wizard_command_fixture.h"

namespace zvr::cli {
namespace {

using test::ScriptedInput;

class WizardCommandTest : public test::WizardCommandFixture {
protected:
    // Puts the pedal (and the idle switch) somewhere, and lets the wizard see it: two live
    // sets sent after the move, however slowly a loaded machine streams them, and a moment for
    // the terminal program to take the last one in.
    std::function<void()> pedal(double position, bool idleSwitch) {
        return [this, position, idleSwitch] {
            ASSERT_EQ(simulator_->execute("pedal " + std::to_string(position)), "ok");
            ASSERT_EQ(simulator_->execute(std::string("ivs ") + (idleSwitch ? "on" : "off")), "ok");
            const uint64_t carried = simulator_->setsStreamed() + 2;
            const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (simulator_->setsStreamed() < carried && std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        };
    }
};

TEST_F(WizardCommandTest, UncalibratedZevar740OnTheTerminalWritesWhatWasAnswered) {
    startSimulator("ZVX41R03", {"uncalibrated on"});
    ScriptedInput input({
        "1",  // magnetic pickup
        "4",  // cylinders
        "60",
        "700",
        "2600",  // speed range
        "pedal control for drive-by-wire vehicles",
        "2",  // with IVS
        pedal(0.0, true),
        "d",
        pedal(1.0, false),
        "Done",
        "3",  // 2 speeds
        "1400",
        "1900",
        "0",
        "",
        "450",
        "350",
        "Output on when fault exists",
        "2",
        "2900",
        "1",  // overspeed on, switch off
        "y",
    });
    ASSERT_EQ(wizard(input), kExitOk) << err_.str() << out_.str();
    EXPECT_EQ(input.left(), 0u);
    // The uncalibrated unit is not asked how to start.
    EXPECT_TRUE(printed(
        "The unit is ready to be calibrated.\nClick Next to continue.\n\nEngine Sensor Setup\n"));
    EXPECT_TRUE(printed(
        "How will the engine speed be detected?\n  1. Magnetic Pickup (MPU) or Hall Effect\n"
        "  2. Ignition Sensing or Magneto Input\n> "));
    EXPECT_FALSE(printed("Retain Current Values"));  // start mode 0
    EXPECT_TRUE(
        printed("Move pedal to the minimum speed position, then click Done.\nDone or Abort and "
                "Start Over?\n"));
    EXPECT_TRUE(printed("Calibrate the controller now? [y/n] "));
    EXPECT_EQ(get("EXTERNAL_ANALOG_MODE"), "ok 13");
    EXPECT_EQ(get("PULSES_PER_REV"), "ok 60.00");
    EXPECT_EQ(get("PULSES_PER_UPDATE"), "ok 30");
    EXPECT_EQ(get("SWITCH_CONFIGURATION"), "ok 2");
    EXPECT_EQ(get("SET_SPEED_1"), "ok 1400");
    EXPECT_EQ(get("SET_SPEED_2"), "ok 1900");
    EXPECT_EQ(get("SET_SPEED_MIN"), "ok 700");
    EXPECT_EQ(get("RAMP_UP_RATE"), "ok 450");
    EXPECT_EQ(get("AUXILIARY_OUTPUT_MODE"), "ok 2");
    EXPECT_EQ(get("OVERSPEED_RPM"), "ok 2900");
    EXPECT_EQ(get("ENGINE_PRTCT_RUN_TIME"), "ok 8000");
    EXPECT_EQ(get("APP_MIN_CAL"), "ok 102");
    EXPECT_EQ(get("APP_RANGE_CAL"), "ok 820");
}

TEST_F(WizardCommandTest, Zevar760FromAnAnswersFileWithTheRestOnTheTerminal) {
    startSimulator("ZVX61S01");
    const std::string answers = "answers.json";
    std::ofstream(answers) << R"({
        "fields": {"welcome.start": "Start with current values", "engine.cylinders": 6,
                   "analog.mode": "Pot or analog Control for stationary applications",
                   "speed.count": "Variable Speed", "speed.1": 900, "speed.2": 1500, "speed.3": 2300,
                   "aux1.mode": "Autocrank mode", "aux1.crank": 40,
                   "aux2.mode": 2, "aux2.rpm": 1700,
                   "protect.overspeed": 1, "protect.switch": 1},
        "questions": {"Crank time seems too high, should be < 30 sec.\nDo you wish to continue?": "yes"},
        "calibrate": "yes"
    })";
    // Only the process and the fields the file leaves open are typed.
    ScriptedInput input(
        {pedal(1.0, true), "done", pedal(0.0, true), "d", "", "", "", "", "", "", "", "", "", ""});
    ASSERT_EQ(wizard(input, {"--answers", answers, "--save", "prepared.ZVR"}), kExitOk)
        << err_.str() << out_.str();
    EXPECT_TRUE(printed("Configure Engine Speed Input\n"));
    EXPECT_TRUE(printed("How many teeth does the Flywheel have? [120] "));
    EXPECT_TRUE(printed(
        "Crank time seems too high, should be < 30 sec.\nDo you wish to continue?\n[y/n] yes\n"));
    // A reversed pot: + 100, and no + 10 for the speeds.
    EXPECT_EQ(get("EXTERNAL_ANALOG_MODE"), "ok 102");
    EXPECT_EQ(get("PULSES_PER_UPDATE"), "ok 40");  // 2 × 120 / 6
    EXPECT_EQ(get("SWITCH_CONFIGURATION"), "ok 5");
    EXPECT_EQ(get("SET_SPEED_WARMUP"), "ok 1500");
    EXPECT_EQ(get("AUXILIARY_OUTPUT_MODE"), "ok 4");
    EXPECT_EQ(get("AUTOCRANK_CRANK_TIME"), "ok 40");
    EXPECT_EQ(get("AUXILIARY_OUTPUT_2_MODE"), "ok 1");
    EXPECT_EQ(get("AUX_OUTPUT_2_RPM"), "ok 1700");
    EXPECT_TRUE(std::filesystem::exists("prepared.ZVR"));
}

TEST_F(WizardCommandTest, RefusedEntriesAskTheStepAgain) {
    startSimulator("ZVX41R03");
    ScriptedInput input({"2",    "1",    "4", "",  // current values; pickup, 4 cylinders, 120 teeth
                         "abc",  "",               // not a number: asked again
                         "800",  "2600",
                         "1",                              // no analog input
                         "2",    "6000", "0", "", "", "",  // one speed, above the highest
                         "1500", "",     "",  "", "", "1", "1", "1", "n"});
    EXPECT_EQ(wizard(input), kExitNo) << err_.str();
    EXPECT_TRUE(
        printed("error: Low Speed must be a number.\n"
                "What is the LOWEST engine speed the operator can command? (rpm) [abc] 800\n"));
    EXPECT_TRUE(
        printed("error: Speed 1 is too large, Value must be < 2600.Wizard cannot continue.\n"
                "Enter Desired Speed: [6000] 1500\n"));
    EXPECT_TRUE(printed("Calibrate the controller now? [y/n] "));
    EXPECT_EQ(err_.str(), "zvr-cli wizard: cancelled\n");
}

TEST_F(WizardCommandTest, CtrlCDuringTheProcessPutsTheAnalogCalibrationBack) {
    startSimulator("ZVX41R03");
    ScriptedInput* script = nullptr;
    ScriptedInput input({"2", "1", "4", "", "", "",
                         "3",  // pot
                         pedal(0.4, true), [&] { script->pressCtrlC(); }});
    script = &input;
    EXPECT_EQ(wizard(input), kExitNo) << err_.str();
    EXPECT_EQ(get("EXTERNAL_ANALOG_MODE"), "ok 0");
    EXPECT_EQ(get("APP_MIN_CAL"), "ok 102");
    EXPECT_EQ(get("APP_RANGE_CAL"), "ok 820");
}

TEST_F(WizardCommandTest, NobodyToAnswerCancelsAndASilentControllerFails) {
    startSimulator("ZVX41R03");
    ScriptedInput nobody({});
    EXPECT_EQ(wizard(nobody), kExitNo);
    EXPECT_TRUE(printed("  2. Start with current values\n> [2] \n"));

    // The controller falls silent before the whole read.
    ScriptedInput hangs({[this] { ASSERT_EQ(simulator_->execute("line silent 30"), "ok"); }, "2"});
    EXPECT_EQ(wizard(hangs), kExitLink);
    EXPECT_TRUE(printed("warning: Fatal Error. The Calibration could not be read.\n"));
}

// An answers file that cannot be used is a usage error that says why, before anything is
// asked or written: a folder or a missing file with the system's reason, a field id this
// wizard does not ask (a typo would otherwise leave the default written) by its name.
TEST_F(WizardCommandTest, BadAnswersFilesAreUsageErrors) {
    startSimulator("ZVX41R03");
    std::ofstream("bad.json") << R"({"fields": {"range.lowest": [1]}})";
    std::ofstream("unknown.json") << R"({"answers": {}})";
    std::ofstream("typo.json") << R"({"fields": {"speed.count": "1 Speed", "speed.l": 1500,
                                                 "engine.teeth": 60, "stepper.degrees": 90},
                                      "calibrate": "yes"})";
    std::filesystem::create_directory("answers.d");
    struct Case {
        const char* file;
        const char* error;  // the whole of standard error, or "" where any reason will do
    };
    const Case cases[] = {
        {"bad.json", ""},
        {"unknown.json", ""},
        {"missing.json", "zvr-cli wizard: cannot read missing.json: No such file or directory\n"},
        {"answers.d", "zvr-cli wizard: cannot read answers.d: Is a directory\n"},
        {"typo.json",
         "zvr-cli wizard: typo.json: unknown fields \"speed.l\", \"stepper.degrees\": the ZEVAR "
         "740 Calibration Wizard asks no such question\n"},
    };
    const std::string speed = get("SET_SPEED_1");
    ScriptedInput input({});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_EQ(wizard(input, {"--answers", c.file}), kExitUsage);
        if (*c.error != '\0') {
            EXPECT_EQ(err_.str(), c.error);
        }
        EXPECT_FALSE(printed("Welcome"));
    }
    EXPECT_EQ(get("SET_SPEED_1"), speed);
}

// A write the line breaks off: the wizard's own message (no download's advice), and Retry
// writes the same answers again once the line is back.
TEST_F(WizardCommandTest, AFailedWriteIsRetriedWithTheSameAnswers) {
    startSimulator("ZVX01B02");
    ScriptedInput input({"2", "", "6", "900", "2100", "No overspeed shutdown.",
                         [this] { ASSERT_EQ(simulator_->execute("line silent 60"), "ok"); }, "y",
                         [this] { ASSERT_EQ(simulator_->execute("line clear"), "ok"); }, "r"});
    ASSERT_EQ(wizard(input), kExitOk) << err_.str() << out_.str();
    EXPECT_EQ(input.left(), 0u);
    EXPECT_TRUE(printed(std::string("error: ") + kWizardWriteFailed + "\n[Retry/Cancel] r\n"));
    EXPECT_FALSE(printed("download"));
    EXPECT_EQ(get("SET_SPEED_MIN"), "ok 900");
    EXPECT_EQ(get("SET_SPEED_MAX"), "ok 2100");
    EXPECT_EQ(get("PULSES_PER_UPDATE"), "ok 40");
}

// A run whose answers change two values sends exactly those two writes and reads back exactly
// those two, after keeping what the controller held as a restore point; a run whose answers
// the controller holds already sends no write and keeps no point.
TEST_F(WizardCommandTest, WritesOnlyTheValuesTheAnswersChange) {
    startSimulator("ZVX01B02");
    DefinitionSet strategy;
    ASSERT_EQ(LoadCalFile(strategy, std::string(ZVR_STRATEGY_DIR) + "/ZVX01B02.000", prompt_), 0);
    const auto eeprom = [&] {
        std::map<std::string, uint32_t> values;
        for (const auto& scalar : strategy.scalars.entries()) {
            const uint16_t held = word(static_cast<uint16_t>(scalar->eepromAddress));
            values[scalar->name] = scalar->scaling.size == 1 ? held >> 8 : held;
        }
        return values;
    };
    const auto answers = [](const char* lowest, const char* highest) {
        return std::vector<ScriptedInput::Step>{
            "2", "", "6", lowest, highest, "No overspeed shutdown.", "y"};
    };
    ScriptedInput first(answers("900", "2100"));
    ASSERT_EQ(wizard(first), kExitOk) << err_.str() << out_.str();
    const auto before = eeprom();
    const size_t pointsBefore = RestorePoints().List().size();

    ScriptedInput second(answers("950", "2200"));
    ASSERT_EQ(wizard(second), kExitOk) << err_.str() << out_.str();
    EXPECT_EQ(WriteRequestsLogged(), 2u);
    const std::vector<int> types = RequestTypesLogged();
    const auto sinceLastWrite = std::find(types.rbegin(), types.rend(), 4);
    EXPECT_EQ(std::count(types.rbegin(), sinceLastWrite, 3), 2);  // the two, read back
    auto after = eeprom();
    EXPECT_EQ(get("SET_SPEED_MIN"), "ok 950");
    EXPECT_EQ(get("SET_SPEED_MAX"), "ok 2200");
    after["SET_SPEED_MIN"] = before.at("SET_SPEED_MIN");
    after["SET_SPEED_MAX"] = before.at("SET_SPEED_MAX");
    EXPECT_EQ(after, before);

    // The newest point holds, value for value, what the controller held before the run.
    const auto points = RestorePoints().List();
    ASSERT_EQ(points.size(), pointsBefore + 1);
    EXPECT_EQ(points[0].command, "wizard");
    EXPECT_NE(err_.str().find("zvr-cli wizard: restore point " + points[0].path), std::string::npos)
        << err_.str();
    DefinitionSet point;
    ASSERT_EQ(LoadCalFile(point, points[0].path, prompt_), 0);
    std::map<std::string, uint32_t> kept;
    for (const auto& scalar : point.scalars.entries())
        kept[scalar->name] = scalar->fileRaw;
    EXPECT_EQ(kept, before);

    ScriptedInput third(answers("950", "2200"));
    ASSERT_EQ(wizard(third), kExitOk) << err_.str() << out_.str();
    EXPECT_EQ(WriteRequestsLogged(), 0u);
    EXPECT_EQ(RestorePoints().List().size(), pointsBefore + 1);
}

// --save onto a full disk: the file is named, and so is what the controller now holds. (The
// controller holds the answers already: the run writes nothing and so needs no restore point,
// which the full disk would refuse before the write.)
TEST_F(WizardCommandTest, SaveThatCannotBeWrittenSaysTheControllerWasCalibrated) {
    startSimulator("ZVX01B02");
    std::filesystem::remove("full.ZVR");
    const std::vector<ScriptedInput::Step> answers = {
        "2", "", "6", "900", "2100", "No overspeed shutdown.", "y"};
    ScriptedInput calibrate(answers);
    ASSERT_EQ(wizard(calibrate), kExitOk) << err_.str() << out_.str();
    ScriptedInput input(answers);
    int code = 0;
    {
        zvr::test::FileSizeLimit full(64);
        code = wizard(input, {"--save", "full.ZVR"});
    }
    EXPECT_EQ(code, kExitUsage) << out_.str();
    // The file, the system's reason, and that the controller holds the new calibration (the
    // limit also stops the traffic log, which says so on a line of its own).
    const std::string first = err_.str().substr(0, err_.str().find('\n'));
    EXPECT_THAT(first, testing::MatchesRegex("zvr-cli wizard: full\\.ZVR: [^;]+; the controller "
                                             "was calibrated: save its calibration with "
                                             "zvr-cli save"));
    EXPECT_FALSE(std::filesystem::exists("full.ZVR"));
    EXPECT_EQ(get("SET_SPEED_MIN"), "ok 900");
}

// The ZEVAR 880's stepper process on the terminal: each answer of the direction dialog by its
// text or number, "Didn't move" with Retry and with Cancel, and the EEPROM after the write.
TEST_F(WizardCommandTest, Zevar880StepperProcessTakesEachAnswer) {
    struct Case {
        const char* name;
        std::vector<std::string> stepper;  // from the travel question to the last dialog
        const char* config;
        const char* maxStep;
    };
    const Case cases[] = {
        {"centre skipped", {"180", "c"}, "ok 3", "ok 100"},
        {"full travel", {"180", "ok", "Moved to full travel"}, "ok 131", "ok 100"},
        {"closed by number", {"90", "o", "2"}, "ok 3", "ok 50"},
        {"didn't move, retry", {"180", "ok", "3", "r", "120", "OK", "1"}, "ok 131", "ok 66"},
        {"didn't move, cancel", {"180", "ok", "didn't move", "cancel"}, "ok 3", "ok 100"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        simulator_.reset();
        startSimulator("ZVX51A04");
        std::vector<ScriptedInput::Step> steps = {
            "2", "1",    "",  "4",          // current values; pickup, 120 teeth, 4 cylinders
            "",  "",                        // speed range kept
            "1",                            // no analog input
            "2", "1500", "0", "",  "", "",  // one speed
            "1",                            // no output
            "1", "1"};                      // no overspeed, no switch
        steps.insert(steps.end(), c.stepper.begin(), c.stepper.end());
        steps.emplace_back("y");
        ScriptedInput input(std::move(steps));
        ASSERT_EQ(wizard(input), kExitOk) << err_.str() << out_.str();
        EXPECT_EQ(input.left(), 0u);
        EXPECT_EQ(get("STEP_CONFIG"), c.config);
        EXPECT_EQ(get("STEP_MAX_STEP"), c.maxStep);
        EXPECT_EQ(get("STEP_MODE"), "ok 0");
        EXPECT_EQ(get("STEP_POWER_DN"), "ok 15");
        EXPECT_TRUE(printed("Stepper Motor Max Travel"));
    }
    // The last run's dialog.
    EXPECT_TRUE(printed("Moved to full travel, Moved to closed position or Didn't move?\n"));
}

// Refusing to calibrate after the stepper process puts the stepper back as it was read;
// a controller that falls silent during the process ends the run with a line failure.
TEST_F(WizardCommandTest, Zevar880CancelRestoresTheStepperAndSilenceFails) {
    startSimulator("ZVX51A04");
    const std::vector<ScriptedInput::Step> toStepper = {"2",    "1", "", "4", "", "",  "1", "2",
                                                        "1500", "0", "", "",  "", "1", "1", "1"};
    std::vector<ScriptedInput::Step> refuse = toStepper;
    refuse.insert(refuse.end(), {"90", "ok", "2", "n"});
    ScriptedInput refused(std::move(refuse));
    EXPECT_EQ(wizard(refused), kExitNo) << err_.str();
    EXPECT_EQ(get("STEP_MAX_STEP"), "ok 100");
    EXPECT_EQ(get("STEP_CONFIG"), "ok 131");
    EXPECT_EQ(get("STEP_POWER_DN"), "ok 15");

    std::vector<ScriptedInput::Step> silent = toStepper;
    silent.insert(
        silent.end(),
        {"180", "ok", [this] { ASSERT_EQ(simulator_->execute("line silent 30"), "ok"); }, "1"});
    ScriptedInput hangs(std::move(silent));
    EXPECT_EQ(wizard(hangs), kExitLink) << err_.str();
    EXPECT_TRUE(printed("error: There was an communication error. The Wizard will close.\n"));
}

// The ZEVAR 620's single/multiple pair is asked as a combo of the buttons' texts.
TEST_F(WizardCommandTest, Zevar620SparkInputAndMultipleSpeeds) {
    startSimulator("Z99620G1");
    ScriptedInput input({"1",       // start with default values
                         "2", "6",  // ignition, 6 sparks
                         "setup for multiple speed operation", "3 Speed", "1000", "2000", "1500",
                         "y"});
    ASSERT_EQ(wizard(input, {"--plot-setup"}), kExitOk) << err_.str() << out_.str();
    EXPECT_EQ(input.left(), 0u);
    EXPECT_TRUE(
        printed("Speed Setup\n  1. Setup for Single Speed operation\n"
                "  2. Setup for Multiple Speed operation\n> "));
    EXPECT_EQ(get("PULSES_PER_REV"), "ok 3.00");
    EXPECT_EQ(get("PULSES_PER_SAMPLE"), "ok 1");
    EXPECT_EQ(get("SWITCH_CONFIGURATION"), "ok 3");
    EXPECT_EQ(get("SET_SPEED_3"), "ok 1500");
}

// The ZEVAR 210 with overspeed shutdown on and off; a refused percent is asked again.
TEST_F(WizardCommandTest, Zevar210OverspeedOnAndOff) {
    struct Case {
        std::vector<ScriptedInput::Step> protect;
        const char* written;
    };
    const Case cases[] = {
        {{"2", "110", "25"}, "ok 0.25"},
        {{"No overspeed shutdown."}, "ok 1.99"},
    };
    for (const Case& c : cases) {
        simulator_.reset();
        startSimulator("ZVX01B02");
        std::vector<ScriptedInput::Step> steps = {"2", "", "6", "900", "2100"};
        steps.insert(steps.end(), c.protect.begin(), c.protect.end());
        steps.emplace_back("y");
        ScriptedInput input(std::move(steps));
        ASSERT_EQ(wizard(input), kExitOk) << err_.str() << out_.str();
        EXPECT_EQ(input.left(), 0u);
        EXPECT_EQ(get("OVERSPEED_PCNT").substr(0, 7), c.written);
        EXPECT_EQ(get("PULSES_PER_UPDATE"), "ok 40");  // 2 × 120 / 6
        EXPECT_EQ(get("SET_SPEED_MIN"), "ok 900");
    }
    EXPECT_FALSE(printed("Overspeed Percent must be greater than 0"));  // the second run's
}

// zvr-cli wizard as a program on a terminal of its own (a pseudo-terminal), typed at as a
// person would: the live line follows the pedal, and Ctrl-C cancels with the restore.
class WizardOnTerminalTest : public WizardCommandTest {
protected:
    void TearDown() override {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        if (master_ >= 0) ::close(master_);
    }

    void spawn(const std::vector<std::string>& args) {
        std::vector<std::string> all = {ZVR_CLI_PATH, "wizard"};
        all.insert(all.end(), args.begin(), args.end());
        child_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
        ASSERT_GE(child_, 0);
        if (child_ == 0) {
            std::vector<char*> argv;
            for (std::string& arg : all)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::setenv("XDG_CONFIG_HOME", "config", 1);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }

    // Reads the terminal until text has appeared since the last call.
    bool expect(const std::string& text, std::chrono::seconds limit = std::chrono::seconds(15)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            const size_t at = screen_.find(text, seen_);
            if (at != std::string::npos) {
                seen_ = at + text.size();
                return true;
            }
            pollfd fd{master_, POLLIN, 0};
            if (::poll(&fd, 1, 100) <= 0) continue;
            char chunk[512];
            const ssize_t got = ::read(master_, chunk, sizeof chunk);
            if (got <= 0) break;
            // The terminal ends lines in CR LF; the live line redraws itself after a CR.
            for (ssize_t i = 0; i < got; ++i) {
                if (chunk[i] != '\r') screen_ += chunk[i];
            }
        }
        ADD_FAILURE() << "no \"" << text << "\" in:\n" << screen_.substr(seen_);
        return false;
    }

    void typeLine(const std::string& text) {
        const std::string line = text + "\r";
        ASSERT_EQ(::write(master_, line.data(), line.size()), static_cast<ssize_t>(line.size()));
    }

    int exitCode() {
        int status = 0;
        ::waitpid(child_, &status, 0);
        child_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    pid_t child_ = -1;
    int master_ = -1;
    std::string screen_;
    size_t seen_ = 0;
};

TEST_F(WizardOnTerminalTest, LiveLineFollowsThePedalAndCtrlCPutsTheCalibrationBack) {
    startSimulator("ZVX41R03", {"pedal 0.5"});
    spawn({"--port", simulator_->linkPath(), "--strategy-dir", ZVR_STRATEGY_DIR});
    ASSERT_TRUE(expect("  2. Start with current values\n> [2] "));
    typeLine("");
    ASSERT_TRUE(expect("  3. Retain Current Values\n> [1] "));
    typeLine("retain current values");
    ASSERT_TRUE(expect("(rpm) [800] "));
    typeLine("");
    ASSERT_TRUE(expect("(rpm) [2400] "));
    typeLine("");
    ASSERT_TRUE(expect("  5. CAN Input\n> [1] "));
    typeLine("3");
    ASSERT_TRUE(
        expect("Move Potentiometer to the minimum speed position, then click Done.\n"
               "Done or Abort and Start Over?\n"));
    ASSERT_TRUE(expect("adc_app:   512"));
    ASSERT_EQ(simulator_->execute("pedal 0.75"), "ok");
    ASSERT_TRUE(expect("adc_app:   717"));
    EXPECT_EQ(get("EXTERNAL_ANALOG_MODE"), "ok 255");
    ASSERT_EQ(::write(master_, "\x03", 1), 1);  // Ctrl-C
    EXPECT_EQ(exitCode(), kExitNo);
    EXPECT_EQ(get("EXTERNAL_ANALOG_MODE"), "ok 0");
    EXPECT_EQ(get("APP_MIN_CAL"), "ok 102");
    EXPECT_EQ(get("APP_RANGE_CAL"), "ok 820");
}

}  // namespace
}  // namespace zvr::cli
