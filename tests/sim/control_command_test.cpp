#include "control_command.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim_options.h"

namespace zvr::sim {
namespace {

using Kind = ControlCommand::Kind;

TEST(ControlCommandTest, ReadsEveryCommand) {
    struct Case {
        const char* line;
        ControlCommand expected;
    };
    const Case cases[] = {
        {"pedal 0.75", {.kind = Kind::Pedal, .number = 0.75}},
        {"pedal 1", {.kind = Kind::Pedal, .number = 1}},
        {"  ivs   on\r", {.kind = Kind::Ivs, .on = true}},
        {"fault 2 7 off", {.kind = Kind::Fault, .on = false, .diagnostic = 2, .bit = 7}},
        {"uncalibrated on", {.kind = Kind::Uncalibrated, .on = true}},
        {"fatal off", {.kind = Kind::Fatal, .on = false}},
        {"load 35.5", {.kind = Kind::Load, .number = 35.5}},
        {"line split 0.25",
         {.kind = Kind::LineProbability, .number = 0.25, .fault = LineFault::Split}},
        {"line garbage 1",
         {.kind = Kind::LineProbability, .number = 1, .fault = LineFault::Garbage}},
        {"line silent 2.5", {.kind = Kind::LineSilent, .number = 2.5}},
        {"line hangup", {.kind = Kind::LineHangup}},
        {"line clear", {.kind = Kind::LineClear}},
        {"get engine_rpm", {.kind = Kind::Get, .name = "engine_rpm"}},
        {"quit", {.kind = Kind::Quit}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        const auto command = ParseControlCommand(c.line, error);
        ASSERT_TRUE(command) << error;
        EXPECT_EQ(command->kind, c.expected.kind);
        EXPECT_EQ(command->number, c.expected.number);
        EXPECT_EQ(command->on, c.expected.on);
        EXPECT_EQ(command->diagnostic, c.expected.diagnostic);
        EXPECT_EQ(command->bit, c.expected.bit);
        EXPECT_EQ(command->fault, c.expected.fault);
        EXPECT_EQ(command->name, c.expected.name);
    }
}

// The command lines "zvr-sim --help" shows, each alternative and placeholder made concrete.
std::vector<std::string> HelpCommandLines() {
    const std::map<std::string, std::string> example = {
        {"0.0-1.0", "0.5"},     {"DIAG", "1"},    {"BIT", "2"},          {"PERCENT", "40"},
        {"PROBABILITY", "0.5"}, {"SECONDS", "3"}, {"NAME", "engine_rpm"}};
    std::istringstream help(kSimHelpBody);
    std::vector<std::string> lines;
    bool inCommands = false;
    for (std::string line; std::getline(help, line);) {
        if (line.starts_with("control commands")) inCommands = true;
        if (line.starts_with("exit codes")) break;
        // A synopsis starts two spaces in; its description, if on the line, two spaces after.
        if (!inCommands || line.size() < 3 || line.compare(0, 2, "  ") != 0 ||
            !std::islower(static_cast<unsigned char>(line[2])))
            continue;
        std::istringstream words(line.substr(2, line.find("  ", 2) - 2));
        std::vector<std::string> expanded = {""};
        for (std::string word; words >> word;) {
            std::vector<std::string> next;
            std::istringstream alternatives(word);
            for (std::string alternative; std::getline(alternatives, alternative, '|');) {
                if (const auto it = example.find(alternative); it != example.end())
                    alternative = it->second;
                for (const std::string& start : expanded)
                    next.push_back(start.empty() ? alternative : start + " " + alternative);
            }
            expanded = std::move(next);
        }
        lines.insert(lines.end(), expanded.begin(), expanded.end());
    }
    return lines;
}

// zvr-sim --help shows every control command, and each as the simulator reads it.
TEST(ControlCommandTest, TheHelpShowsEveryCommandAsItIsRead) {
    std::set<Kind> shown;
    std::set<LineFault> faults;
    for (const std::string& line : HelpCommandLines()) {
        SCOPED_TRACE(line);
        std::string error;
        const auto command = ParseControlCommand(line, error);
        ASSERT_TRUE(command) << error;
        shown.insert(command->kind);
        if (command->kind == Kind::LineProbability) faults.insert(command->fault);
    }
    for (int kind = 0; kind <= static_cast<int>(Kind::Quit); ++kind)
        EXPECT_TRUE(shown.contains(static_cast<Kind>(kind))) << "kind " << kind << " not shown";
    for (const char* fault : {"nak", "checksum", "split", "drop", "delay", "garbage"})
        EXPECT_TRUE(faults.contains(*LineFaultByName(fault))) << fault;
}

TEST(ControlCommandTest, RefusesWhatItCannotDoWithAReason) {
    const char* bad[] = {
        "",
        "   ",
        "pedal",
        "pedal 1.5",
        "pedal -0.1",
        "pedal 0,5",
        "pedal 1e-1",
        "pedal nan",
        "ivs maybe",
        "ivs on off",
        "fault 0 1 on",
        "fault 1 8 on",
        "fault 1.5 1 on",
        "fault 1 1",
        "load 101",
        "line noise 0.5",
        "line nak 2",
        "line silent -1",
        "line hangup now",
        "get",
        "get a b",
        "quit now",
        "launch",
        "\x01\xff\x80",
    };
    for (const char* line : bad) {
        std::string error;
        EXPECT_FALSE(ParseControlCommand(line, error)) << line;
        EXPECT_FALSE(error.empty()) << line;
    }
}

TEST(ControlCommandTest, ScriptStepsAreCheckedAndSortedByTime) {
    std::vector<ScriptStep> steps;
    std::string error;
    ASSERT_TRUE(
        ParseScript("# warm up\n2.5 load 40\n\n0 pedal 0.2\n1 line drop 0.1\n", steps, error))
        << error;
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].command, "pedal 0.2");
    EXPECT_EQ(steps[0].lineNumber, 4);
    EXPECT_EQ(steps[2].at, 2.5);
    EXPECT_EQ(steps[2].command, "load 40");

