#include "setupdoc/setup_file.h"

#include <filesystem>

#include "common/replacing_file.h"
#include "common/stored_text.h"
#include "common/user_prompt.h"
#include "setupdoc/setup_node.h"

namespace zvr {

std::string SetupFileName(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

bool ReadSetupFile(const std::string& path, SetupNode& root, UserPrompt& prompt) {
    if (root.parseFile(path) != 0) {
        std::string text = "Could not open file for reading";
        // A FIFO, a device or a folder is refused unread; say so, as it is there to see.
        std::error_code ignored;
        const auto status = std::filesystem::status(path, ignored);
        if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
            text += "\r\n\r\n" + PathText(SetupFileName(path)) + " is not a regular file.";
        }
        prompt.show({text, kApplicationCaption, PromptIcon::Warning, PromptButtons::OkCancel});
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
