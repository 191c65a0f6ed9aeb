// zvr-cli wizard with the LPN 310 (RRQ31E05) and KMS-2 (KMS01K01) strategies against zvr-sim
// on a pseudo-terminal: check boxes as yes/no questions, refused entries asked again, the
// answers file, a line fault during the write, and the EEPROM the wizard leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "calibration/cal_transfer.h"
#include "calibration/progress_display.h"
#include "comm/data_server.h"
#include "wizard/lpn310_wizard.h"
#include "wizard/wizard_pump.h"
#include "wizard_answers.h"
#include "wizard_command_fixture.h"

namespace zvr::cli {
namespace {

using test::ScriptedInput;

class SpeedSwitchWizardCommandTest : public test::WizardCommandFixture {
protected:
    static std::vector<ScriptedInput::Step> Keep(int count) {
        return std::vector<ScriptedInput::Step>(static_cast<size_t>(count), std::string());
    }
};

std::vector<ScriptedInput::Step> operator+(std::vector<ScriptedInput::Step> a,
                                           const std::vector<ScriptedInput::Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(SpeedSwitchWizardCommandTest, UncalibratedLpn310OnTheTerminalWritesWhatWasAnswered) {
    startSimulator("RRQ31E05", {"uncalibrated on"});
    // Channel 1's speed-switch step: set speed, set delay, eight boxes, reset delay and speed.
    const std::vector<ScriptedInput::Step> step3 = {"1200", "", "y", "no",  "", "",
                                                    "",     "", "",  "yes", ""};
    ScriptedInput input(std::vector<ScriptedInput::Step>{"", "60",  // pickup, teeth
                                                         "1", "2"} +
                        step3 + std::vector<ScriptedInput::Step>{"abc"} +  // reset speed refused
                        Keep(11) + std::vector<ScriptedInput::Step>{"900"} +
                        std::vector<ScriptedInput::Step>{"Glow Plug Controller", "12.5"} +
                        std::vector<ScriptedInput::Step>{""} + Keep(9) +  // channel 3: autocrank
                        Keep(4) + std::vector<ScriptedInput::Step>{"2"} +
                        Keep(8) +  // EP-B to Vbatt
                        std::vector<ScriptedInput::Step>{"y"});
    ASSERT_EQ(wizard(input), kExitOk) << err_.str() << out_.str();
    EXPECT_EQ(input.left(), 0u);
    EXPECT_TRUE(printed("ECM 310 Calibration Wizard\n"));
    EXPECT_TRUE(printed("  4. Retain Current Values\n"));
    EXPECT_TRUE(printed("Engine Protection A: [n] y\nEngine Protection B: [n] no\n"));
    // The refusal prints the item's own text and asks the whole step again.
    EXPECT_TRUE(
        printed("Reset Speed (rpm) [800] abc\nReset Speed is out of range.\n"
                "Set Speed (rpm): [1200] \n"));
    EXPECT_TRUE(printed("Engine Protect Channel B\nSwitching Type\n"));
    EXPECT_TRUE(printed("The LPN 310 Calibration Wizard is complete!\n"));
    EXPECT_EQ(get("PULSES_PER_REV"), "ok 60.00");
    EXPECT_EQ(get("SET_SPEED_1"), "ok 1200");
    EXPECT_EQ(get("RESET_SPEED_1"), "ok 900");
    EXPECT_EQ(get("CHNL_1_RESET"), "ok 1");
    EXPECT_EQ(get("CHNL_1_CONFIG"), "ok 10000001");
    EXPECT_EQ(get("CHNL_2_OP_MODE"), "ok 3");
    EXPECT_EQ(get("GLOWPLUG_TIME"), "ok 12.50");
    EXPECT_EQ(get("SWITCH_CTRL"), "ok 00000010");
    EXPECT_EQ(get("PULSES_PER_UPDATE"), "ok 60");
}

TEST_F(SpeedSwitchWizardCommandTest, Kms2FromAnAnswersFileAndARefusalWithNobodyToAnswer) {
    startSimulator("KMS01K01");
    std::ofstream("kms2.json") << R"({
        "fields": {"welcome.start": "Start with current values", "engine.teeth": 30,
                   "ch1.mode": "Normal Speed Switch Mode", "ch1.reset": 1,
                   "ch1.set_speed_min": 240, "ch1.set_speed_max": 900, "ch1.reset_pcnt": 100,
                   "ch1.verify": "yes",
                   "ch2.mode": "Autocrank Controller", "ch2.crank_max": 500, "ch2.crank_min": 500},
        "calibrate": "yes"
    })";
    ScriptedInput nothingTyped({});
    ASSERT_EQ(wizard(nothingTyped, {"--answers", "kms2.json"}), kExitOk)
        << err_.str() << out_.str();
    EXPECT_TRUE(printed("KMS-2 Calibration Wizard\n"));
    EXPECT_TRUE(printed("  Channel 1 Reset Percentage        1.00"));
    EXPECT_EQ(get("PULSES_PER_REV"), "ok 30.00");
    EXPECT_EQ(get("PULSES_PER_UPDATE"), "ok 1");  // the lowest set speed is 240 rpm
    EXPECT_EQ(get("SET_SPEED_1_MIN"), "ok 240");
    EXPECT_EQ(get("RESET_PCNT_1"), "ok 1.00000");
    EXPECT_EQ(get("CHNL_1_CONFIG"), "ok 00001000");
    EXPECT_EQ(get("SET_SPEED_2_MIN"), "ok 500");
    EXPECT_EQ(get("SET_SPEED_2_MAX"), "ok 500");

