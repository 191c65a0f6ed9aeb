// zvr-cli get, save, download, set and the wizard against a controller on a pseudo-terminal
// that answers chosen requests 3 to 5 seconds late, as a controller or adapter that stalls
// does, at the program's own time-out. Each case is a test of its own, so that the slow ones
// run side by side.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "comm/controller_message.h"
#include "commands.h"
#include "controller_fixture.h"
#include "definitions/cal_file.h"
#include "monitoring/password.h"
#include "support/calfile_fixture.h"
#include "support/scalar_memory_controller.h"
#include "wizard_command_fixture.h"

namespace zvr::cli {
namespace {

using namespace std::chrono_literals;

struct LateReply {
    uint8_t type;
    size_t nth;  // of that type, counted from 1 (the connection's identify is the first)
    std::chrono::milliseconds by;
};

// What a case checks once its command has run.
struct Outcome {
    int exit = kExitOk;
    std::string out;    // standard output, exactly; empty: not checked
    std::string err;    // standard error, exactly; empty: not checked
    size_t writes = 0;  // for a download: beyond one per scalar
};

struct LateCase {
    const char* name;
    std::vector<std::string> args;  // the command's own, before --port
    std::vector<LateReply> late;
    Outcome outcome;
    bool locked = false;  // the controller asks for its password
};

void PrintTo(const LateCase& c, std::ostream* os) { *os << c.name; }

class LateReplyCommands : public test::ControllerFixture,
                          public testing::WithParamInterface<LateCase> {
protected:
    void SetUp() override {
        sim::test::Fill740(strategy_);
        sim::test::WriteStrategy(strategy_, "ZVX41R03.000");
        controller_.Fill(strategy_);
        // The file downloaded: every two-byte scalar but the password one more.
        DefinitionSet file;
        sim::test::Fill740(file);
        for (const auto& scalar : file.scalars.entries()) {
            if (scalar->name != "PASSWORD" && scalar->scaling.size == 2) {
                ++scalar->fileRaw;
                ++changed_;
            }
        }
        zvr::test::WriteCal(std::move(file), "new.ZVR", "ZVX41R03");
    }

    int RunOnController(Run command, std::vector<std::string> args) {
        args.insert(args.end(), {"--port", controller_.path()});
        return runAsIs(command, args);
    }

    // The controller holds what the file holds.
    void ExpectHolds(const std::string& path) {
        DefinitionSet set;
        ASSERT_EQ(LoadCalFile(set, path, prompt_), 0) << path;
        for (const auto& scalar : set.scalars.entries())
            EXPECT_EQ(controller_.Value(*scalar), scalar->fileRaw) << path << ": " << scalar->name;
    }

    DefinitionSet strategy_;
    zvr::test::ScalarMemoryController controller_;
    size_t changed_ = 0;  // the values new.ZVR changes: a download writes only these
};

TEST_P(LateReplyCommands, TheCommandEndsAsOnACleanLineOrSaysTheLinkFailed) {
    const LateCase& c = GetParam();
    if (c.locked) controller_.RequirePassword(PasswordCode("tech"));
    for (const LateReply& late : c.late)
        controller_.AnswerLate(late.type, late.nth, late.by);
    const std::string& command = c.args.front();
    const std::vector<std::string> args(c.args.begin() + 1, c.args.end());
    const std::map<std::string, Run> commands = {
        {"get", RunGet}, {"save", RunSave}, {"download", RunDownload}, {"set", RunSet}};
    const int exit = RunOnController(commands.at(command), args);
    EXPECT_EQ(exit, c.outcome.exit) << err_.str();
    if (!c.outcome.out.empty()) {
        EXPECT_EQ(out_.str(), c.outcome.out);
    }
    if (!c.outcome.err.empty()) {
        EXPECT_EQ(err_.str(), c.outcome.err);
    }
    size_t writes = c.outcome.writes;
    if (command == "download") writes += changed_;
    EXPECT_EQ(controller_.Writes().size(), writes);
    if (command == "save") ExpectHolds("saved.ZVR");
    if (command == "download") ExpectHolds("new.ZVR");
}

INSTANTIATE_TEST_SUITE_P(
    ProgramTiming, LateReplyCommands,
    testing::Values(LateCase{"GetReadLate",
                             {"get", "SET_SPEED_1"},
                             {{kReadOnce, 1, 4000ms}},
                             {kExitOk, "SET_SPEED_1\t1500\t\n"}},
                    // The first read and its retry both time out; the third try is believed.
                    LateCase{"GetReadAndItsRetryLate",
                             {"get", "SET_SPEED_1"},
                             {{kReadOnce, 1, 4000ms}, {kReadOnce, 2, 3500ms}},
                             {kExitOk, "SET_SPEED_1\t1500\t\n"}},
                    LateCase{"SaveOneReadLate", {"save", "saved.ZVR"}, {{kReadOnce, 9, 3000ms}}},
                    LateCase{"SaveTwoReadsLate",
                             {"save", "saved.ZVR"},
                             {{kReadOnce, 2, 4000ms}, {kReadOnce, 6, 5000ms}}},
                    // A scalar's read and its retry: the retry's late reply must not answer the
                    // next scalar's read.
                    LateCase{"SaveReadAndItsRetryLate",
                             {"save", "saved.ZVR"},
                             {{kReadOnce, 12, 4000ms}, {kReadOnce, 13, 4000ms}}},
                    // A late reply in the whole read first (what is written depends on it) and
                    // one in the read-back: neither is a difference, no false alarm.
                    LateCase{"DownloadReadAndReadBackLate",
                             {"download", "new.ZVR"},
                             {{kReadOnce, 5, 4000ms}, {kReadOnce, 25, 4500ms}}},
                    // The late echo's write goes out again; the late commit's is read back, found
                    // stored, and not written again. The read-back of every scalar follows.
                    LateCase{"DownloadLateEchoAndLateCommit",
                             {"download", "new.ZVR"},
                             {{kWrite, 3, 4000ms}, {kCommit, 7, 3500ms}},
                             {.writes = 1}},
                    LateCase{"SetCommitLate",
                             {"set", "SET_SPEED_1", "1750"},
                             {{kCommit, 1, 4000ms}},
                             {kExitOk, "SET_SPEED_1\t1750\t\n", "", 1}},
                    // A lost answer to the password check is a link failure, not a wrong password.
                    LateCase{"SetPasswordCheckLate",
                             {"set", "SET_SPEED_1", "1750", "--password", "tech"},
                             {{kIdentify, 2, 4000ms}},
                             {kExitLink, "", "zvr-cli set: There was a communication error.\n", 0},
                             true}),
    [](const testing::TestParamInfo<LateCase>& info) { return std::string(info.param.name); });

// The wizard starts from the controller's current values (its whole read) and writes them back
// with the answered changes: a reply taken for its neighbour's would write a wrong calibration.
struct WizardLateCase {
    const char* name;
    uint8_t type;
    std::vector<size_t> nth;  // of the type's replies, counted from 1 from the wizard's start
};

void PrintTo(const WizardLateCase& c, std::ostream* os) { *os << c.name; }

class WizardLateReplies : public test::WizardCommandFixture,
                          public testing::WithParamInterface<WizardLateCase> {
protected:
    using Words = std::map<uint16_t, uint16_t>;

    void SetUp() override {
        startSimulator("ZVX41R03");
        ASSERT_EQ(LoadCalFile(strategy_, std::string(ZVR_STRATEGY_DIR) + "/ZVX41R03.000", prompt_),
                  0);
        std::ofstream("answers.json") << R"({
          "fields": {"welcome.start": "Start with current values", "engine.type": 1,
                     "engine.count": 6, "engine.teeth": 110, "range.lowest": 700,
                     "range.highest": 2600, "analog.mode": 1, "speed.count": 2, "speed.1": 1750,
                     "speed.warmup_time": 0, "aux1.mode": 1, "protect.overspeed": 1,
                     "protect.switch": 1},
          "calibrate": "yes"
        })";
    }

