// zvr-cli identify, get, set and monitor against the simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>

#include "commands.h"
#include "controller_fixture.h"
#include "definitions/cal_file.h"
#include "engine_model.h"
#include "monitoring/password.h"
#include "plot/step_response.h"
#include "support/child_process.h"
#include "support/pty_peer.h"
#include "support/scalar_memory_controller.h"

namespace zvr::cli {
namespace {

using namespace std::chrono_literals;

using ControllerCommandsTest = test::ControllerFixture;

TEST_F(ControllerCommandsTest, IdentifyBothLayouts) {
    startOn(sim::test::Write740());
    EXPECT_EQ(run(RunIdentify, {"--json"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(),
              "{\"format\":1,\"model\":\"ZEVAR 740\",\"strategy\":\"R03\",\"strategy_file\":"
              "\"ZVX41R03.000\",\"access_open\":false}\n");
    simulator_.reset();
    startOn(sim::test::Write620());
    EXPECT_EQ(run(RunIdentify, {}), kExitOk) << err_.str();
    EXPECT_NE(out_.str().find("model: ZEVAR 620\n"), std::string::npos);
    EXPECT_NE(out_.str().find("access: open\n"), std::string::npos);  // no PASSWORD: always open
}

// The late-reply trial for a single read: a reply given up on by an earlier run lands just
// before the answer to get's read. get prints the controller's value, never the stale one.
TEST_F(ControllerCommandsTest, GetNeverPrintsALateReplyMeantForAnotherRequest) {
    sim::test::Write740();
    for (const auto perByte : {0us, 1042us}) {
        SCOPED_TRACE(perByte.count());
        zvr::test::ScalarMemoryController controller(perByte);
        controller.SetWord(sim::test::kSetSpeed1, 1500);
        controller.LandLateReplyAt(1, 35);
        const int code =
            runAsIs(RunGet, {"SET_SPEED_1", "--port", controller.path(), "--strategy-dir", "."});
        ASSERT_EQ(code, kExitOk) << err_.str();
        EXPECT_EQ(out_.str(), "SET_SPEED_1\t1500\t\n");
        EXPECT_EQ(controller.Reads().size(), 2u);  // read again after the stray reply
    }
}

TEST_F(ControllerCommandsTest, SetThenGetReadsBackWhatTheControllerHolds) {
    startOn(sim::test::Write620());
    ASSERT_EQ(run(RunSet, {"SET_SPEED_1", "1750"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(), "SET_SPEED_1\t1750\t\n");  // the fixture gives it no units
    EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1750");
    ASSERT_EQ(run(RunGet, {"SET_SPEED_1", "engine_rpm"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str().substr(0, 19), "SET_SPEED_1\t1750\t\ne");
}

TEST_F(ControllerCommandsTest, RefusedValuesAndNames) {
    startOn(sim::test::Write620());
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1", "70000"}), kExitUsage);
    EXPECT_EQ(err_.str(), "zvr-cli set: New Value out of range\n");
    EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1500");
    // Text that is no number is refused the same way, not written as 0.
    for (const char* text : {"abc", "", "nan"}) {
        err_.str("");
        EXPECT_EQ(run(RunSet, {"SET_SPEED_1", text}), kExitUsage) << text;
        EXPECT_EQ(err_.str(), "zvr-cli set: New Value out of range\n") << text;
        EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1500") << text;
    }
    EXPECT_EQ(run(RunGet, {"no_such_value"}), kExitUsage);
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1"}), kExitUsage);
}

// A ZEVAR 740 whose password is "tech".
std::string WriteLocked740() {
    DefinitionSet set;
    sim::test::Fill740(set);
    set.scalars.find("PASSWORD")->fileRaw = PasswordCode("tech");
    sim::test::WriteStrategy(set, "ZVX41R03.000");
    return "ZVX41R03.000";
}

TEST_F(ControllerCommandsTest, SetOnAClosedControllerNeedsItsPassword) {
    startOn(WriteLocked740());
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1", "1600"}), kExitUsage);
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1", "1600", "--password", "wrong"}), kExitNo);
    EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1500");
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1", "1600", "--password", "tech"}), kExitOk) << err_.str();
    EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1600");
}

TEST_F(ControllerCommandsTest, PasswordCheckAndChange) {
    startOn(WriteLocked740());
    EXPECT_EQ(run(RunPassword, {"--check", "wrong"}), kExitNo);
    EXPECT_EQ(err_.str(), "Invalid Password!\n");
    EXPECT_EQ(run(RunPassword, {"--check", "tech"}), kExitOk);
    EXPECT_EQ(out_.str(), "access open\n");
    EXPECT_EQ(run(RunPassword, {"--change", "engine3"}), kExitUsage);  // closed: needs --old
    ASSERT_EQ(run(RunPassword, {"--change", "engine3", "--old", "tech"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(), "The password was successfully updated in the controller.\n");
    EXPECT_EQ(run(RunPassword, {"--check", "engine3"}), kExitOk);
    EXPECT_EQ(run(RunPassword, {"--check", "tech"}), kExitNo);
}

TEST_F(ControllerCommandsTest, MonitorWritesCsvRowsAndStopsTheController) {
    startOn(sim::test::Write620());
    ASSERT_EQ(run(RunMonitor, {"engine_rpm", "n_desired", "--duration", "0.5", "--csv", "m.csv"}),
              kExitOk)
        << err_.str();
    std::ifstream csv("m.csv", std::ios::binary);
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header, "time [s],engine_rpm [rpm],n_desired [rpm]\r");
    int rows = 0;
    for (std::string line; std::getline(csv, line);)
        ++rows;
    EXPECT_GE(rows, 3);  // the simulator answers every 50 ms
    // After the stop, the controller is silent: a plain read gets its one answer.
    EXPECT_EQ(run(RunGet, {"SET_SPEED_1"}), kExitOk);
}

// A line that spoils some sets: monitor counts them, keeps reading and ends as asked.
TEST_F(ControllerCommandsTest, MonitorCountsBadSetsAndGoesOn) {
    startOn(sim::test::Write620());
    ASSERT_EQ(simulator_->execute("line checksum 0.3"), "ok");
    ASSERT_EQ(run(RunMonitor, {"engine_rpm", "--duration", "1.5"}), kExitOk) << err_.str();
    const std::string err = err_.str();
    ASSERT_TRUE(err.starts_with("zvr-cli monitor: ") && err.ends_with(" bad sets\n")) << err;
    EXPECT_GT(std::stoi(err.substr(17)), 0) << err;
    EXPECT_FALSE(simulator_->streaming());
}

// Every way out of monitor tells the controller to stop first.
TEST_F(ControllerCommandsTest, MonitorStopsTheControllerOnEverySignal) {
    startOn(sim::test::Write620());
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        std::filesystem::remove("s.csv");
        std::thread sender([signal] {
            // Once rows are coming, the signal arrives as from another process.
            for (int i = 0; i < 500; ++i) {
                std::ifstream csv("s.csv");
                int lines = 0;
                for (std::string line; std::getline(csv, line);)
                    ++lines;
                if (lines >= 3) break;
                std::this_thread::sleep_for(10ms);
            }
            ::kill(::getpid(), signal);
        });
        const int code = run(RunMonitor, {"engine_rpm", "--csv", "s.csv"});
        sender.join();
        EXPECT_EQ(code, kExitOk) << strsignal(signal) << ": " << err_.str();
        EXPECT_FALSE(simulator_->streaming()) << strsignal(signal);
    }
}

int CsvLines(const std::string& path) {
    std::ifstream csv(path);
    int lines = 0;
    for (std::string line; std::getline(csv, line);)
        ++lines;
    return lines;
}

bool CsvHasGap(const std::string& path) {
    std::ifstream csv(path);
    for (std::string line; std::getline(csv, line);) {
        if (line.ends_with(",,\r")) return true;
    }
    return false;
}

bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 1000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

// The adapter is pulled out and plugged in again: without --reconnect monitor ends at once
// (exit 3); with it, the gap is marked, the controller identified again when the device is
// back, and reading goes on.
TEST_F(ControllerCommandsTest, MonitorWaitsForAPulledAdapterWithReconnect) {
    startOn(sim::test::Write620());
    std::thread puller([this] {
        WaitFor([] { return CsvLines("p.csv") >= 3; });
        simulator_->execute("line hangup");
    });
    EXPECT_EQ(run(RunMonitor, {"engine_rpm", "n_desired", "--csv", "p.csv"}), kExitLink);
    puller.join();
    EXPECT_EQ(err_.str(), "zvr-cli monitor: the port has gone away\nzvr-cli monitor: 0 bad sets\n");
    ASSERT_EQ(simulator_->execute("line clear"), "ok");
    ASSERT_TRUE(
        WaitFor([this] { return std::filesystem::is_character_file(simulator_->linkPath()); }));

    std::thread replug([this] {
        WaitFor([] { return CsvLines("r.csv") >= 3; });
        simulator_->execute("line hangup");
        WaitFor([] { return CsvHasGap("r.csv"); });
        simulator_->execute("line clear");
        const int before = CsvLines("r.csv");
        WaitFor([before] { return CsvLines("r.csv") >= before + 3; });
        ::kill(::getpid(), SIGTERM);
    });
    const int code = run(RunMonitor, {"engine_rpm", "n_desired", "--csv", "r.csv", "--reconnect"});
    replug.join();
    ASSERT_EQ(code, kExitOk) << err_.str();
    const std::string out = out_.str();
    const size_t lost = out.find("\tlink lost\n");
    const size_t back = out.find("\tlink back\n");
    ASSERT_NE(lost, std::string::npos) << out;
    ASSERT_NE(back, std::string::npos) << out;
    EXPECT_LT(lost, back);
    EXPECT_NE(out.find("engine_rpm=", back), std::string::npos) << "rows after the gap";
    EXPECT_TRUE(CsvHasGap("r.csv"));
    EXPECT_FALSE(simulator_->streaming());
}

// A scalar written straight into the simulated EEPROM, as if by another tool: the link stays
// with the running monitor.
void WriteEeprom(sim::Simulator& simulator, uint16_t address, uint16_t raw) {
    const uint8_t bytes[] = {static_cast<uint8_t>(raw >> 8), static_cast<uint8_t>(raw)};
    simulator.withUnit([&](sim::ControllerUnit& unit) { return unit.commitWrite(address, bytes); });
}

// The overshoot of a 1500 -> 1800 rpm step under a proportional gain, by the simulator's engine
// model alone, sampled every 50 ms as monitor does.
double ModelOvershoot(double proportional) {
    sim::EngineModel engine;
    engine.settle(1500, 0);
    std::vector<ResponseSample> samples{{0, 1500, 1500}};
    for (int i = 1; i <= 60; ++i) {
        engine.advance(0.05, 1800, {proportional, 1.25, 0.125}, 0);
        samples.push_back({i * 0.05, 1800, engine.rpm()});
    }
    return MeasureSteps(samples, {}).front().overshootPercent;
}

// A set-speed step under two proportional gains, recorded by monitor and judged by
// step-response, orders the overshoots as the simulator's engine model does. With these gains
// the smaller one overshoots more (the integral action swings the engine), which a test
// expecting "more gain, more overshoot" would get wrong. The steps follow the rows the
// recording has, not the clock.
TEST_F(ControllerCommandsTest, StepResponseOfTwoGainsOrdersOvershootAsTheEngineModel) {
    startOn(sim::test::Write620());
    const double gains[] = {1.0, 2.5};
    std::thread driver([this, &gains] {
        int rows = 0;
        auto after = [&rows](int more) {
            rows += more;
            WaitFor([&rows] { return CsvLines("steps.csv") >= rows; });
        };
        for (double gain : gains) {
            after(5);
            WriteEeprom(*simulator_, sim::test::kProportionalGain,
                        static_cast<uint16_t>(gain * 256));
            after(5);
            WriteEeprom(*simulator_, sim::test::kSetSpeed1, 1800);
            after(60);
            WriteEeprom(*simulator_, sim::test::kSetSpeed1, 1500);
            after(50);
        }
        ::kill(::getpid(), SIGTERM);
    });
    const int monitored = run(RunMonitor, {"engine_rpm", "n_desired", "--csv", "steps.csv"});
    driver.join();
    ASSERT_EQ(monitored, kExitOk) << err_.str();

    ASSERT_EQ(runAsIs(RunStepResponse, {"steps.csv", "--json"}), kExitOk) << err_.str();
    const std::string json = out_.str();
    const std::regex overshoot("\"overshoot_percent\": ?([0-9.]+)");
    std::vector<double> measured;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), overshoot);
         it != std::sregex_iterator(); ++it) {
        measured.push_back(std::stod((*it)[1]));
    }
    ASSERT_EQ(measured.size(), 4u) << json;  // up and down under each gain
    const double model[] = {ModelOvershoot(gains[0]), ModelOvershoot(gains[1])};
    EXPECT_GT(std::fabs(model[0] - model[1]), 10) << "the gains must differ clearly";
    EXPECT_EQ(measured[0] > measured[2], model[0] > model[1]) << json;
    EXPECT_NEAR(measured[0], model[0], 3) << json;
    EXPECT_NEAR(measured[2], model[1], 3) << json;
}

// --duration holds while monitor waits for a device that went away or a controller that
// fell silent: the command ends when the time is over, as without the wait.
TEST_F(ControllerCommandsTest, MonitorWithReconnectEndsWhenItsDurationIsOver) {
    struct Case {
        const char* fault;
        const char* duration;  // past the 5 s a silent line takes to count as lost
    };
    for (const auto [fault, duration] : {Case{"line hangup", "3"}, Case{"line silent 600", "6"}}) {
        SCOPED_TRACE(fault);
        startOn(sim::test::Write620());
        std::filesystem::remove("d.csv");
        std::thread breaker([this, fault] {
            WaitFor([] { return CsvLines("d.csv") >= 3; });
            simulator_->execute(fault);
        });
        // A command that would wait far beyond its duration is stopped, and that counted.
        std::atomic<bool> ended{false};
        std::atomic<bool> stopped{false};
        std::thread watchdog([&] {
            if (!WaitFor([&] { return ended.load(); }) && !WaitFor([&] { return ended.load(); })) {
                stopped = true;
                ::kill(::getpid(), SIGTERM);
            }
        });
        const int code = run(
            RunMonitor, {"engine_rpm", "--csv", "d.csv", "--reconnect", "--duration", duration});
        ended = true;
        breaker.join();
        watchdog.join();
        EXPECT_FALSE(stopped) << "monitor went on waiting after its duration";
        EXPECT_EQ(code, kExitOk) << err_.str();
        EXPECT_NE(out_.str().find("\tlink lost\n"), std::string::npos) << out_.str();
        simulator_.reset();
    }
}

TEST_F(ControllerCommandsTest, MonitorRefusesTimesThatAreNoPlainNumber) {
    startOn(sim::test::Write620());
    const std::pair<const char*, const char*> cases[] = {
        {"--interval", "abc"}, {"--interval", "1e400"}, {"--interval", "-5"},
        {"--interval", "2e8"}, {"--duration", "1.5s"},  {"--duration", "inf"},
    };
    for (const auto& [option, text] : cases) {
        err_.str("");
        EXPECT_EQ(run(RunMonitor, {"engine_rpm", option, text}), kExitUsage) << option << text;
        EXPECT_TRUE(err_.str().starts_with(std::string("zvr-cli monitor: ") + option +
                                           " takes a number from 0 to "))
            << err_.str();
    }
    // No value at all is refused as every option's empty value is.
    EXPECT_EQ(run(RunMonitor, {"engine_rpm", "--duration", ""}), kExitUsage);
    EXPECT_EQ(err_.str(), "zvr-cli monitor: option --duration must not be empty\n");
}

TEST_F(ControllerCommandsTest, FaultsSetThroughTheSimulatorAndCleared) {
    startOn(sim::test::Write740());
    ASSERT_EQ(run(RunFaults, {}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(), "current:\n  \tNo current faults.\n");

    ASSERT_EQ(simulator_->execute("fault 1 2 on"), "ok");
    ASSERT_EQ(run(RunFaults, {"--history"}), kExitOk) << err_.str();
    EXPECT_NE(out_.str().find("current:\n  fault_flags1\tMagnetic pickup signal lost\n"),
              std::string::npos)
        << out_.str();
    EXPECT_NE(out_.str().find("history:\n  fault_flags1\tMagnetic pickup signal lost"),
              std::string::npos)
        << out_.str();

    ASSERT_EQ(simulator_->execute("fault 1 2 off"), "ok");
    ASSERT_EQ(run(RunFaults, {"--history", "--clear", "history", "--json"}), kExitOk) << err_.str();
    EXPECT_EQ(
        out_.str(),
        "{\"format\":1,\"current\":[{\"source\":\"\",\"description\":\"No current faults.\"}],"
        "\"history\":[{\"source\":\"\",\"description\":\"No Historical Faults\"}]}\n");
    EXPECT_EQ(run(RunFaults, {"--clear", "everything"}), kExitUsage);
}

TEST_F(ControllerCommandsTest, SaveThenCompareThenAChangedScalar) {
    startOn(sim::test::Write620());
    ASSERT_EQ(run(RunSave, {"unit.ZVR", "--comment", "engine 3", "--comment", "after overhaul"}),
              kExitOk)
        << err_.str();
    DefinitionSet saved;
    ASSERT_EQ(LoadCalFile(saved, "unit.ZVR", prompt_), 0);
    ASSERT_EQ(saved.comments.count(), 2u);
    EXPECT_EQ(saved.comments.entries()[1]->text, "after overhaul");
    EXPECT_EQ(saved.scalars.find("SET_SPEED_1")->fileRaw, 1500u);

    EXPECT_EQ(run(RunCompare, {"unit.ZVR"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(), "File Matches Controller\n");

    ASSERT_EQ(run(RunSet, {"SET_SPEED_1", "1650"}), kExitOk);
    EXPECT_EQ(run(RunCompare, {"unit.ZVR"}), kExitNo) << err_.str();
    EXPECT_NE(out_.str().find("SET_SPEED_1"), std::string::npos) << out_.str();
}

TEST_F(ControllerCommandsTest, SaveAndCompareRefuseFilesTheyCannotUse) {
    startOn(sim::test::Write620());
    EXPECT_EQ(run(RunSave, {"no/such/folder/unit.ZVR"}), kExitUsage);
    EXPECT_FALSE(std::filesystem::exists("no/such/folder/unit.ZVR"));
    std::ofstream("junk.ZVR") << "not a cal file";
    EXPECT_EQ(run(RunCompare, {"junk.ZVR"}), kExitUsage);
    EXPECT_EQ(run(RunCompare, {}), kExitUsage);
}

// A ZEVAR 620 with a variable named "témp" (0xE9 in the file) in "µs" (0xB5).
std::string Write620WithLatin1Names() {
    DefinitionSet set;
    sim::test::Fill620(set);
    set.variables.insert({.scaling = {'U', 2, 0},
                          .ramAddress = sim::test::kActDuty,
                          .name = "t\xE9mp",
                          .units = "\xB5s"});
    sim::test::WriteStrategy(set, "Z99620G1.000");
    return "Z99620G1.000";
}

// Names and comments are typed in the terminal's encoding and stored in Latin-1; what the
// core says comes back in the terminal's encoding. Paths are neither.
TEST_F(ControllerCommandsTest, TextMeetsTheTerminalInItsOwnEncoding) {
    startOn(Write620WithLatin1Names());
    struct Case {
        const char* codeset;
        std::string name;   // as typed
        std::string shown;  // the name and units as printed
    };
    const Case cases[] = {
        {"UTF-8", "t\xC3\xA9mp", "t\xC3\xA9mp\t.*\t\xC2\xB5s\n"},
        {"ISO-8859-15", "t\xE9mp", "t\xE9mp\t.*\t\xB5s\n"},
        {"", "t\xE9mp", "t\xE9mp\t.*\t\xB5s\n"},  // "C": the bytes as they are
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codeset);
        locale_ = LocaleText(c.codeset);
        ASSERT_EQ(run(RunGet, {c.name}), kExitOk) << err_.str();
        EXPECT_TRUE(std::regex_match(out_.str(), std::regex(c.shown))) << out_.str();
    }

    locale_ = LocaleText("UTF-8");
    ASSERT_EQ(run(RunSave, {"caf\xC3\xA9.ZVR", "--comment", "r\xC3\xA9vis\xC3\xA9"}), kExitOk)
        << err_.str();
    DefinitionSet saved;
    ASSERT_EQ(LoadCalFile(saved, "caf\xC3\xA9.ZVR", prompt_), 0);  // the path's own bytes
    ASSERT_EQ(saved.comments.count(), 1u);
    EXPECT_EQ(saved.comments.entries()[0]->text, "r\xE9vis\xE9");
    EXPECT_EQ(prompt_.shown.back().text, "caf\xE9.ZVR Created Successfully");
    EXPECT_EQ(run(RunCompare, {"caf\xC3\xA9.ZVR", "--json"}), kExitOk) << err_.str();
    EXPECT_TRUE(
        out_.str().starts_with("{\"format\":1,\"file\":\"caf\xC3\xA9.ZVR\",\"matches\":true"))
        << out_.str();
}

// What the file cannot hold is refused before the controller is asked, never cut or turned
// into "?".
TEST_F(ControllerCommandsTest, TextTheFileCannotHoldIsRefused) {
    startOn(Write620WithLatin1Names());
    std::filesystem::remove("refused.ZVR");
    locale_ = LocaleText("UTF-8");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{"save", "refused.ZVR", "--comment", std::string(300, 'c')},
         "zvr-cli save: '" + std::string(300, 'c') +
             "': The text is 300 characters long; the file holds at most 255.\n"},
        {{"save", "refused.ZVR", "--comment", "ok", "--comment", "5 \xE2\x82\xAC"},
         "zvr-cli save: '5 \xE2\x82\xAC': The character U+20AC cannot be stored: the file "
         "holds Western European (Latin-1) characters only.\n"},
        {{"save", "refused.ZVR", "--comment", "t\xE9mp"},
         "zvr-cli save: 't\xE9mp': The text is not valid UTF-8.\n"},
        {{"get", "\xE2\x82\xAC"},
         "zvr-cli get: '\xE2\x82\xAC': The character U+20AC cannot be stored: the file "
         "holds Western European (Latin-1) characters only.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const std::vector<std::string> args(c.args.begin() + 1, c.args.end());
        EXPECT_EQ(run(c.args[0] == "save" ? RunSave : RunGet, args), kExitUsage);
        EXPECT_EQ(err_.str(), c.message);
        EXPECT_FALSE(std::filesystem::exists("refused.ZVR"));
    }
    // 255 bytes fit whole.
    ASSERT_EQ(run(RunSave, {"refused.ZVR", "--comment", std::string(255, 'c')}), kExitOk)
        << err_.str();
    DefinitionSet saved;
    ASSERT_EQ(LoadCalFile(saved, "refused.ZVR", prompt_), 0);
    EXPECT_EQ(saved.comments.entries()[0]->text, std::string(255, 'c'));
}

// The program itself takes its encoding from the environment's locale.
TEST_F(ControllerCommandsTest, TheProgramReadsItsLocale) {
    startOn(Write620WithLatin1Names());
    const auto get = [this](const std::string& name, const std::string& locale) {
        return zvr::test::RunProgram(
            ZVR_CLI_PATH, {"--log", "Log.txt", "get", name, "--port", simulator_->linkPath()},
            {"LC_ALL=" + locale, "LC_CTYPE", "LANG"});
    };
    const zvr::test::ChildRun utf8 = get("t\xC3\xA9mp", "C.UTF-8");
    EXPECT_EQ(utf8.code, kExitOk) << utf8.err;
    EXPECT_TRUE(std::regex_match(utf8.out, std::regex("t\xC3\xA9mp\t.*\t\xC2\xB5s\n"))) << utf8.out;
    const zvr::test::ChildRun plain = get("t\xE9mp", "C");
    EXPECT_EQ(plain.code, kExitOk) << plain.err;
    EXPECT_TRUE(std::regex_match(plain.out, std::regex("t\xE9mp\t.*\t\xB5s\n"))) << plain.out;
}

// A connection that fails says why in one line, and nothing else: not the port's message
// once more, not the loader's.
TEST_F(ControllerCommandsTest, PortsThatFail) {
    // A controller that names a strategy file nobody has.
    zvr::test::ScriptedController unknownStrategy([](const zvr::test::Bytes& request) {
        if (request.empty() || request[0] != kIdentify) return std::vector<zvr::test::Bytes>{};
        return std::vector<zvr::test::Bytes>{zvr::test::IdentifyReply("ZVX41R77", true)};
    });
    struct Case {
        std::vector<std::string> args;
        std::string says;
    };
    const Case cases[] = {
        {{"--port", "/dev/no-such-port"},
         "could not open port /dev/no-such-port: No such file or directory"},
        {{"--port", "DEMO999"},
         "unknown demo key DEMO999; the demo keys are DEMO880 DEMO740 DEMO760 DEMO620 DEMO210 "
         "DEMO310 DEMOKMS2"},
        {{"--port", unknownStrategy.path(), "--strategy-dir", "no-such-folder"},
         "the controller was found, but no strategy folder holds ZVX41R77.000 (looked in the "
         "current folder, no-such-folder (no such folder), "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        prompt_ = {};
        err_.str({});
        CommandContext context{.prompt = prompt_, .out = out_, .err = err_};
        EXPECT_EQ(RunIdentify(context, c.args), kExitLink);
        const std::string said = err_.str();
        EXPECT_EQ(said.rfind("zvr-cli identify: " + c.says, 0), 0u) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_TRUE(prompt_.texts().empty()) << prompt_.texts().front();
    }
    CommandContext context{.prompt = prompt_, .out = out_, .err = err_};
    EXPECT_EQ(RunIdentify(context, std::vector<std::string>{}), kExitUsage);
}

TEST_F(ControllerCommandsTest, DemoModeAnswersFromItsStrategy) {
    DefinitionSet set;
    sim::test::Fill620(set);
    set.header.strategyName = "ZVX740";
    sim::test::WriteStrategy(set, "DEMO740.000");
    EXPECT_EQ(run(RunIdentify, {}), kExitOk) << err_.str();
    EXPECT_NE(out_.str().find("model: DEMO\n"), std::string::npos);
    EXPECT_EQ(run(RunGet, {"SET_SPEED_1"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(), "SET_SPEED_1\t1500\t\n");
}

}  // namespace
}  // namespace zvr::cli