    // A window with equal ends is refused; kept as it is, it would be refused for ever.
    std::ofstream("equal.json") << R"({
        "fields": {"ch1.mode": 1, "ch1.reset": 1, "ch1.set_speed_min": 800,
                   "ch1.set_speed_max": 800},
        "calibrate": "yes"
    })";
    ScriptedInput stillNothing({});
    EXPECT_EQ(wizard(stillNothing, {"--answers", "equal.json"}), kExitNo) << out_.str();
    EXPECT_TRUE(printed("Set Speed MIN must be less than Set Speed MAX\n"));
    EXPECT_EQ(err_.str(), "zvr-cli wizard: cancelled\n");
    EXPECT_EQ(get("SET_SPEED_1_MAX"), "ok 900");
}

TEST_F(SpeedSwitchWizardCommandTest, LineFaultDuringTheWriteIsALinkFailure) {
    startSimulator("RRQ31E05");
    std::ofstream("keep.json") << R"({"fields": {"engine.teeth": 60}})";
    ScriptedInput input({[this] { ASSERT_EQ(simulator_->execute("line silent 30"), "ok"); }, "y"});
    EXPECT_EQ(wizard(input, {"--answers", "keep.json"}), kExitLink) << out_.str();
    // The wizard's own message, not the download's; with nobody to answer Retry it is Cancel,
    // and the run ends saying what the controller now holds.
    EXPECT_TRUE(printed(std::string("Calibrate the controller now? [y/n] y\nerror: ") +
                        kWizardWriteFailed + "\n[Retry/Cancel] \n"));
    EXPECT_FALSE(printed("Cal Write Error"));
    EXPECT_TRUE(printed(std::string("warning: ") + kWizardWriteUnfinished + "\n"));
    // After the restore point taken before the write.
    EXPECT_THAT(err_.str(),
                testing::MatchesRegex("zvr-cli wizard: restore point [^\n]+_wizard\\.ZVR\n"
                                      "zvr-cli wizard: the configuration was not written "
                                      "completely: the controller holds some new and some old "
                                      "values; run the wizard again\n"));
}

// The reply limit bounds the wait for one notification, not a whole transfer: a whole read
// and write of many scalars may take longer than it while every step still answers.
TEST_F(SpeedSwitchWizardCommandTest, AWholeTransferLongerThanTheReplyLimitIsNotSilence) {
    startSimulator("RRQ31E05");
    struct NoProgress : ProgressDisplay {
        void ShowProgress(const ProgressState&) override {}
        void HideProgress() override {}
    } progress;
    CDataServer link("wizard-test-log.txt");
    ASSERT_EQ(link.OpenPort(simulator_->linkPath(), 50), 0);
    std::ofstream("all.json") << R"({"fields": {"engine.teeth": 60}, "calibrate": "yes"})";
    std::string error;
    auto answers = WizardAnswers::Load("all.json", error);
    ASSERT_TRUE(answers) << error;
    ScriptedInput nobody({});
    WizardConversation conversation(out_, nobody, &*answers);
    WizardPump pump;
    CalTransfer transfer(link, pump.transferReceiver(), conversation, progress);
    Lpn310Wizard wizard(std::string(ZVR_STRATEGY_DIR) + "/RRQ31E05.000",
                        {link, pump.sheetReceiver(), transfer, conversation, conversation});
    pump.Bind(wizard, transfer);
    ASSERT_TRUE(wizard.Start());
    const auto started = std::chrono::steady_clock::now();
    const std::chrono::milliseconds limit(40);
    conversation.Run(wizard, pump, {.replyLimit = limit});
    ASSERT_GT(std::chrono::steady_clock::now() - started, 4 * limit);  // the point of the test
    EXPECT_FALSE(conversation.silent()) << out_.str();
    EXPECT_EQ(wizard.end(), WizardEnd::Finished) << out_.str();
    EXPECT_EQ(get("PULSES_PER_REV"), "ok 60.00");
}

}  // namespace
}  // namespace zvr::cli
