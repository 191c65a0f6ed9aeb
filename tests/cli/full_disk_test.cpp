// zvr-cli on a full disk: every file it cannot write is named once, with the system's
// reason, and nothing half-written is left; a traffic log it cannot write is said once and
// the command goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "sim/sim_fixtures.h"
#include "support/child_process.h"
#include "support/full_disk.h"

namespace zvr::cli {
namespace {

using zvr::test::ChildRun;
using zvr::test::RunProgram;

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

std::string DemoStrategy() { return ZVR_STRATEGY_DIR "/DEMO740.000"; }

TEST(FullDisk, EveryFileThatCannotBeWrittenIsNamedOnceWithTheReason) {
    // What the commands read is made before the disk fills.
    ASSERT_EQ(RunProgram(ZVR_CLI_PATH, {"decompile", DemoStrategy(), "-o", "source.json"}).code, 0);
    const auto simulator = sim::test::StartSimulator({.strategy = sim::test::Write740()});
    ASSERT_TRUE(simulator);
    const std::string link = simulator->linkPath();

    const test::FullDisk full;
    struct Case {
        std::vector<std::string> args;
        std::string file;  // the file the message names
    };
    const std::vector<Case> cases = {
        {{"save", full.path("unit.ZVR"), "--port", link, "--comment", "after overhaul"},
         full.path("unit.ZVR")},
        {{"report", DemoStrategy(), "--full", "-o", full.path("report.txt")},
         full.path("report.txt")},
        {{"decompile", DemoStrategy(), "-o", full.path("source.json")}, full.path("source.json")},
        {{"compile", "source.json", "-o", full.path("DEMO740.000")}, full.path("DEMO740.000")},
        {{"convert-strategy", DemoStrategy(), "DEMO740.000", full.path("converted.ZVR")},
         full.path("converted.ZVR")},
        // A run of a minute stops at the first row its file could not take.
        {{"monitor", "engine_rpm", "n_desired", "--port", link, "--duration", "60", "--csv",
          full.path("run.csv")},
         full.path("run.csv")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front());
        // The traffic log is not the file under test (a device is written to as it is).
        std::vector<std::string> args = {"--log", "/dev/null"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ChildRun run = RunProgram(ZVR_CLI_PATH, args, {}, std::chrono::seconds(30));
        EXPECT_EQ(run.code, 2) << run.err;
        EXPECT_EQ(Count(run.err, c.file), 1u) << run.err;
        EXPECT_EQ(Count(run.err, full.reason()), 1u) << run.err;
        EXPECT_NE(
            run.err.find("zvr-cli " + c.args.front() + ": " + c.file + ": " + full.reason() + "\n"),
            std::string::npos)
            << run.err;
    }
    // Nothing half-written stays behind: no target, no temporary file.
    for (const auto& entry : std::filesystem::directory_iterator(full.path("."))) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "filler" || name == "run.csv") << name;
    }
}

TEST(FullDisk, ATrafficLogThatCannotBeWrittenIsSaidOnceAndTheCommandGoesOn) {
    const auto simulator = sim::test::StartSimulator({.strategy = sim::test::Write740()});
    ASSERT_TRUE(simulator);
    const test::FullDisk full;
    std::vector<std::string> args = {"--log", full.path("Log.txt"), "get"};
    for (int i = 0; i < 6; ++i)
        args.push_back("SET_SPEED_1");  // traffic enough to pass any small file size limit
    args.insert(args.end(), {"--port", simulator->linkPath(), "--strategy-dir", "."});
    const ChildRun run = RunProgram(ZVR_CLI_PATH, args, {}, std::chrono::seconds(60));
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(Count(run.out, "SET_SPEED_1\t1500"), 6u) << run.out;
    EXPECT_EQ(Count(run.err, "the traffic log "), 1u) << run.err;
    EXPECT_NE(run.err.find("/full/Log.txt cannot be written: " + full.reason() +
                           "; going on without it\n"),
              std::string::npos)
        << run.err;
}

}  // namespace
}  // namespace zvr::cli
