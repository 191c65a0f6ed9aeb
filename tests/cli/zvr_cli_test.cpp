#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_size_limit.h"
#include "support/sample_definitions.h"
#include "terminal_prompt.h"

namespace zvr::cli {
namespace {

using zvr::test::ReadBytes;

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// Runs the built zvr-cli with its standard input empty and its output streams captured
// (standard output into outPath).
CliRun RunCli(const std::vector<std::string>& args, const char* outPath = "cli.out") {
    std::vector<char*> argv{const_cast<char*>(ZVR_CLI_PATH)};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(::open("/dev/null", O_RDONLY), 0);
        ::dup2(::open(outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        ::dup2(::open("cli.err", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadBytes("cli.out"),
            ReadBytes("cli.err")};
}

std::string DataFile(const std::string& name) { return std::string(ZVR_TEST_DATA) + "/" + name; }

size_t Lines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A cal file that declares one table: it loads as far as the table section and is refused.
std::string FileWithTables() {
    DefinitionSet set;
    test::FillSample(set);
    std::string bytes = test::WrittenBytes(set);
    bytes[23] = 1;
    return bytes;
}

TEST(ZvrCli, ReportMatchesTheGoldenFilesByteForByte) {
    ASSERT_EQ(RunCli({"compile", DataFile("ZVX5ABCD.json"), "-o", "ZVX5ABCD.000"}).code, 0);
    const CliRun shortReport = RunCli({"report", "ZVX5ABCD.000"});
    EXPECT_EQ(shortReport.code, 0) << shortReport.err;
    EXPECT_EQ(shortReport.out, ReadBytes(DataFile("ZVX5ABCD_short.txt")));
    const CliRun fullReport = RunCli({"report", "--full", "ZVX5ABCD.000"});
    EXPECT_EQ(fullReport.code, 0) << fullReport.err;
    EXPECT_EQ(fullReport.out, ReadBytes(DataFile("ZVX5ABCD_full.txt")));

    // To a file: the same bytes, nothing on standard output; an old file is replaced.
    test::WriteBytes("report.txt", std::string(5000, 'x'));
    const CliRun toFile = RunCli({"report", "ZVX5ABCD.000", "--full", "-o", "report.txt"});
    EXPECT_EQ(toFile.code, 0) << toFile.err;
    EXPECT_EQ(toFile.out, "");
    EXPECT_EQ(ReadBytes("report.txt"), ReadBytes(DataFile("ZVX5ABCD_full.txt")));

    // A report that cannot be written whole, as on a full disk, leaves the old file as it was.
    {
        test::FileSizeLimit full(64);
        const CliRun failed = RunCli({"report", "ZVX5ABCD.000", "--full", "-o", "report.txt"});
        EXPECT_EQ(failed.code, 2);
        EXPECT_EQ(failed.err, "zvr-cli report: report.txt: File too large\n");
    }
    EXPECT_EQ(ReadBytes("report.txt"), ReadBytes(DataFile("ZVX5ABCD_full.txt")));
}

// Runs the built zvr-cli on a terminal of its own and gives what the terminal showed.
std::string RunOnTerminal(const std::vector<std::string>& args, const std::string& locale) {
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(ZVR_CLI_PATH)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::setenv("LC_ALL", locale.c_str(), 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    std::string shown;
    char chunk[4096];
    for (ssize_t got; (got = ::read(master, chunk, sizeof chunk)) > 0;)
        shown.append(chunk, static_cast<size_t>(got));
    ::close(master);
    ::waitpid(child, nullptr, 0);
    return shown;
}

// A report's text is the cal file's single-byte text: a terminal shows it in its own
// encoding, as get and faults do, while a file or a pipe keeps the bytes.
TEST(ZvrCli, ReportOnATerminalIsShownInItsEncoding) {
    DefinitionSet set;
    test::FillSample(set);
    set.scalars.find("SET_SPEED_1")->units =
        "\xB0"
        "C";  // a degree sign, one Latin-1 byte
    test::WriteBytes("latin1.000", test::WrittenBytes(set));

    const std::string terminal = RunOnTerminal({"report", "latin1.000"}, "C.UTF-8");
    EXPECT_NE(terminal.find("\xC2\xB0"
                            "C"),
              std::string::npos)
        << terminal;
    EXPECT_EQ(terminal.find("\xB0"
                            "C"),
              terminal.find("\xC2\xB0"
                            "C") +
                  1)
        << "no lone byte";

    const CliRun piped = RunCli({"report", "latin1.000"});
    EXPECT_EQ(piped.code, 0) << piped.err;
    EXPECT_NE(piped.out.find(" \xB0"
                             "C"),
              std::string::npos)
        << piped.out;
    EXPECT_EQ(piped.out.find("\xC2"), std::string::npos);
    ASSERT_EQ(RunCli({"report", "latin1.000", "-o", "latin1.txt"}).code, 0);
    EXPECT_EQ(ReadBytes("latin1.txt"), piped.out);
}

TEST(ZvrCli, CompileAndDecompileAgree) {
    ASSERT_EQ(RunCli({"compile", DataFile("ZVX5ABCD.json"), "-o", "first.000"}).code, 0);
    const CliRun decompiled = RunCli({"decompile", "first.000"});
    ASSERT_EQ(decompiled.code, 0) << decompiled.err;
    test::WriteBytes("again.json", decompiled.out);
    ASSERT_EQ(RunCli({"decompile", "first.000", "-o", "to_file.json"}).code, 0);
    EXPECT_EQ(ReadBytes("to_file.json"), decompiled.out);
    ASSERT_EQ(RunCli({"compile", "again.json", "-o", "second.000"}).code, 0);
    EXPECT_EQ(ReadBytes("second.000"), ReadBytes("first.000"));

    const CliRun unwritable = RunCli({"decompile", "first.000", "-o", "no/such/folder/out.json"});
    EXPECT_EQ(unwritable.code, 2);
    EXPECT_EQ(unwritable.err,
              "zvr-cli decompile: no/such/folder/out.json: No such file or directory\n");
}

TEST(ZvrCli, AFailedCompileLeavesTheOutputAlone) {
    test::WriteBytes("broken.json", R"({"strategy": "ZVX", "scalars": [{"name": "A"}]})");
    test::WriteBytes("out.000", "previous");
    const CliRun run = RunCli({"compile", "broken.json", "-o", "out.000"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err, "zvr-cli compile: broken.json: scalar \"A\": needs \"type\"\n");
    EXPECT_EQ(ReadBytes("out.000"), "previous");
    for (const auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find("out.000."), std::string::npos);
}

// Results that cannot be written to standard output are a failure, whatever the command.
TEST(ZvrCli, AStandardOutputThatCannotBeWrittenExitsTwo) {
    const std::string strategy = std::string(ZVR_STRATEGY_DIR) + "/DEMO740.000";
    const std::vector<std::vector<std::string>> commands = {
        {"decompile", strategy},
        {"check", strategy},
        {"identify", "--port", "DEMO740"},
        {"get", "GAIN_MAX", "--port", "DEMO740"},
        {"faults", "--port", "DEMO740"},
        {"monitor", "engine_rpm", "--port", "DEMO740", "--duration", "2"},
    };
    for (const auto& args : commands) {
        SCOPED_TRACE(args[0]);
        // The demo's traffic log goes elsewhere than the Log.txt other tests look for.
        std::vector<std::string> withLog = {"--log", "full-log.txt"};
        withLog.insert(withLog.end(), args.begin(), args.end());
        const CliRun run = RunCli(withLog, "/dev/full");
        EXPECT_EQ(run.code, 2);
        const std::string failure =
            "zvr-cli " + args[0] + ": standard output could not be written\n";
        // monitor counts its bad sets on the way out, whatever ended it
        EXPECT_EQ(run.err,
                  args[0] == "monitor" ? "zvr-cli monitor: 0 bad sets\n" + failure : failure);
    }
}

// A table that a cal file's 16-bit count cannot hold is refused before anything is written.
TEST(ZvrCli, CompileRefusesMoreScalarsThanAFileCanCount) {
    std::string json = R"({"strategy": "ZVX5ABCD", "scalars": [)";
    for (size_t i = 0; i <= 65535; ++i) {
        json += std::string(i ? "," : "") + R"({"name": "S)" + std::to_string(100000 + i) +
                R"(", "type": "U", "size": 2, "bp": 0, "ee": "0x4000", "value": "0",)" +
                R"( "min": "0", "max": "1", "menu": 1})";
    }
    test::WriteBytes("many.json", json + "]}");
    test::WriteBytes("many.000", "previous");
    const CliRun run = RunCli({"compile", "many.json", "-o", "many.000"});
    EXPECT_EQ(run.code, 2);
    EXPECT_EQ(run.err,
              "zvr-cli compile: many.json: the file can hold at most 65535 scalars; there are "
              "65536\n");
    EXPECT_EQ(ReadBytes("many.000"), "previous");
}

// What a kill while writing leaves: a temporary file beside the target whose process is gone.
// The next run writing the same target removes it; a live process's temporary file stays,
// and the run leaves none of its own. A symlinked, private output stays both: the file the
// link names is replaced (so the temporary files are that file's).
TEST(ZvrCli, WritingCommandsCleanUpAfterAKillAndReplaceTheirOutputAlike) {
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    ASSERT_EQ(RunCli({"compile", DataFile("ZVX5ABCD.json"), "-o", "ZVX5ABCD.000"}).code, 0);
    const std::string strategy = std::string(ZVR_STRATEGY_DIR) + "/ZVX41R03.000";
    const std::vector<std::vector<std::string>> commands = {
        {"compile", DataFile("ZVX5ABCD.json"), "-o", "out"},
        {"decompile", "ZVX5ABCD.000", "-o", "out"},
        {"report", "ZVX5ABCD.000", "-o", "out"},
        {"convert-strategy", strategy, strategy, "out"},
        {"--log", "demo-log.txt", "save", "out", "--port", "DEMO740"},
    };
    auto temporaries = [] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            if (entry.path().filename().string().starts_with(".real.tmp-"))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::string stale = ".real.tmp-" + std::to_string(gone) + "-0-0";
    const std::string live = ".real.tmp-" + std::to_string(::getpid()) + "-0-0";
    for (const auto& args : commands) {
        SCOPED_TRACE(args.front() + " " + args[1]);
        std::filesystem::remove("out");
        std::filesystem::remove("real");
        test::WriteBytes(stale, "half a file");
        test::WriteBytes(live, "another run's");
        test::WriteBytes("real", "old");
        ::chmod("real", 0600);
        std::filesystem::create_symlink("real", "out");
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(temporaries(), std::vector<std::string>{live});
        EXPECT_TRUE(std::filesystem::is_symlink("out"));
        EXPECT_NE(ReadBytes("real"), "old");
        EXPECT_EQ(std::filesystem::status("real").permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
        std::filesystem::remove(live);
    }
}

TEST(ZvrCli, CheckAnswersYesOrNo) {
    ASSERT_EQ(RunCli({"compile", DataFile("ZVX5ABCD.json"), "-o", "ZVX5ABCD.000"}).code, 0);
    const CliRun run = RunCli({"check", "ZVX5ABCD.000"});
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.out.find("ZVX5ABCD.000: wizard parameter 'FACTORY_SETTINGS' is missing\n"),
              std::string::npos);
    EXPECT_EQ(run.err, "");

    const CliRun good = RunCli({"check", std::string(ZVR_STRATEGY_DIR) + "/DEMO880.000"});
    EXPECT_EQ(good.code, 0) << good.out;
    EXPECT_NE(good.out.find("ZEVAR 880 strategy 'ZVX51A04'"), std::string::npos);
    EXPECT_NE(good.out.find("no problems"), std::string::npos);

    // A source is checked as it compiles.
    EXPECT_EQ(RunCli({"check", DataFile("ZVX5ABCD.json")}).code, 1);
}

// Usage errors and unreadable input: exit 2, nothing on standard output, one line on
// standard error that says what is wrong.
TEST(ZvrCli, UsageErrorsAndBadFilesExitTwoWithOneLine) {
    test::WriteBytes("garbage.000", "not a cal file at all");
    test::WriteBytes("tables.000", FileWithTables());
    std::filesystem::create_directories("folder.000");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"frobnicate"}, "zvr-cli: unknown command 'frobnicate' (see zvr-cli --help)"},
        {{"--verbose", "check"}, "zvr-cli: unknown option --verbose (see zvr-cli --help)"},
        {{"--log"}, "zvr-cli: option --log needs a value (see zvr-cli --help)"},
        {{"--log=", "check", "x.000"},
         "zvr-cli: option --log must not be empty (see zvr-cli --help)"},
        {{"--strategy-dir", "", "identify"},
         "zvr-cli: option --strategy-dir must not be empty (see zvr-cli --help)"},
        {{"identify", "--port", ""}, "zvr-cli identify: option --port must not be empty"},
        {{"identify", "--port="}, "zvr-cli identify: option --port must not be empty"},
        {{"identify", "--port=DEMO740", "--colour"}, "zvr-cli identify: unknown option --colour"},
        {{"save", "x.ZVR", "--port=DEMO740", "--comment"},
         "zvr-cli save: option --comment needs a value"},
        {{"faults", "--port=DEMO740", "--json=yes"},
         "zvr-cli faults: option --json takes no value"},
        {{"compile", "a.json"}, "zvr-cli compile: needs -o and the file to write"},
        {{"compile", "a.json", "-o"}, "zvr-cli compile: option -o needs a value"},
        {{"compile", "missing.json", "-o", "x.000"},
         "zvr-cli compile: missing.json: cannot be read"},
        {{"decompile", "a.000", "b.000"}, "zvr-cli decompile: needs exactly one input file"},
        {{"decompile", "missing.000"},
         "zvr-cli decompile: missing.000: cannot be opened: No such file or directory"},
        {{"decompile", "folder.000"},
         "zvr-cli decompile: folder.000: cannot be opened: Is a directory"},
        {{"decompile", "garbage.000"},
         "zvr-cli decompile: garbage.000: is not a valid cal file (load result -2)"},
        {{"report", "tables.000"},
         "zvr-cli report: tables.000: This version does not support cal files with TABLES"},
        {{"report", "--brief", "x.000"}, "zvr-cli report: unknown option --brief"},
        {{"check"}, "zvr-cli check: needs the files to check"},
        {{"check", "garbage.000"},
         "zvr-cli check: garbage.000: is not a valid cal file (load result -2)"},
        {{"step-response"},
         "zvr-cli step-response: needs exactly one recording (the CSV file of zvr-cli monitor "
         "--csv)"},
        {{"step-response", "missing.csv"}, "zvr-cli step-response: missing.csv: cannot be read"},
        {{"step-response", "folder.000"}, "zvr-cli step-response: folder.000: cannot be read"},
        {{"step-response", "garbage.000"},
         "zvr-cli step-response: garbage.000: line 1: not a recording of zvr-cli monitor (its "
         "header starts with time and names the variables)"},
        {{"step-response", "x.csv", "--band", "0"},
         "zvr-cli step-response: --band takes a percentage above 0 and at most 50"},
        {{"step-response", "x.csv", "--band", "2%"},
         "zvr-cli step-response: --band takes a percentage above 0 and at most 50"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
        const CliRun run = RunCli(c.args);
        EXPECT_EQ(run.code, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(Lines(run.err), 1u) << run.err;
        EXPECT_EQ(run.err, c.message + "\n");
    }
    // Without any command the usage goes to standard error.
    const CliRun bare = RunCli({});
    EXPECT_EQ(bare.code, 2);
    EXPECT_EQ(bare.out, "");
    EXPECT_NE(bare.err.find("usage: zvr-cli"), std::string::npos);
}

// A recording of a set-speed step whose figures are worked out by hand: 20 % overshoot,
// 10 % of the step reached at 1.02 s and 90 % at 1.157 s, the 2 % band (36 rpm) entered at
// 1.28 s, 2 rpm short at the end.
std::string StepRecording(const std::string& header) {
    std::string text = header + "\r\n";
    for (int i = 0; i <= 30; ++i) {
        const int rpm = i < 10    ? 1500
                        : i == 10 ? 1500
                        : i == 11 ? 1650
                        : i == 12 ? 1860
                        : i == 13 ? 1830
                                  : 1798;
        text += std::to_string(i / 10) + "." + std::to_string(i % 10) + "00," +
                std::to_string(rpm) + "," + (i < 10 ? "1500" : "1800") + "\r\n";
    }
    return text;
}

TEST(ZvrCli, StepResponseOfARecording) {
    test::WriteBytes("new.csv", StepRecording("time [s],engine_rpm [rpm],n_desired [rpm]"));
    test::WriteBytes("old.csv", StepRecording("time,engine_rpm,n_desired"));
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"new.csv"},
         "1.000 s: 1500 -> 1800 rpm, overshoot 20.0 %, rise 0.137 s, settling 0.280 s, error "
         "2.0 rpm\n"},
        {{"old.csv"},
         "1.000 s: 1500 -> 1800, overshoot 20.0 %, rise 0.137 s, settling 0.280 s, error 2.0\n"},
        {{"new.csv", "--band", "10"},
         "1.000 s: 1500 -> 1800 rpm, overshoot 20.0 %, rise 0.137 s, settling 0.080 s, error "
         "2.0 rpm\n"},
        {{"new.csv", "--band", "0.1"},
         "1.000 s: 1500 -> 1800 rpm, overshoot 20.0 %, rise 0.137 s, settling not settled, "
         "error 2.0 rpm\n"},
        {{"old.csv", "--json", "--reference", "n_desired", "--response", "engine_rpm"},
         "[{\"time\":1.0,\"from\":1500,\"to\":1800,\"overshoot_percent\":20.0,"
         "\"rise_s\":0.137,\"settling_s\":0.28,\"error\":2.0}]\n"},
        {{"new.csv", "--json", "--band", "0.1"},
         "[{\"time\":1.0,\"from\":1500,\"to\":1800,\"overshoot_percent\":20.0,"
         "\"rise_s\":0.137,\"settling_s\":null,\"error\":2.0}]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + std::to_string(c.args.size()));
        std::vector<std::string> args{"step-response"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, "");
    }
    // A recording without a step: the answer is no.
    test::WriteBytes("steady.csv",
                     "time [s],n_desired [rpm],engine_rpm [rpm]\r\n0.000,1500,1499\r\n");
    const CliRun steady = RunCli({"step-response", "steady.csv", "--json"});
    EXPECT_EQ(steady.code, 1);
    EXPECT_EQ(steady.out, "[]\n");
    EXPECT_EQ(steady.err, "zvr-cli step-response: no step of n_desired found\n");
    const CliRun missing = RunCli({"step-response", "new.csv", "--response", "oil_temp"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_EQ(missing.err,
              "zvr-cli step-response: new.csv: the recording has no column oil_temp\n");
}

// The traffic log is removed at every port open, so --log takes only a path that may be: a
// regular file, one not there yet, or a device (written to, never removed).
TEST(ZvrCli, LogMustBeARegularFileOrADevice) {
    std::filesystem::create_directory("logs");
    ASSERT_EQ(::mkfifo("log-pipe", 0600), 0);
    struct Case {
        std::string path;
        int code;
        std::string err;
    };
    const Case cases[] = {
        {"logs", 2,
         "zvr-cli: traffic log logs is a folder: the traffic log must be a regular file; it is "
         "left alone (see --log)\n"},
        {"log-pipe", 2,
         "zvr-cli: traffic log log-pipe is a pipe: the traffic log must be a regular file; it is "
         "left alone (see --log)\n"},
        {"traffic.txt", 0, ""},
        {"/dev/null", 0, ""},
    };
    for (const Case& c : cases) {
        const CliRun run = RunCli(
            {"--log", c.path, "identify", "--port", "DEMO740", "--strategy-dir", ZVR_STRATEGY_DIR});
        EXPECT_EQ(run.code, c.code) << c.path << ": " << run.err;
        EXPECT_EQ(run.err, c.err) << c.path;
    }
    EXPECT_TRUE(std::filesystem::is_directory("logs"));
    EXPECT_TRUE(std::filesystem::is_fifo("log-pipe"));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_EQ(ReadBytes("traffic.txt").substr(0, 19), "Serial Com Opened\r\n");
}

// Options read alike in every command: "--port=NAME" as well as "--port NAME", anywhere
// among the arguments, and "--" before an argument that looks like an option.
TEST(ZvrCli, EveryCommandReadsItsOptionsTheSameWay) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"identify", "--port=DEMO740"},
          {"--strategy-dir=" ZVR_STRATEGY_DIR, "identify", "--port", "DEMO740"},
          {"get", "--port=DEMO740", "SET_SPEED_1"},
          {"get", "SET_SPEED_1", "--port=DEMO740", "--strategy-dir=" ZVR_STRATEGY_DIR}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.code, 0) << args[0] << ": " << run.err;
        EXPECT_NE(run.out, "") << args[0];
    }
    const CliRun named = RunCli({"check", "--", "-no-such-file.000"});
    EXPECT_EQ(named.err,
              "zvr-cli check: -no-such-file.000: cannot be opened: No such file or directory\n");
}

