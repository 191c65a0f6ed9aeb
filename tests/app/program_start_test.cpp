// The program zvr as a script or a new user starts it: help without a display, and a
// scripted screenshot that always ends.
#include <gtest/gtest.h>

#include <filesystem>

#include "sim/sim_fixtures.h"
#include "support/child_process.h"
#include "support/sample_definitions.h"

namespace zvr {
namespace {

using test::RunProgram;

const std::vector<std::string> kNoDisplay{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};

TEST(ProgramStart, HelpAndVersionNeedNoDisplay) {
    for (const char* option : {"--help", "-h"}) {
        const test::ChildRun run = RunProgram(ZVR_PROGRAM, {option}, kNoDisplay);
        EXPECT_EQ(run.code, 0) << option << ": " << run.err;
        EXPECT_EQ(run.out.rfind("usage: zvr ", 0), 0u) << run.out;
        for (const char* listed :
             {"--port NAME", "--strategy-dir DIR", "--screenshot FILE", "-eng"})
            EXPECT_NE(run.out.find(listed), std::string::npos) << listed;
    }
    const test::ChildRun version =
        RunProgram(ZVR_PROGRAM, {"--port", "DEMO740", "--version"}, kNoDisplay);
    EXPECT_EQ(version.code, 0) << version.err;
    EXPECT_EQ(version.out, "zvr " ZVR_VERSION "\n");
}

// A command line the program cannot follow is refused before any window opens, naming what
// is wrong; the toolkit's own options (-platform ...) are still its own.
TEST(ProgramStart, ARefusedCommandLineExitsTwoNamingTheProblem) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> environment;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"--port", ""}, kNoDisplay, "zvr: option --port must not be empty (see zvr --help)\n"},
        {{"--port="}, kNoDisplay, "zvr: option --port must not be empty (see zvr --help)\n"},
        {{"--screenshot"}, kNoDisplay, "zvr: option --screenshot needs a value (see zvr --help)\n"},
        {{"--colour", "red"}, kNoDisplay, "zvr: unknown option --colour (see zvr --help)\n"},
        {{"stray"}, kNoDisplay, "zvr: unexpected argument 'stray' (see zvr --help)\n"},
        {{"-platform", "offscreen", "--colour"},
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"},
         "zvr: unknown option --colour (see zvr --help)\n"},
    };
    for (const Case& c : cases) {
        const test::ChildRun run = RunProgram(ZVR_PROGRAM, c.args, c.environment);
        EXPECT_EQ(run.code, 2) << c.args.front() << ": " << run.err;
        // The toolkit may have said something of its own first.
        EXPECT_TRUE(run.err.ends_with(c.message)) << c.args.front() << ": " << run.err;
        EXPECT_EQ(run.out, "") << c.args.front();
    }
    const test::ChildRun attached =
        RunProgram(ZVR_PROGRAM, {"--port=DEMO740", "--version"}, kNoDisplay);
    EXPECT_EQ(attached.code, 0) << attached.err;
}

TEST(ProgramStart, AScriptedScreenshotAlwaysEndsWithAPicture) {
    // A controller on a pseudo-terminal: its connection opens the Parameter View itself.
    const auto simulator = sim::test::StartSimulator(
        {.strategy = ZVR_STRATEGY_DIR "/ZVX41R03.000", .link = "zevar740"});
    struct Case {
        const char* port;
        int code;
        const char* shows;
    };
    const Case cases[] = {
        {"DEMO740", 0, "the connected window with the Parameter View reading live values"},
        {"zevar740", 0, "the connected window with the Parameter View reading live values"},
        // The port's message box stays up; the picture shows it and the run ends.
        {"/dev/no-such-port", 1, "the window with a message"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove("shot.png");
        const test::ChildRun run = RunProgram(
            ZVR_PROGRAM,
            {"--port", c.port, "--strategy-dir", ZVR_STRATEGY_DIR, "--screenshot", "shot.png"},
            {"QT_QPA_PLATFORM=offscreen"});
        EXPECT_EQ(run.code, c.code) << c.port << ": " << run.out << run.err;
        EXPECT_NE(run.out.find(std::string("zvr: screenshot of ") + c.shows + ": shot.png"),
                  std::string::npos)
            << run.out;
        EXPECT_EQ(test::ReadBytes("shot.png").substr(0, 4), "\x89PNG") << c.port;
    }
}

}  // namespace
}  // namespace zvr
