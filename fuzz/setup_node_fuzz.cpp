// Parses arbitrary bytes as a setup document and reads it as a view setup and as a plot
// setup; whatever parsed must print, and the printed text must parse and print again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/user_prompt.h"
#include "setupdoc/plot_setup_file.h"
#include "setupdoc/setup_node.h"
#include "setupdoc/view_setup_file.h"

namespace {

class SilentPrompt : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage&) override { return zvr::PromptAnswer::Ok; }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto root =
        zvr::ParseSetupText(std::string_view(reinterpret_cast<const char*>(data), size));

    zvr::ReadViewSetup(*root);
    static const zvr::SortedTable<zvr::VariableDef> variables = [] {
        zvr::SortedTable<zvr::VariableDef> table;
        table.insert({.name = "engine_rpm"});
        return table;
    }();
    SilentPrompt prompt;
    zvr::PlotSetup setup;
    zvr::ReadPlotSetup(*root, variables, zvr::kPlotDivisionLimit, setup, prompt);

    std::string first;
    if (root->print(first) != 0) __builtin_trap();
    std::string second;
    if (zvr::ParseSetupText(first)->print(second) != 0) __builtin_trap();
    return 0;
}
