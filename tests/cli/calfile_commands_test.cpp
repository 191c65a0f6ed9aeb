// zvr-cli download, compare --json, convert-strategy and the demo key against the simulator
// on a pseudo-terminal, with the questions answered by options, by the terminal, or by nobody.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "calibration/download_checks.h"
#include "commands.h"
#include "controller_fixture.h"
#include "definitions/cal_file.h"
#include "support/calfile_fixture.h"
#include "support/sample_definitions.h"
#include "support/scalar_memory_controller.h"
#include "terminal_prompt.h"

namespace zvr::cli {
namespace {

// Texts shown to the person at the keyboard, joined.
std::string Shown(const zvr::test::ScriptedPrompt& prompt) {
    std::string all;
    for (const std::string& text : prompt.texts())
        all += text + "\n";
    return all;
}

struct CalFileCommandsTest : test::ControllerFixture {
    // Downloads FILE with the options; the questions go to the script, or with toTerminal to
    // a terminal with nobody at it. What was asked comes back in asked.
    int Download(const std::string& file, const std::vector<std::string>& options, bool toTerminal,
                 std::string& asked) {
        std::vector<std::string> args = {file};
        args.insert(args.end(), options.begin(), options.end());
        std::istringstream nobody;
        std::ostringstream terminalText;
        TerminalPrompt terminal(nobody, terminalText, false);
        prompt_.shown.clear();
        const int exit = run(RunDownload, args, toTerminal ? &terminal : nullptr);
        asked = toTerminal ? terminalText.str() : Shown(prompt_);
        return exit;
    }
};

constexpr uint32_t kFaultSeed = 1;

using zvr::test::ReadBytes;
using zvr::test::WriteCal;

// The ZEVAR 740 fixture strategy as a cal file of the given strategy name, with SET_SPEED_1
// at 1700 (the controller holds 1500) and the given password code (the controller's is 0x1234).
std::string Write740File(const std::string& path, const std::string& strategy,
                         uint32_t password = 0x1234) {
    DefinitionSet set;
    sim::test::Fill740(set);
    set.scalars.find("SET_SPEED_1")->fileRaw = 1700;
    set.scalars.find("PASSWORD")->fileRaw = password;
    WriteCal(std::move(set), path, strategy);
    return path;
}

size_t Lines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(CalFileCommandsTest, DownloadSettlesADifferentPasswordAsAsked) {
    struct Case {
        std::vector<std::string> options;
        bool terminal;  // a terminal prompt with nobody at it instead of the script
        int exit;
        uint16_t password;
        uint16_t speed;
    };
    const Case cases[] = {
        {{"--password-mismatch", "change"}, false, kExitOk, 0x2222, 1700},
        {{"--password-mismatch", "keep"}, false, kExitOk, 0x1234, 1700},
        {{"--password-mismatch", "abort"}, false, kExitNo, 0x1234, 1500},
        {{}, true, kExitNo, 0x1234, 1500},  // nobody to ask: abandoned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.empty() ? "no option" : c.options[1]);
        startOn(sim::test::Write740());
        Write740File("unit.ZVR", "ZVX41R03", 0x2222);
        std::string asked;
        EXPECT_EQ(Download("unit.ZVR", c.options, c.terminal, asked), c.exit) << err_.str();
        EXPECT_EQ(word(sim::test::kPassword), c.password);
        EXPECT_EQ(word(sim::test::kSetSpeed1), c.speed);
        EXPECT_NE(asked.find("The Password in the selected file does NOT match"), std::string::npos)
            << asked;
        simulator_.reset();
    }
}

// More comments than a cal file can count are refused before anything is read or written;
// as many as it can count are saved whole.
TEST_F(CalFileCommandsTest, SaveRefusesMoreCommentsThanAFileCanCount) {
    for (const size_t count : {size_t{65535}, size_t{65536}}) {
        SCOPED_TRACE(count);
        std::filesystem::remove("many.ZVR");
        std::vector<std::string> args = {"many.ZVR"};
        for (size_t i = 0; i < count; ++i) {
            args.push_back("--comment");
            args.push_back("c");
        }
        const int code = run(RunSave, args);  // the demo controller
        if (count > 65535) {
            EXPECT_EQ(code, kExitUsage);
            EXPECT_EQ(err_.str(),
                      "zvr-cli save: too many comments: the file can hold at most 65535\n");
            EXPECT_FALSE(std::filesystem::exists("many.ZVR"));
        } else {
            ASSERT_EQ(code, kExitOk) << err_.str();
            DefinitionSet saved;
            ASSERT_EQ(LoadCalFile(saved, "many.ZVR", prompt_), 0);
            EXPECT_EQ(saved.comments.count(), count);
        }
    }
}

TEST_F(CalFileCommandsTest, EqualPasswordsAskNothing) {
    startOn(sim::test::Write740());
    Write740File("unit.ZVR", "ZVX41R03", 0x1234);
    EXPECT_EQ(run(RunDownload, {"unit.ZVR"}), kExitOk) << err_.str();
    EXPECT_EQ(prompt_.texts(), std::vector<std::string>{std::string(kDownloadedSuccessfully)});
    EXPECT_EQ(word(sim::test::kSetSpeed1), 1700);
}

TEST_F(CalFileCommandsTest, ModelAndStrategyQuestionsAnsweredByTheOption) {
    struct Case {
        const char* strategy;  // of the file; the controller runs ZVX41R03 (a ZEVAR 740)
        std::vector<std::string> options;
        bool terminal;
        std::vector<const char*> questions;
        int exit;
    };
    const char* model620 =
        "Error - This is a 620 series cal file. It does not match your "
        "controller. Abort Download?";
    const Case cases[] = {
        {"ZVX41R04", {"--on-mismatch", "abort"}, false, {kOtherStrategyQuestion}, kExitNo},
        {"ZVX41R04", {"--on-mismatch", "continue"}, false, {kOtherStrategyQuestion}, kExitOk},
        {"ZVX41R04", {}, true, {kOtherStrategyQuestion}, kExitNo},
        {"Z99620G1", {"--on-mismatch", "abort"}, false, {model620}, kExitNo},
        {"Z99620G1", {"--on-mismatch", "continue"}, false, {model620}, kExitOk},
        {"ABCDEFGH", {"--on-mismatch", "continue"}, false, {kUnknownFamilyQuestion}, kExitOk},
        {"ABCDEFGH", {}, true, {kUnknownFamilyQuestion}, kExitNo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.strategy) + (c.options.empty() ? " asked" : " " + c.options[1]));
        startOn(sim::test::Write740());
        Write740File("unit.ZVR", c.strategy);
        std::string asked;
        EXPECT_EQ(Download("unit.ZVR", c.options, c.terminal, asked), c.exit) << err_.str();
        for (const char* question : c.questions)
            EXPECT_NE(asked.find(question), std::string::npos) << asked;
        if (c.terminal) {
            EXPECT_NE(asked.find("[Y/n] yes\n"), std::string::npos) << asked;
        }
        EXPECT_EQ(word(sim::test::kSetSpeed1), c.exit == kExitOk ? 1700 : 1500);
        simulator_.reset();
    }
}

TEST_F(CalFileCommandsTest, WalksRetryThroughLineFaultsAndALastingFaultLeavesTheFileUntouched) {
    // The simulator's seeded line NAKs one reply in ten: each walk retries through them.
    startOn(sim::test::Write740(), kFaultSeed);
    DefinitionSet changed;
    sim::test::Fill740(changed);
    for (auto& scalar : changed.scalars.entries()) {
        if (scalar->name != "PASSWORD") scalar->fileRaw ^= 1;
    }
    // A scalar in the middle of the table at an address the controller keeps no scalar at:
    // it refuses to commit that write, however often it is tried. The address holds the engine
    // speed, which runs at the set speed: the file's value is one the engine never runs at, so
    // that the download always finds it different and writes it.
    ScalarDef refused = *changed.scalars.find("SET_SPEED_1");
    refused.name = "M_NOT_KEPT";
    refused.eepromAddress = sim::test::kEngineRpm;
    refused.fileRaw = 291;
    changed.scalars.insert(std::move(refused));
    zvr::test::WriteBytes("unit.ZVR", zvr::test::WrittenBytes(changed, "unit.ZVR"));
    const std::string downloadBytes = ReadBytes("unit.ZVR");
    ASSERT_EQ(simulator_->execute("line nak 0.1"), "ok");

    ASSERT_EQ(run(RunSave, {"saved.ZVR"}), kExitOk) << err_.str();
    DefinitionSet saved;
    ASSERT_EQ(LoadCalFile(saved, "saved.ZVR", prompt_), 0);
    for (const auto& scalar : saved.scalars.entries()) {
        const uint16_t held = word(static_cast<uint16_t>(scalar->eepromAddress));
        EXPECT_EQ(scalar->fileRaw, scalar->scaling.size == 1 ? held >> 8 : held) << scalar->name;
    }

    EXPECT_EQ(run(RunDownload, {"unit.ZVR"}), kExitLink);
    EXPECT_EQ(ReadBytes("unit.ZVR"), downloadBytes);
    // It stops at the refused scalar. Where the line's faults fall decides whether the refusal
    // came back plainly or the commit's reply was spoiled and the link read the address back;
    // either way the text never says the value landed.
    const ScalarDef* notKept = changed.scalars.find("M_NOT_KEPT");
    const std::vector<std::string> truthful{PartialDownloadText(notKept),
                                            PartialDownloadText(notKept, WriteCheck::FoundOther),
                                            PartialDownloadText(notKept, WriteCheck::Unreadable)};
    EXPECT_NE(std::find(truthful.begin(), truthful.end(), prompt_.texts().back()), truthful.end())
        << prompt_.texts().back();
    size_t written = 0;  // scalars the controller holds with the file's value
    for (const auto& scalar : changed.scalars.entries()) {
        const uint16_t held = word(static_cast<uint16_t>(scalar->eepromAddress));
        written += (scalar->scaling.size == 1 ? held >> 8 : held) == scalar->fileRaw;
    }
    EXPECT_GT(written, 1u);  // PASSWORD, and the scalars before the failing one
    EXPECT_LT(written, changed.scalars.count());
}

// A signal during the download's write stops it, and the message says what the controller
// now holds and where it stopped, never just that it was aborted.
TEST_F(CalFileCommandsTest, ASignalDuringTheWriteSaysTheControllerHoldsNewAndOldValues) {
    sim::test::Write740();
    zvr::test::ScalarMemoryController controller(std::chrono::microseconds(1042));
    DefinitionSet strategy;
    sim::test::Fill740(strategy);
    controller.Fill(strategy);
    // Every two-byte value differs, so the write is long enough to be stopped in.
    DefinitionSet file;
    sim::test::Fill740(file);
    for (const auto& scalar : file.scalars.entries()) {
        if (scalar->name != "PASSWORD" && scalar->scaling.size == 2) ++scalar->fileRaw;
    }
    WriteCal(std::move(file), "unit.ZVR", "ZVX41R03");
    std::thread stopper([&controller] {
        for (int i = 0; i < 500 && controller.Writes().size() < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::kill(::getpid(), SIGTERM);
    });
    const int exit = runAsIs(RunDownload, {"unit.ZVR", "--port", controller.path()});
    stopper.join();
    EXPECT_EQ(exit, kExitLink) << err_.str();
    ASSERT_FALSE(prompt_.texts().empty());
    const std::string stopped = prompt_.texts().back();
    EXPECT_TRUE(
        stopped.starts_with("Cal Write Error. Operation Aborted\r\nThe download stopped at "))
        << stopped;
    EXPECT_NE(stopped.find("The controller now holds some new and some old values."),
              std::string::npos)
        << stopped;
    EXPECT_LT(controller.Writes().size(), strategy.scalars.count());
}

TEST_F(CalFileCommandsTest, CompareJsonListsEachDifference) {
    startOn(sim::test::Write620());
    ASSERT_EQ(run(RunSave, {"unit.ZVR"}), kExitOk) << err_.str();
    EXPECT_EQ(run(RunCompare, {"unit.ZVR", "--json"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(),
              "{\"format\":1,\"file\":\"unit.ZVR\",\"matches\":true,\"mismatches\":[]}\n");
    ASSERT_EQ(run(RunSet, {"SET_SPEED_1", "1650"}), kExitOk);
    ASSERT_EQ(run(RunSet, {"PROPORTIONAL_GAIN", "3"}), kExitOk);
    EXPECT_EQ(run(RunCompare, {"unit.ZVR", "--json"}), kExitNo) << err_.str();
    EXPECT_EQ(out_.str(),
              "{\"format\":1,\"file\":\"unit.ZVR\",\"matches\":false,\"mismatches\":["
              "{\"name\":\"PROPORTIONAL_GAIN\",\"file\":2.5,\"controller\":3.0,"
              "\"file_text\":\"2.500\",\"controller_text\":\"3.000\",\"units\":\"\"},"
              "{\"name\":\"SET_SPEED_1\",\"file\":1500,\"controller\":1650,"
              "\"file_text\":\"1500\",\"controller_text\":\"1650\",\"units\":\"\"}]}\n");
    // Values are numbers a program can compute with, as they are shown.
    const auto parsed = nlohmann::json::parse(out_.str());
    EXPECT_TRUE(parsed["mismatches"][0]["file"].is_number_float());
    EXPECT_TRUE(parsed["mismatches"][1]["controller"].is_number_integer());
    // get reads the same way: the number, and the text as the program shows it.
    ASSERT_EQ(run(RunGet, {"SET_SPEED_1", "PROPORTIONAL_GAIN", "--json"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(),
              "{\"format\":1,\"values\":["
              "{\"name\":\"SET_SPEED_1\",\"value\":1650,\"text\":\"1650\",\"units\":\"\"},"
              "{\"name\":\"PROPORTIONAL_GAIN\",\"value\":3.0,\"text\":\"3.000\",\"units\":\"\"}]}"
              "\n");
}

TEST_F(CalFileCommandsTest, ConvertStrategyCarriesValuesOverWithoutAController) {
    // The source is a ZEVAR 740 calibration; the 620 strategy lacks seven of its scalars.
    Write740File("source.ZVR", "ZVX41R03");
    const std::string strategy740 = sim::test::Write740();
    const std::string strategy620 = sim::test::Write620();
    struct Case {
        std::string target;
        bool skip;
        int exit;
        size_t questions;
    };
    const Case cases[] = {
        {strategy740, false, kExitOk, 0},
        {strategy620, true, kExitOk, 7},
        {strategy620, false, kExitNo, 1},  // the first question ends it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target + (c.skip ? " --skip-missing" : ""));
        zvr::test::WriteBytes("out.ZVR", "an older file");
        std::vector<std::string> args = {"source.ZVR", c.target, "out.ZVR"};
        if (c.skip) args.push_back("--skip-missing");
        prompt_.shown.clear();
        prompt_.answers = {PromptAnswer::No};  // what the terminal would answer
        EXPECT_EQ(runAsIs(RunConvertStrategy, args), c.exit) << err_.str();
        size_t questions = 0;
        for (const std::string& text : prompt_.texts())
            questions += text.starts_with("Could not find scalar ");
        EXPECT_EQ(questions, c.questions) << Shown(prompt_);
        if (c.exit != kExitOk) {
            EXPECT_EQ(ReadBytes("out.ZVR"), "an older file");
            EXPECT_EQ(Lines(err_.str()), 1u) << err_.str();
            continue;
        }
        DefinitionSet out;
        DefinitionSet target;
        ASSERT_EQ(LoadCalFile(out, "out.ZVR", prompt_), 0);
        ASSERT_EQ(LoadCalFile(target, c.target, prompt_), 0);
        EXPECT_EQ(out.header.strategyName, target.header.strategyName);
        EXPECT_EQ(out.scalars.count(), target.scalars.count());
        EXPECT_EQ(out.variables.count(), target.variables.count());
        EXPECT_EQ(out.scalars.find("SET_SPEED_1")->fileRaw, 1700u);
    }
    prompt_.answers.clear();
}

// The target strategy is looked up as a controller's is: a bare name is found in the
// strategy folders given and the data folders, not only in the current folder; one found
// nowhere is named with the folders searched.
TEST_F(CalFileCommandsTest, ConvertStrategyFindsItsTargetOnTheStrategySearchPath) {
    Write740File("source.ZVR", "ZVX41R03");
    std::filesystem::create_directories("strategies");
    std::filesystem::rename(sim::test::Write740(), "strategies/ZVX41R03.000");
    EXPECT_EQ(runAsIs(RunConvertStrategy,
                      {"source.ZVR", "ZVX41R03.000", "out.ZVR", "--strategy-dir", "strategies"}),
              kExitOk)
        << err_.str();
    DefinitionSet out;
    ASSERT_EQ(LoadCalFile(out, "out.ZVR", prompt_), 0);
    EXPECT_EQ(out.header.strategyName, "ZVX41R03");

    EXPECT_EQ(
        runAsIs(RunConvertStrategy, {"source.ZVR", "ZVX41R77.000", "other.ZVR", "--strategy-dir",
                                     "strategies", "--strategy-dir", "missing"}),
        kExitUsage);
    EXPECT_TRUE(err_.str().starts_with(
        "zvr-cli convert-strategy: ZVX41R77.000: no strategy folder holds it (looked in the "
        "current folder, strategies, missing (no such folder), "))
        << err_.str();
    EXPECT_FALSE(std::filesystem::exists("other.ZVR"));
}

TEST_F(CalFileCommandsTest, UsageErrorsAndUnreadableFilesAreOneLine) {
    startOn(sim::test::Write740());
    zvr::test::WriteBytes("junk.ZVR", "not a cal file");
    Write740File("unit.ZVR", "ZVX41R03");
    std::filesystem::remove("out.ZVR");
    struct Case {
        Run command;
        std::vector<std::string> args;
        bool port;
    };
    const Case cases[] = {
        {RunDownload, {}, true},
        {RunDownload, {"junk.ZVR"}, true},
        {RunDownload, {"missing.ZVR"}, true},
        {RunDownload, {"unit.ZVR", "--on-mismatch", "maybe"}, true},
        {RunDownload, {"unit.ZVR", "--password-mismatch"}, true},
        {RunDownload, {"unit.ZVR"}, false},
        {RunCompare, {"junk.ZVR", "--json"}, true},
        {RunSave, {"no/such/folder/unit.ZVR"}, true},
        {RunConvertStrategy, {"unit.ZVR", "ZVX41R03.000"}, false},
        {RunConvertStrategy, {"junk.ZVR", "ZVX41R03.000", "out.ZVR"}, false},
        {RunConvertStrategy, {"unit.ZVR", "junk.ZVR", "out.ZVR"}, false},
        {RunConvertStrategy, {"unit.ZVR", "ZVX41R03.000", "no/such/folder/out.ZVR"}, false},
        {RunConvertStrategy, {"unit.ZVR", "ZVX41R03.000", "out.ZVR", "--port", "x"}, false},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        EXPECT_EQ(c.port ? run(c.command, c.args) : runAsIs(c.command, c.args), kExitUsage);
        EXPECT_EQ(Lines(err_.str()), 1u) << err_.str();
        EXPECT_EQ(err_.str().rfind("zvr-cli ", 0), 0u) << err_.str();
        EXPECT_FALSE(std::filesystem::exists("out.ZVR"));
    }
    EXPECT_EQ(word(sim::test::kSetSpeed1), sim::test::kSetSpeed1Value);
}

TEST_F(CalFileCommandsTest, DemoKeyRunsEveryCommandThatNeedsNoRealController) {
    DefinitionSet set;
    sim::test::Fill740(set);
    set.header.strategyName = "ZVX740";
    sim::test::WriteStrategy(set, "DEMO740.000");
    Write740File("other.ZVR", "Z99620G1");  // another family: no question in demo mode
    struct Case {
        Run command;
        std::vector<std::string> args;
        int exit;
        std::string out;  // the start of standard output
    };
    const Case cases[] = {
        {RunIdentify, {}, kExitOk, "model: DEMO\nstrategy: N/A\n"},
        {RunGet, {"SET_SPEED_1"}, kExitOk, "SET_SPEED_1\t1500\t\n"},
        {RunGet,
         {"engine_rpm", "--json"},
         kExitOk,
         "{\"format\":1,\"values\":[{\"name\":\"engine_rpm\",\"value\":"},
        {RunSet, {"SET_SPEED_1", "1600"}, kExitOk, "SET_SPEED_1\t"},
        {RunMonitor, {"engine_rpm", "n_desired", "--duration", "0.2"}, kExitOk, "0."},
        {RunSave, {"demo.ZVR"}, kExitOk, ""},
        {RunCompare, {"demo.ZVR"}, kExitOk, "File Matches Controller\n"},
        {RunDownload, {"other.ZVR"}, kExitOk, ""},
        {RunFaults, {"--history", "--json"}, kExitOk, "{\"format\":1,\"current\":["},
        {RunFaults, {"--clear", "history"}, kExitOk, "current:\n"},
        {RunPassword, {"--check", "anything"}, kExitOk, "access open\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "identify" : c.args[0]);
        EXPECT_EQ(run(c.command, c.args), c.exit) << err_.str();
        EXPECT_EQ(out_.str().rfind(c.out, 0), 0u) << out_.str();
    }
    DefinitionSet saved;
    ASSERT_EQ(LoadCalFile(saved, "demo.ZVR", prompt_), 0);
    EXPECT_EQ(saved.scalars.count(), set.scalars.count());
}

}  // namespace
}  // namespace zvr::cli
