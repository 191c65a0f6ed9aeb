// The ZEVAR 740 wizard's figure: `zvr-cli wizard` with every answer from a file (no think
// time) against zvr-sim paced at 9600 baud, compared with the wire-time limit of its two
// whole transfers: the read of every scalar (request and reply of 5 bytes) and the write of
// the write set (write and echo of 4 bytes and the value, commit 3 and its reply 4), at 10
// bits a byte. Identification is measured alone and taken off.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "commands.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "program_run.h"
#include "simulator.h"
#include "wizard_command.h"
#include "wizard_conversation.h"

namespace {

using namespace std::chrono;
using zvr::bench::Median;

constexpr double kSecondsPerByte = 10.0 / 9600.0;
constexpr int kRuns = 3;

class Quiet : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage&) override { return zvr::PromptAnswer::Ok; }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

// Nobody at the keyboard: every answer comes from the file.
class NoInput : public zvr::cli::WizardInput {
public:
    bool Ready(milliseconds) override { return true; }
    std::optional<std::string> Line() override { return std::nullopt; }
    bool TakeInterruption() override { return false; }
    bool terminal() const override { return false; }
};

constexpr const char* kAnswers = R"({
  "fields": {"welcome.start": "Start with current values", "engine.type": 1,
             "engine.count": 6, "engine.teeth": 110, "range.lowest": 700,
             "range.highest": 2600, "analog.mode": 1, "speed.count": 2, "speed.1": 1500,
             "speed.warmup_time": 0, "aux1.mode": 1, "protect.overspeed": 1,
             "protect.switch": 1},
  "calibrate": "yes"
})";

// Scalars the wizard leaves out of its write with no analog input.
constexpr const char* kNotWritten[] = {"FACTORY_SETTINGS", "APP_MIN_CAL", "APP_RANGE_CAL"};

double RunHere(bool wizard, const std::vector<std::string>& args) {
    Quiet prompt;
    NoInput input;
    std::ostringstream output;
    std::ostringstream errors;
    zvr::cli::CommandContext context{.prompt = prompt, .out = output, .err = errors};
    const auto start = steady_clock::now();
    const int code = wizard ? zvr::cli::RunWizardWith(context, args, input)
                            : zvr::cli::RunIdentify(context, args);
    const double seconds = duration<double>(steady_clock::now() - start).count();
    if (code != 0) std::fprintf(stderr, "%s%s", output.str().c_str(), errors.str().c_str());
    return code == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strategy =
        std::filesystem::absolute(argc > 1 ? argv[1] : "share/zvr/strategies/ZVX41R03.000");
    zvr::DefinitionSet set;
    Quiet quiet;
    if (zvr::LoadCalFile(set, strategy, quiet) != 0) {
        std::fprintf(stderr, "cannot load %s\n", strategy.c_str());
        return 2;
    }
    size_t readBytes = 0;
    size_t writeBytes = 0;
    for (const auto& scalar : set.scalars.entries()) {
        readBytes += 10;
        const bool left = std::find(std::begin(kNotWritten), std::end(kNotWritten), scalar->name) !=
                          std::end(kNotWritten);
        if (!left) writeBytes += 2 * (4 + static_cast<size_t>(scalar->scaling.size)) + 3 + 4;
    }
    const auto folder = std::filesystem::temp_directory_path() / "zvr-wizard-bench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::ofstream("answers.json") << kAnswers;

    zvr::sim::SimOptions options;
    options.strategy = strategy;
    options.baud = 9600;
    zvr::sim::Simulator simulator;
    std::string error;
    if (!simulator.start(options, error)) {
        std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        return 3;
    }
    const std::string folderOfStrategy = std::filesystem::path(strategy).parent_path();
    const std::vector<std::string> port = {"--port", simulator.linkPath(), "--strategy-dir",
                                           folderOfStrategy};
    std::vector<std::string> wizardArgs = {"--answers", "answers.json"};
    wizardArgs.insert(wizardArgs.end(), port.begin(), port.end());
    std::vector<double> whole, identify;
    for (int i = 0; i < kRuns; ++i) {
        whole.push_back(RunHere(true, wizardArgs));
        identify.push_back(RunHere(false, port));
    }
    simulator.stop();
    if (*std::min_element(whole.begin(), whole.end()) < 0 ||
        *std::min_element(identify.begin(), identify.end()) < 0) {
        std::printf("wizard failed\n");
        return 1;
    }
    const double limit = static_cast<double>(readBytes + writeBytes) * kSecondsPerByte;
    const double wizard = Median(whole) - Median(identify);
    std::printf(
        "zvr-cli wizard (ZEVAR 740, answers from a file), %zu scalars, zvr-sim --baud "
        "9600, median of %d runs\n",
        set.scalars.count(), kRuns);
    std::printf("  wire-time limit of the two transfers: read %zu + write %zu bytes = %.3f s\n",
                readBytes, writeBytes, limit);
    std::printf("  whole command %.3f s, identify %.3f s: wizard %.3f s, ratio %.2f\n",
                Median(whole), Median(identify), wizard, wizard / limit);
    return 0;
}