TEST(ZvrCli, VersionAndHelp) {
    const CliRun version = RunCli({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "zvr-cli 7.3.7\n");
    const CliRun help = RunCli({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* command : {"compile", "decompile", "check", "report"}) {
        EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << command;
        const CliRun commandHelp = RunCli({"--log", "traffic.txt", command, "--help"});
        EXPECT_EQ(commandHelp.code, 0);
        EXPECT_EQ(commandHelp.out.rfind(std::string("usage: zvr-cli ") + command, 0), 0u)
            << commandHelp.out;
    }
    // Nothing is logged yet, so no log file appears.
    EXPECT_FALSE(std::filesystem::exists("traffic.txt"));
    EXPECT_FALSE(std::filesystem::exists("Log.txt"));
}

TEST(ZvrCli, TrafficLogNeverReplacesAFileOfTheUser) {
    const std::string notes = "my notes\n";
    test::WriteBytes("Log.txt", notes);
    test::WriteBytes("notes.txt", notes);
    std::filesystem::create_directory("folder");
    const auto identify = [](std::vector<std::string> args) {
        args.insert(args.end(),
                    {"--strategy-dir", ZVR_STRATEGY_DIR, "identify", "--port", "DEMO740"});
        return RunCli(args);
    };

    // By default the log goes to the state folder, whatever lies in the current one.
    const CliRun plain = identify({});
    EXPECT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(ReadBytes("Log.txt"), notes);
    const std::string stateLog = std::string(std::getenv("XDG_STATE_HOME")) + "/zvr/Log.txt";
    EXPECT_EQ(ReadBytes(stateLog).rfind("Serial Com Opened\r\n", 0), 0u);

    // --log on a file that is not a traffic log, or on a folder, is refused before any link.
    for (const char* path : {"notes.txt", "folder"}) {
        const CliRun refused = identify({"--log", path});
        EXPECT_EQ(refused.code, 2) << path;
        EXPECT_NE(refused.err.find("is left alone"), std::string::npos) << refused.err;
    }
    EXPECT_EQ(ReadBytes("notes.txt"), notes);
    EXPECT_TRUE(std::filesystem::is_directory("folder"));

    // An earlier traffic log is the program's own and starts afresh.
    test::WriteBytes("traffic.txt", "Serial Com Opened\r\n SEND 1 Bytes:  15\r\n");
    const CliRun again = identify({"--log", "traffic.txt"});
    EXPECT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(ReadBytes("traffic.txt").find("SEND 1 Bytes"), std::string::npos);
}

TEST(TerminalPrompt, WithoutATerminalQuestionsTakeTheAnswerThatStops) {
    std::istringstream in("y\n");
    std::ostringstream err;
    TerminalPrompt prompt(in, err, false);
    EXPECT_FALSE(prompt.askYesNo("Retry Query?"));
    EXPECT_EQ(prompt.askYesNoCancel("Save?"), PromptAnswer::Cancel);
    EXPECT_FALSE(prompt.askRetry("Check the wiring."));
    EXPECT_EQ(prompt.chooseFile({.title = "Select a file"}), std::nullopt);
    prompt.error("Could NOT open port COM7", "Port");
    // A question that names its default button gets that one.
    EXPECT_EQ(prompt.show({"Abort Download?", "", PromptIcon::Error, PromptButtons::YesNo,
                           PromptAnswer::Yes}),
              PromptAnswer::Yes);
    EXPECT_EQ(err.str(),
              "Retry Query? [y/N] no\nSave? [y/n/C] cancel\nwarning: Check the wiring. [r/C] "
              "cancel\nSelect a file: cancelled\nerror: Port: Could NOT open port COM7\n"
              "error: Abort Download? [Y/n] yes\n");
}

TEST(TerminalPrompt, OnATerminalTheAnswerIsRead) {
    std::istringstream in("maybe\nY\n\nr\n\nfile.txt\n");
    std::ostringstream err;
    TerminalPrompt prompt(in, err, true);
    EXPECT_TRUE(prompt.askYesNo("Continue?"));    // "maybe" is asked again
    EXPECT_FALSE(prompt.askYesNo("Overwrite?"));  // an empty line takes the default
    EXPECT_TRUE(prompt.askRetry("Retry?"));
    EXPECT_EQ(prompt.chooseFile({.title = "Save", .suggestedName = "cal.ZVR"}), "cal.ZVR");
    EXPECT_EQ(prompt.chooseFile({.title = "Save"}), "file.txt");
    EXPECT_EQ(prompt.chooseFile({.title = "Save"}), std::nullopt);  // end of input
}

}  // namespace
}  // namespace zvr::cli
