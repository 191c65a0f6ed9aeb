// zvr-help: writes the Change Calibration help pages from the strategy files.
//   zvr-help OUTPUT_DIR "MODEL=STRATEGY_FILE" ...
// One page per scalar of the help-topic table, then the contents page index.html (last, so
// that its date tells the build the set is complete).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/user_prompt.h"
#include "definitions/cal_file.h"
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
    if (argc < 3) {
        std::fprintf(stderr, "usage: zvr-help OUTPUT_DIR MODEL=STRATEGY_FILE ...\n");
        return 2;
    }
    const std::filesystem::path output = argv[1];
    std::error_code error;
    std::filesystem::create_directories(output, error);

    StderrPrompt prompt;
    std::vector<std::unique_ptr<zvr::DefinitionSet>> sets;
    std::vector<zvr::HelpSource> sources;
    for (int i = 2; i < argc; ++i) {
        const std::string argument = argv[i];
        const size_t equals = argument.find('=');
        if (equals == std::string::npos) {
            std::fprintf(stderr, "zvr-help: expected MODEL=FILE, got %s\n", argv[i]);
            return 2;
        }
        auto set = std::make_unique<zvr::DefinitionSet>();
        const std::string file = argument.substr(equals + 1);
        if (zvr::LoadCalFile(*set, file, prompt) != 0) {
            std::fprintf(stderr, "zvr-help: cannot read %s\n", file.c_str());
            return 1;
        }
        sources.push_back({argument.substr(0, equals), set.get()});
        sets.push_back(std::move(set));
    }

    for (const char* name : zvr::ScalarHelpTopics()) {
        if (!WriteFile(output / (std::string(name) + ".html"), zvr::ScalarHelpPage(name, sources)))
            return 1;
    }
    return WriteFile(output / zvr::kHelpContentsPage, zvr::HelpContentsPage(sources)) ? 0 : 1;
}
