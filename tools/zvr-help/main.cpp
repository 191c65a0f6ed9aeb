// zvr-help: writes the Change Calibration help pages from the strategy files.
//   zvr-help OUTPUT_DIR STRATEGY_DIR
// Reads each family's help strategy (the family registry names it) from STRATEGY_DIR, in the
// registry's order. One page per scalar of the help-topic table, then the contents page
// index.html (last, so that its date tells the build the set is complete).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "families/family_registry.h"
#include "help/help_pages.h"
#include "monitoring/help_topics.h"

namespace {

class StderrPrompt : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage& message) override {
        std::fprintf(stderr, "zvr-help: %s\n", message.text.c_str());
        return zvr::PromptAnswer::Cancel;
    }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

bool WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) std::fprintf(stderr, "zvr-help: cannot write %s\n", path.c_str());
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zvr-help OUTPUT_DIR STRATEGY_DIR\n");
        return 2;
    }
    const std::filesystem::path output = argv[1];
    const std::filesystem::path strategies = argv[2];
    std::error_code error;
    std::filesystem::create_directories(output, error);

    StderrPrompt prompt;
    std::vector<std::unique_ptr<zvr::DefinitionSet>> sets;
    std::vector<zvr::HelpSource> sources;
    for (const zvr::ControllerModel& model : zvr::ControllerModels()) {
        if (model.helpStrategy == nullptr) continue;
        auto set = std::make_unique<zvr::DefinitionSet>();
        const std::string file = strategies / (std::string(model.helpStrategy) + ".000");
        if (zvr::LoadCalFile(*set, file, prompt) != 0) {
            std::fprintf(stderr, "zvr-help: cannot read %s\n", file.c_str());
            return 1;
        }
        sources.push_back({model.buttonText, set.get()});
        sets.push_back(std::move(set));
    }

    for (const char* name : zvr::ScalarHelpTopics()) {
        if (!WriteFile(output / (std::string(name) + ".html"), zvr::ScalarHelpPage(name, sources)))
            return 1;
    }
    return WriteFile(output / zvr::kHelpContentsPage, zvr::HelpContentsPage(sources)) ? 0 : 1;
}
