#pragma once

// zvr-cli wizard run in the test against zvr-sim on a pseudo-terminal, with the person at
// the terminal played by a script of typed lines and things done between them.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "controller_fixture.h"
#include "wizard_command.h"
#include "wizard_conversation.h"

namespace zvr::cli::test {

// The person at the terminal: typed lines, and things done between them (moving the
// pedal, pressing Ctrl-C, a fault on the line).
class ScriptedInput : public WizardInput {
public:
    using Step = std::variant<std::string, std::function<void()>>;

    explicit ScriptedInput(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {}

    // An action between lines happens first, and the wizard gets a moment to see it.
    bool Ready(std::chrono::milliseconds) override {
        if (steps_.empty() || std::holds_alternative<std::string>(steps_.front())) return true;
        auto action = std::get<std::function<void()>>(std::move(steps_.front()));
        steps_.pop_front();
        action();
        return interrupt_;
    }
    std::optional<std::string> Line() override {
        while (!steps_.empty()) {
            Step step = std::move(steps_.front());
            steps_.pop_front();
            if (auto* text = std::get_if<std::string>(&step)) return *text;
            std::get<std::function<void()>>(step)();
            if (interrupt_) return std::nullopt;
        }
        return std::nullopt;  // the end of input
    }
    bool TakeInterruption() override { return std::exchange(interrupt_, false); }
    bool terminal() const override { return false; }

    void pressCtrlC() { interrupt_ = true; }
    size_t left() const { return steps_.size(); }

private:
    std::deque<Step> steps_;
    bool interrupt_ = false;
};

class WizardCommandFixture : public ControllerFixture {
protected:
    // zvr-sim with a shipped strategy, and simulator commands run before the wizard.
    void startSimulator(const std::string& strategy,
                        const std::vector<std::string>& commands = {}) {
        startOn(std::string(ZVR_STRATEGY_DIR) + "/" + strategy + ".000");
        for (const std::string& command : commands)
            ASSERT_EQ(simulator_->execute(command), "ok");
    }

    int wizard(ScriptedInput& input, std::vector<std::string> args = {}) {
        args.insert(args.end(),
                    {"--strategy-dir", ZVR_STRATEGY_DIR, "--port", simulator_->linkPath()});
        out_.str({});
        err_.str({});
        CommandContext context{.prompt = prompt_, .out = out_, .err = err_};
        return RunWizardWith(context, args, input);
    }

    std::string get(const std::string& name) { return simulator_->execute("get " + name); }
    bool printed(const std::string& text) { return out_.str().find(text) != std::string::npos; }
};

}  // namespace zvr::cli::test
