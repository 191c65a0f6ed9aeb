// Cal file load and write speed on a large synthetic strategy, with the peak memory.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "support/sample_definitions.h"

namespace {

constexpr int kVariables = 5000;
constexpr int kScalars = 5000;
constexpr int kViewItems = 10;
constexpr int kDiagnostics = 32;
constexpr int kComments = 100;
constexpr int kRecords = kVariables + kScalars + kViewItems + kDiagnostics + kComments;

class NoPrompt : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage&) override { return zvr::PromptAnswer::Ok; }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

std::string BenchPath() {
    return (std::filesystem::temp_directory_path() / "zvr-bench-ZVX5BNCH.000").string();
}

void BM_LoadCalFile(benchmark::State& state) {
    zvr::DefinitionSet source;
    zvr::test::FillSynthetic(source, kVariables, kScalars, kViewItems, kDiagnostics, kComments);
    const std::string path = BenchPath();
    zvr::test::WrittenBytes(source, path);
    NoPrompt prompt;
    for (auto _ : state) {
        zvr::DefinitionSet set;
        if (zvr::LoadCalFile(set, path, prompt) != 0) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(set.scalars.count());
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords),
                                                     benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

void BM_WriteCalFile(benchmark::State& state) {
    zvr::DefinitionSet set;
    zvr::test::FillSynthetic(set, kVariables, kScalars, kViewItems, kDiagnostics, kComments);
    const std::string path = BenchPath();
    for (auto _ : state) {
        zvr::test::WriteBytes(path, "");
        if (zvr::WriteCalFile(set, path, "ZVX5BNCH") != 0) state.SkipWithError("write failed");
    }
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(kRecords),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_LoadCalFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_WriteCalFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory (max RSS): %.1f MiB\n", usage.ru_maxrss / 1024.0);
    std::filesystem::remove(BenchPath());
    return 0;
}
