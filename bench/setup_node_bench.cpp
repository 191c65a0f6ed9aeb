// Parse and print throughput of a 1 MB setup document, in MB/s of document text.
#include <benchmark/benchmark.h>

#include <string>

#include "setupdoc/setup_node.h"

namespace {

constexpr size_t kDocumentBytes = 1 << 20;

// View-setup-like elements with a nested element and some content, until the printed text
// reaches 1 MB.
std::string MegabyteDocument() {
    zvr::SetupNode root;
    root.parseText(zvr::kEmptySetupDocument);
    std::string text;
    for (int i = 0; text.size() < kDocumentBytes; ++i) {
        for (int j = 0; j < 100; ++j) {
            zvr::SetupNode& item = root.appendChild("variable_" + std::to_string(i * 100 + j));
            item.setAttribute("ACCESS_LEVEL", 1);
            item.setAttribute("SCALING_TYPE", 'S');
            item.setAttribute("VIEW_POS", j % 10);
            item.appendChild("NOTE").setContent("engine speed &amp; load");
        }
        root.print(text);
    }
    return text;
}

void BM_ParseSetupDocument(benchmark::State& state) {
    const std::string text = MegabyteDocument();
    for (auto _ : state) {
        auto root = zvr::ParseSetupText(text);
        benchmark::DoNotOptimize(root->children().size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["document bytes"] = static_cast<double>(text.size());
}

void BM_PrintSetupDocument(benchmark::State& state) {
    const auto root = zvr::ParseSetupText(MegabyteDocument());
    std::string text;
    for (auto _ : state) {
        if (root->print(text) != 0) state.SkipWithError("print failed");
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["document bytes"] = static_cast<double>(text.size());
}

BENCHMARK(BM_ParseSetupDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PrintSetupDocument)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
