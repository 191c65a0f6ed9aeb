// The running simulator: its control channel, line faults, refusals at start, the program's
// own link talking to it, and the zvr-sim program under signals.
#include "simulator.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "comm/data_server.h"
#include "sim_fixtures.h"
#include "support/child_process.h"
#include "support/sample_definitions.h"

namespace zvr::sim::test {
namespace {

using namespace std::chrono_literals;

const Bytes kReadPassword{0x03, 0x03, 0x40, 0x00, 0xBA};
const Bytes kPasswordReply{0x03, 0x03, 0x12, 0x34, 0xB4};

class SimulatorTest : public testing::Test {
protected:
    void SetUp() override {
        simulator = StartSimulator({.strategy = Write740()});
        client = std::make_unique<WireClient>(simulator->linkPath());
        control = std::make_unique<ControlClient>(simulator->controlPath());
    }

    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<WireClient> client;
    std::unique_ptr<ControlClient> control;
};

TEST_F(SimulatorTest, ControlChannelDrivesTheUnitAndAnswersOkOrError) {
    EXPECT_EQ(simulator->startupLine(), "zvr-sim: link link control link.control");
    EXPECT_EQ(control->command("get SET_SPEED_1"), "ok 1500");
    EXPECT_EQ(control->command("pedal 0.5"), "ok");
    EXPECT_EQ(control->command("get adc_app"), "ok 512");
    EXPECT_EQ(control->command("fault 2 0 on"), "ok");
    EXPECT_EQ(control->command("get EE_FAULTS_2"), "ok 00000001");
    EXPECT_EQ(control->command("fault 3 0 on"), "error: this strategy has 2 diagnostics");
    EXPECT_EQ(control->command("get nothing"), "error: no variable or scalar named 'nothing'");
    EXPECT_TRUE(control->command("pedal 2").starts_with("error: usage: pedal"));
    EXPECT_EQ(control->command(std::string(2000, 'x')), "error: line too long");
    // The faults show on the line too.
    EXPECT_EQ(client->ask(WireClient::Read(0x03, {kFaultFlags2}), 5),
              WireClient::Frame(0x03, {0x01, 0x00}));
}

TEST_F(SimulatorTest, SendIsTheControlChannelsOwnClient) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string out;
        std::string err;
    };
    const std::string path = simulator->controlPath();
    const Case cases[] = {
        {{"send", path, "pedal", "0.5"}, 0, "ok\n", ""},
        {{"send", path, "get", "adc_app"}, 0, "ok 512\n", ""},
        {{"send", path, "get", "nothing"}, 1, "error: no variable or scalar named 'nothing'\n", ""},
        {{"send", "no-such.control", "quit"},
         3,
         "",
         "zvr-sim: no simulator answers at no-such.control"},
        {{"send", path}, 2, "", "zvr-sim: send needs a control path and a command\n"},
    };
    for (const Case& c : cases) {
        const zvr::test::ChildRun run = zvr::test::RunProgram(ZVR_SIM_PROGRAM, c.args);
        EXPECT_EQ(run.code, c.code) << c.args.back();
        EXPECT_EQ(run.out, c.out) << c.args.back();
        EXPECT_EQ(run.err.rfind(c.err, 0), 0u) << run.err;
    }
}

TEST(SimulatorProgramTest, SpeaksToTheUserAboutItsCommandLine) {
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string says;  // the first line of the output or the message
    };
    const Case cases[] = {
        {{"--version"}, 0, "zvr-sim " ZVR_VERSION "\n"},
        {{"--help"}, 0, "usage: zvr-sim --strategy FILE.000"},
        {{"--colour"}, 2, "zvr-sim: unknown option --colour\n"},
        {{"--strategy", "a.000", "-x", "1"}, 2, "zvr-sim: unknown option -x\n"},
        {{"--strategy"}, 2, "zvr-sim: option --strategy needs a value\n"},
        {{"--strategy="}, 2, "zvr-sim: option --strategy must not be empty\n"},
        {{"--strategy", "a.000", "stray"}, 2, "zvr-sim: unexpected argument 'stray'\n"},
        {{"--strategy", "missing.000"},
         1,
         "zvr-sim: the strategy file missing.000 cannot be opened: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        const zvr::test::ChildRun run = zvr::test::RunProgram(ZVR_SIM_PROGRAM, c.args);
        EXPECT_EQ(run.code, c.code) << c.args.front();
        EXPECT_EQ((c.code == 0 ? run.out : run.err).rfind(c.says, 0), 0u) << run.out << run.err;
    }
}

