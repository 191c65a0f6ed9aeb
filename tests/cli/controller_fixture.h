#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "controller_unit.h"
#include "sim/sim_fixtures.h"
#include "support/scripted_prompt.h"

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
