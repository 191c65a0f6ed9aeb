#include "input_files.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "common/regular_file.h"
#include "common/replacing_file.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "definitions/definition_set.h"
#include "strategy/strategy_source.h"

namespace zvr::cli {

namespace {

// Keeps what the loader would have shown, so that the command can say it in its one line.
class CollectingPrompt : public UserPrompt {
public:
    std::vector<std::string> texts;
    PromptAnswer show(const PromptMessage& message) override {
        texts.push_back(message.text);
        return PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFile(const FileChoice&) override { return std::nullopt; }
};

std::string LoadFailure(const std::string& path, int result) {
    if (result == -1) {
        const std::string reason = OpenFailureReason(path);
        return reason.empty() ? "cannot be opened" : "cannot be opened: " + reason;
    }
    return "is not a valid cal file (load result " + std::to_string(result) + ")";
}

}  // namespace

int LoadCalFileFor(const CommandContext& context, std::string_view command, const std::string& path,
                   DefinitionSet& set) {
    CollectingPrompt prompt;
    const int result = LoadCalFile(set, path, prompt);
    if (result == 0) {
        return kExitOk;
    }
    const std::string reason =
        prompt.texts.empty() ? LoadFailure(path, result) : prompt.texts.front();
    return context.fail(command, kExitUsage, path + ": " + reason);
}

bool IsSourceName(std::string_view path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension == ".json";
}

int LoadDefinitionsFor(const CommandContext& context, std::string_view command,
                       const std::string& path, DefinitionSet& set) {
    if (!IsSourceName(path)) {
        return LoadCalFileFor(context, command, path, set);
    }
    if (StrategySourceResult read = ReadStrategySourceFile(path, set); !read) {
        return context.fail(command, kExitUsage, read.error);
    }
    return kExitOk;
}

int CheckOutputFor(const CommandContext& context, std::string_view command,
                   const std::string& path) {
    ReplacingFile file(path);
    if (file.writable()) return kExitOk;
    return context.fail(command, kExitUsage, path + ": " + file.failure());
}

}  // namespace zvr::cli