TEST_F(SimulatorTest, QuitAsksTheProgramToEnd) {
    EXPECT_EQ(control->command("quit"), "ok");
    pollfd p{simulator->quitFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&p, 1, 2000), 1);
}

TEST_F(SimulatorTest, LineFaultsAndSilenceUntilTheLineIsCleared) {
    ASSERT_EQ(control->command("line nak 1"), "ok");
    EXPECT_EQ(client->ask(kReadPassword, 1), Bytes{0x15});
    ASSERT_EQ(control->command("line clear"), "ok");
    ASSERT_EQ(control->command("line drop 1"), "ok");
    client->send(kReadPassword);
    EXPECT_TRUE(client->drain(100ms).empty());
    ASSERT_EQ(control->command("line clear"), "ok");
    ASSERT_EQ(control->command("line silent 30"), "ok");
    client->send(kReadPassword);
    EXPECT_TRUE(client->drain(100ms).empty());
    ASSERT_EQ(control->command("line clear"), "ok");
    EXPECT_EQ(client->ask(kReadPassword, 5), kPasswordReply);
}

TEST_F(SimulatorTest, HangUpDropsTheLineAndClearBringsANewOneToTheSamePath) {
    ASSERT_EQ(control->command("line hangup"), "ok");
    EXPECT_TRUE(client->hungUp(2s));
    ASSERT_EQ(control->command("line clear"), "ok");
    // The link is replaced by a fresh line: open it again, as the program's retry would.
    Bytes reply;
    for (int attempt = 0; attempt < 100 && reply.empty(); ++attempt) {
        WireClient again(simulator->linkPath());
        if (again.isOpen()) reply = again.ask(kReadPassword, 5);
        if (reply.empty()) std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(reply, kPasswordReply);
}

TEST(SimulatorStartTest, RefusesWhatItCannotServeWithAClearMessage) {
    zvr::test::WriteBytes("garbage.000", "not a cal file");
    DefinitionSet demo;
    Fill740(demo);
    WriteStrategy(demo, "DEMO740.000");
    zvr::test::WriteBytes("short.eeprom", "1234");
    zvr::test::WriteBytes("bad.script", "1 pedal 0.5\nlater fatal on\n");
    std::filesystem::create_directory("occupied");
    const std::string strategy = Write740();

    struct Case {
        SimOptions options;
        const char* message;
    };
    const Case cases[] = {
        {{.strategy = "missing.000"}, "the strategy file missing.000 cannot be opened"},
        {{.strategy = "garbage.000"},
         "the strategy file garbage.000 cannot be read: it is damaged or not a ZVR strategy"},
        {{.strategy = "DEMO740.000"}, "give the name with --ident NAME.000"},
        {{.strategy = strategy, .ident = "ZVX4R03.000"}, "is not a 12-character name"},
        {{.strategy = strategy, .eeprom = "short.eeprom"}, "is not a 65536-byte image"},
        {{.strategy = strategy, .script = "bad.script"}, "script bad.script, line 2: "},
        {{.strategy = strategy, .link = "occupied"}, "exists and is not a symbolic link"},
        {{.strategy = strategy, .link = "l", .control = std::string(200, 'c')}, "too long"},
    };
    for (const Case& c : cases) {
        Simulator simulator;
        std::string error;
        EXPECT_FALSE(simulator.start(c.options, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    EXPECT_TRUE(std::filesystem::is_directory("occupied"));

    // A demo file serves under the name --ident gives it.
    Simulator simulator;
    std::string error;
    ASSERT_TRUE(simulator.start(
        {.strategy = "DEMO740.000", .link = "demo", .ident = "ZVX41D01.000"}, error))
        << error;
}

TEST(SimulatorStartTest, ScriptCommandsRunAtTheirTimes) {
    zvr::test::WriteBytes("steps.script", "0 fatal on\n0.05 fault 1 2 on\n");
    auto simulator = StartSimulator({.strategy = Write740(), .script = "steps.script"});
    for (int i = 0; i < 200; ++i) {
        if (simulator->execute("get fault_flags1") == "ok 00000110") break;
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(simulator->execute("get fault_flags1"), "ok 00000110");
}

// The program's own link against the simulator: identification names the strategy file,
// a scalar write commits, a continuous read keeps reporting.
TEST(SimulatorEndToEndTest, DataServerIdentifiesWritesAndStreams) {
    auto simulator = StartSimulator({.strategy = Write740(), .periodMs = 20});
    CDataServer server("sim-Log.txt");
    auto receiver = std::make_shared<QueueReceiver>();
    ASSERT_EQ(server.OpenPort(simulator->linkPath(), 20), 0);

    server.RequestIdentify(receiver, 1124, 1125, 0x1234);
    ASSERT_EQ(receiver->wait(3s), (PostedMessage{1124, 1, 0}));
    const Identification id = server.GetIdentification();
    EXPECT_EQ(id.strategyFileName, "ZVX41R03.000");
    EXPECT_EQ(id.modelName, "ZEVAR 740");
    EXPECT_TRUE(id.accessOpen);

    server.RequestWriteScalar(kSetSpeed1, 1700, 2, receiver, 1126, 1127);
    ASSERT_EQ(receiver->wait(3s), (PostedMessage{1126, 1, 0}));
    EXPECT_EQ(simulator->execute("get SET_SPEED_1"), "ok 1700");
    server.RequestWriteScalar(kEngineRpm, 1, 2, receiver, 1126, 1127);
    ASSERT_EQ(receiver->wait(3s), (PostedMessage{1127, 0, 0}));  // a RAM address

    const uint16_t addresses[] = {kNDesired, kFaultFlags};
    server.RequestReadVariables(addresses, receiver, 1128, 1129);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(receiver->wait(3s), (PostedMessage{1128, 1, 0}));
    server.RequestStop();
    server.SendCloseNotice();
    server.Close();
}

#ifdef ZVR_SIM_PROGRAM
// zvr-sim itself: one start-up line, then SIGTERM ends it and takes the link and the control
// socket with it.
TEST(SimulatorProgramTest, PrintsItsLinkAndCleansUpOnSigterm) {
    const std::string strategy = Write740();
    const std::string link = (std::filesystem::current_path() / "prog-link").string();
    const std::string command = std::string(ZVR_SIM_PROGRAM) + " --strategy " + strategy +
                                " --link " + link + " & echo $! > sim.pid; wait";
    FILE* output = ::popen(command.c_str(), "r");
    ASSERT_NE(output, nullptr);
    char line[512] = {};
    ASSERT_NE(std::fgets(line, sizeof line, output), nullptr);
    EXPECT_EQ(std::string(line), "zvr-sim: link " + link + " control " + link + ".control\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(std::filesystem::is_socket(link + ".control"));
    {
        WireClient client(link);
        EXPECT_EQ(client.ask(kReadPassword, 5), kPasswordReply);
    }
    pid_t pid = 0;
    std::ifstream("sim.pid") >> pid;
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WEXITSTATUS(::pclose(output)), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    EXPECT_FALSE(std::filesystem::exists(link + ".control"));
}
#endif

}  // namespace
}  // namespace zvr::sim::test
