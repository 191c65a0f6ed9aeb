// zvr-cli identify, get, set and monitor against the simulator on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "command.h"
#include "commands.h"
#include "sim/sim_fixtures.h"
#include "support/scripted_prompt.h"

namespace zvr::cli {
namespace {

using namespace std::chrono_literals;

class ControllerCommandsTest : public testing::Test {
protected:
    void startOn(const std::string& strategy) {
        sim::SimOptions options;
        options.strategy = strategy;
        simulator_ = sim::test::StartSimulator(options);
        ASSERT_TRUE(simulator_);
    }

    int run(int (*command)(CommandContext&, std::span<const std::string>),
            std::vector<std::string> args) {
        out_.str({});
        err_.str({});
        args.push_back("--port");
        args.push_back(simulator_ ? simulator_->linkPath() : "DEMO740");
        CommandContext context{.prompt = prompt_, .out = out_, .err = err_};
        return command(context, args);
    }

    std::unique_ptr<sim::Simulator> simulator_;
    test::ScriptedPrompt prompt_;
    std::ostringstream out_;
    std::ostringstream err_;
};

TEST_F(ControllerCommandsTest, IdentifyBothLayouts) {
    startOn(sim::test::Write740());
    EXPECT_EQ(run(RunIdentify, {"--json"}), kExitOk) << err_.str();
    EXPECT_EQ(out_.str(),
              "{\"model\": \"ZEVAR 740\", \"strategy\": \"R03\", \"strategy_file\": "
              "\"ZVX41R03.000\", \"access_open\": false}\n");
    simulator_.reset();
    startOn(sim::test::Write620());
    EXPECT_EQ(run(RunIdentify, {}), kExitOk) << err_.str();
    EXPECT_NE(out_.str().find("model: ZEVAR 620\n"), std::string::npos);
    EXPECT_NE(out_.str().find("access: open\n"), std::string::npos);  // no PASSWORD: always open
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
    EXPECT_EQ(run(RunGet, {"no_such_value"}), kExitUsage);
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1"}), kExitUsage);
}

TEST_F(ControllerCommandsTest, SetNeedsOpenAccess) {
    startOn(sim::test::Write740());  // its PASSWORD is not the one ZVR identifies with
    EXPECT_EQ(run(RunSet, {"SET_SPEED_1", "1600"}), kExitLink);
    EXPECT_EQ(simulator_->execute("get SET_SPEED_1"), "ok 1500");
}

TEST_F(ControllerCommandsTest, MonitorWritesCsvRowsAndStopsTheController) {
    startOn(sim::test::Write620());
    ASSERT_EQ(run(RunMonitor, {"engine_rpm", "n_desired", "--duration", "0.5", "--csv", "m.csv"}),
              kExitOk)
        << err_.str();
    std::ifstream csv("m.csv", std::ios::binary);
    std::string header;
    std::getline(csv, header);
    EXPECT_EQ(header, "time,engine_rpm,n_desired\r");
    int rows = 0;
    for (std::string line; std::getline(csv, line);)
        ++rows;
    EXPECT_GE(rows, 3);  // the simulator answers every 50 ms
    // After the stop, the controller is silent: a plain read gets its one answer.
    EXPECT_EQ(run(RunGet, {"SET_SPEED_1"}), kExitOk);
}

TEST_F(ControllerCommandsTest, PortsThatFail) {
    out_.str({});
    CommandContext context{.prompt = prompt_, .out = out_, .err = err_};
    const std::vector<std::string> args = {"--port", "/dev/no-such-port"};
    EXPECT_EQ(RunIdentify(context, args), kExitLink);
    EXPECT_EQ(err_.str(), "zvr-cli identify: could not open port /dev/no-such-port\n");
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
