#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "controller_unit.h"
#include "sim/sim_fixtures.h"
#include "support/scripted_prompt.h"
#include "traffic_log.h"

namespace zvr::cli::test {

// zvr-cli's commands run in the test against zvr-sim on a pseudo-terminal (or, before a
// simulator is started, against the demo key DEMO740).
class ControllerFixture : public testing::Test {
protected:
    using Run = int (*)(CommandContext&, std::span<const std::string>);

    void startOn(const std::string& strategy, uint32_t seed = 1) {
        sim::SimOptions options;
        options.strategy = strategy;
        options.seed = seed;
        simulator_ = sim::test::StartSimulator(options);
        ASSERT_TRUE(simulator_);
    }

    // The command with "--port" and the link appended; messages go to the scripted prompt
    // unless another is given.
    int run(Run command, std::vector<std::string> args, UserPrompt* prompt = nullptr) {
        args.push_back("--port");
        args.push_back(simulator_ ? simulator_->linkPath() : "DEMO740");
        return runAsIs(command, std::move(args), prompt);
    }

    int runAsIs(Run command, const std::vector<std::string>& args, UserPrompt* prompt = nullptr) {
        out_.str({});
        err_.str({});
        CommandContext context{
            .prompt = prompt ? *prompt : prompt_, .out = out_, .err = err_, .locale = locale_};
        return command(context, args);
    }

    // The message type of every request the last controller command sent, in order, from
    // its traffic log (3 a read, 4 a write).
    static std::vector<int> RequestTypesLogged() {
        std::ifstream log(TrafficLogPath(""));
        const std::regex sent("SEND [0-9]+ Bytes: +([0-9A-F]{2}) ");
        std::vector<int> types;
        std::smatch match;
        for (std::string line; std::getline(log, line);) {
            if (std::regex_search(line, match, sent))
                types.push_back(std::stoi(match[1], nullptr, 16));
        }
        return types;
    }
    static size_t WriteRequestsLogged() {
        const std::vector<int> types = RequestTypesLogged();
        return static_cast<size_t>(std::count(types.begin(), types.end(), 4));
    }

    uint16_t word(uint16_t address) {
        return simulator_->withUnit(
            [address](sim::ControllerUnit& unit) { return unit.readWord(address); });
    }

    std::unique_ptr<sim::Simulator> simulator_;
    LocaleText locale_;  // the "C" locale's: bytes pass as they are
    zvr::test::ScriptedPrompt prompt_;
    std::ostringstream out_;
    std::ostringstream err_;
};

}  // namespace zvr::cli::test
