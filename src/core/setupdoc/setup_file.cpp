#include "setupdoc/setup_file.h"

#include "common/replacing_file.h"
#include "common/user_prompt.h"
#include "setupdoc/setup_node.h"

namespace zvr {

std::string SetupFileName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool ReadSetupFile(const std::string& path, SetupNode& root, UserPrompt& prompt) {
    if (root.parseFile(path) != 0) {
        prompt.show({"Could not open file for reading", kApplicationCaption, PromptIcon::Warning,
                     PromptButtons::OkCancel});
        return false;
    }
    return true;
}

bool OpenSetupFileForWriting(ReplacingFile& file, UserPrompt& prompt) {
    if (!file.open()) {
        prompt.show({"Could not open file for writing", kApplicationCaption, PromptIcon::Warning,
                     PromptButtons::OkCancel});
        return false;
    }
    return true;
}

bool WriteSetupDocument(ReplacingFile& file, const SetupNode& document, UserPrompt& prompt) {
    std::string text;
    if (document.print(text) != 0 || !file.write(text) || !file.commit()) {
        file.abandon();
        prompt.error("There was an error writing the file.");
        return false;
    }
    return true;
}

}  // namespace zvr
