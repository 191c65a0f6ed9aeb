// zvr-cli's figures against zvr-sim on a pseudo-terminal with the ZEVAR 740 strategy:
// - `zvr-cli save` as a program, the simulator paced at 9600 baud: the whole command's time,
//   and the walk's time (save less identify, both run in this process) against the wire-time
//   limit of the read walk (request and reply of 5 bytes per scalar, 10 bits a byte);
// - `monitor` of ten variables: sets per second, unpaced and at 9600 baud, at the controller's
//   50 ms period and at 1 ms (where the line is the limit).
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "commands.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "program_run.h"
#include "simulator.h"

namespace {

using namespace std::chrono;
using zvr::bench::Median;
using zvr::bench::RunProgram;

constexpr double kSecondsPerByte = 10.0 / 9600.0;
constexpr int kRuns = 5;
using Run = int (*)(zvr::cli::CommandContext&, std::span<const std::string>);

class Quiet : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage&) override { return zvr::PromptAnswer::Ok; }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

double Seconds(steady_clock::time_point start) {
    return duration<double>(steady_clock::now() - start).count();
}

// One command run in this process; its time and what it printed, or -1 when it failed.
double RunHere(Run command, const std::vector<std::string>& args, std::string* out = nullptr) {
    Quiet prompt;
    std::ostringstream output;
    std::ostringstream errors;
    zvr::cli::CommandContext context{.prompt = prompt, .out = output, .err = errors};
    const auto start = steady_clock::now();
    const int code = command(context, args);
    const double seconds = Seconds(start);
    if (out) *out = output.str();
    if (code != 0) std::fprintf(stderr, "%s", errors.str().c_str());
    return code == 0 ? seconds : -1;
}

bool Start(zvr::sim::Simulator& simulator, const std::string& strategy, int baud, int periodMs) {
    zvr::sim::SimOptions options;
    options.strategy = strategy;
    options.baud = baud;
    options.periodMs = periodMs;
    std::string error;
    if (simulator.start(options, error)) return true;
    std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
    return false;
}

int MeasureSave(const std::string& strategy, size_t scalars) {
    zvr::sim::Simulator simulator;
    if (!Start(simulator, strategy, 9600, 50)) return 3;
    const std::string port = simulator.linkPath();
    std::vector<double> whole, saveHere, identifyHere;
    for (int i = 0; i < kRuns; ++i) {
        whole.push_back(RunProgram(ZVR_CLI_PROGRAM, {"save", "bench.ZVR", "--port", port}));
        saveHere.push_back(RunHere(zvr::cli::RunSave, {"bench.ZVR", "--port", port}));
        identifyHere.push_back(RunHere(zvr::cli::RunIdentify, {"--port", port}));
    }
    simulator.stop();
    if (std::min({*std::min_element(whole.begin(), whole.end()),
                  *std::min_element(saveHere.begin(), saveHere.end()),
                  *std::min_element(identifyHere.begin(), identifyHere.end())}) < 0) {
        std::printf("save failed\n");
        return 1;
    }
    const double limit = static_cast<double>(scalars * 10) * kSecondsPerByte;
    const double walk = Median(saveHere) - Median(identifyHere);
    std::printf("zvr-cli save, %zu scalars, zvr-sim --baud 9600 (median of %d runs)\n", scalars,
                kRuns);
    std::printf("  whole command %.3f s (ratio %.2f to the walk's limit %.3f s)\n", Median(whole),
                Median(whole) / limit, limit);
    std::printf("  save in process %.3f s, identify %.3f s: walk and file %.3f s, ratio %.2f\n",
                Median(saveHere), Median(identifyHere), walk, walk / limit);
    return 0;
}

int MeasureMonitor(const std::string& strategy, const std::vector<std::string>& variables) {
    const double seconds = 3;
    for (int baud : {0, 9600}) {
        for (int period : {50, 1}) {
            zvr::sim::Simulator simulator;
            if (!Start(simulator, strategy, baud, period)) return 3;
            std::vector<std::string> args = variables;
            args.insert(args.end(),
                        {"--duration", std::to_string(seconds), "--port", simulator.linkPath()});
            std::string out;
            const double took = RunHere(zvr::cli::RunMonitor, args, &out);
            simulator.stop();
            if (took < 0) return 1;
            const auto sets = std::count(out.begin(), out.end(), '\n');
            std::printf("monitor, %zu variables, %-12s period %2d ms: %.1f sets/s\n",
                        variables.size(), baud ? "9600 baud," : "unpaced,", period,
                        static_cast<double>(sets) / seconds);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strategy =
        std::filesystem::absolute(argc > 1 ? argv[1] : "share/zvr/strategies/ZVX41R03.000");
    zvr::DefinitionSet set;
    Quiet quiet;
    if (zvr::LoadCalFile(set, strategy, quiet) != 0 || set.variables.count() < 10) {
        std::fprintf(stderr, "cannot load %s, or it has fewer than ten variables\n",
                     strategy.c_str());
        return 2;
    }
    // Work in a folder of our own: the commands leave a traffic log and a file behind.
    const auto folder = std::filesystem::temp_directory_path() / "zvr-cli-bench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    std::vector<std::string> variables;
    for (const auto& variable : set.variables.entries()) {
        if (variables.size() < 10) variables.push_back(variable->name);
    }
    if (int result = MeasureSave(strategy, set.scalars.count())) return result;
    return MeasureMonitor(strategy, variables);
}