    int RunWizard() {
        test::ScriptedInput nobody({});
        return wizard(nobody, {"--answers", "answers.json"});
    }

    Words Held() {
        Words words;
        for (const auto& scalar : strategy_.scalars.entries()) {
            const auto address = static_cast<uint16_t>(scalar->eepromAddress);
            words[address] = word(address);
        }
        return words;
    }

    void Restore(const Words& words) {
        for (const auto& word : words) {
            const uint16_t address = word.first;
            const uint8_t bytes[] = {static_cast<uint8_t>(word.second >> 8),
                                     static_cast<uint8_t>(word.second)};
            simulator_->withUnit(
                [&](sim::ControllerUnit& unit) { return unit.commitWrite(address, bytes); });
        }
    }

    DefinitionSet strategy_;
};

TEST_P(WizardLateReplies, TheControllerHoldsWhatACleanRunWrites) {
    const Words original = Held();
    ASSERT_EQ(RunWizard(), kExitOk) << err_.str();
    const Words expected = Held();
    ASSERT_NE(expected, original);
    Restore(original);
    const WizardLateCase& c = GetParam();
    simulator_->withLineFaults(
        [&c](sim::LineFaults& faults) { faults.delayReplies(c.type, c.nth); });
    EXPECT_EQ(RunWizard(), kExitOk) << err_.str();
    EXPECT_EQ(Held(), expected);
}

INSTANTIATE_TEST_SUITE_P(SimulatorDelay, WizardLateReplies,
                         testing::Values(WizardLateCase{"OneReadLate", kReadOnce, {10}},
                                         WizardLateCase{
                                             "AReadAndItsRetryLate", kReadOnce, {20, 21}},
                                         WizardLateCase{"TwoReadsApartLate", kReadOnce, {8, 40}},
                                         WizardLateCase{"TwoWriteEchoesLate", kWrite, {2, 5}},
                                         WizardLateCase{"TwoCommitRepliesLate", kCommit, {1, 4}}),
                         [](const testing::TestParamInfo<WizardLateCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace zvr::cli
