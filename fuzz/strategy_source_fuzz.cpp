// Reads arbitrary bytes as a strategy source (with one base source it may name). Whatever
// compiles is written as a source again, and that source must compile to the same
// definitions, so writing it once more gives the same text.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "definitions/definition_set.h"
#include "strategy/strategy_source.h"

namespace {

constexpr const char* kBase = R"({"strategy": "ZVX41R03",
  "variables": [{"name": "engine_rpm", "type": "U", "size": 2, "bp": 0, "ram": "0x100"}],
  "scalars": [{"name": "GAIN", "type": "U", "size": 2, "bp": 8, "ee": "0x10", "value": "2.5"}],
  "viewItems": [{"name": "engine_rpm", "type": "U", "size": 2, "bp": 0, "pos": 0}],
  "diagnostics": [{"name": "fault_flags1", "ram": "0x120", "ee": "0x4300", "flags": ["a"]}],
  "comments": [{"text": "base"}]})";

zvr::StrategySourceResult LoadBase(const std::string& name, std::string& text) {
    if (name != "base.json") return {name + ": cannot be read"};
    text = kBase;
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zvr::DefinitionSet set;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!zvr::ParseStrategySource(text, set, LoadBase)) {
        return 0;
    }
    const std::string written = zvr::WriteStrategySource(set);
    zvr::DefinitionSet again;
    if (!zvr::ParseStrategySource(written, again) || zvr::WriteStrategySource(again) != written) {
        std::abort();
    }
    return 0;
}