    for (const char* bad : {"soon pedal 1\n", "1\n", "1 pedal 2\n", "-1 quit\n"}) {
        std::vector<ScriptStep> ignored;
        EXPECT_FALSE(ParseScript(bad, ignored, error)) << bad;
        EXPECT_TRUE(error.starts_with("line 1: ")) << error;
    }
}

TEST(SimOptionsTest, ReadsTheCommandLine) {
    std::string error;
    const auto options =
        ParseSimOptions({"--strategy=ZVX41R03.000", "--link", "/tmp/tty", "--baud", "9600",
                         "--period", "20", "--seed", "4294967295", "--ident", "ZVX41R99.000",
                         "--eeprom", "e.bin", "--script", "s.txt", "--control", "c.sock"},
                        error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->strategy, "ZVX41R03.000");
    EXPECT_EQ(options->link, "/tmp/tty");
    EXPECT_EQ(options->baud, 9600);
    EXPECT_EQ(options->periodMs, 20);
    EXPECT_EQ(options->seed, 4294967295u);
    EXPECT_EQ(options->ident, "ZVX41R99.000");
    EXPECT_EQ(options->eeprom, "e.bin");
    EXPECT_EQ(options->script, "s.txt");
    EXPECT_EQ(options->control, "c.sock");

    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--link", "x"},
        {"--strategy"},
        {"--strategy", "a.000", "--baud", "fast"},
        {"--strategy", "a.000", "--period", "0"},
        {"--strategy", "a.000", "--seed", "-1"},
        {"--strategy", "a.000", "--colour", "red"},
        {"a.000"},
    };
    for (const auto& arguments : bad) {
        EXPECT_FALSE(ParseSimOptions(arguments, error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(ParseSimOptions({"--help"}, error));
    EXPECT_EQ(error, "help");
}

}  // namespace
}  // namespace zvr::sim
