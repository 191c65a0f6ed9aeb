#include "strategy/strategy_locator.h"

#include <stdlib.h>

#include <filesystem>
#include <system_error>

namespace zvr {

namespace {

namespace fs = std::filesystem;

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

bool IsRegularFile(const fs::path& path) {
    std::error_code ignored;
    return fs::is_regular_file(path, ignored);
}

// The path of a file called name in folder ("" is the current directory, and then the bare
// name is returned so that what is recorded is what the controller said).
std::optional<std::string> FindInFolder(const fs::path& folder, std::string_view name) {
    const fs::path exact = folder / name;
    if (IsRegularFile(exact)) {
        return exact.string();
    }
    std::error_code error;
    fs::directory_iterator entries(folder.empty() ? fs::path(".") : folder, error);
    if (error) {
        return std::nullopt;
    }
    // Directory order is arbitrary; take the smallest matching name so the choice is stable.
    std::optional<std::string> best;
    for (const fs::directory_entry& entry : entries) {
        const std::string entryName = entry.path().filename().string();
        if (SameIgnoringCase(entryName, name) && IsRegularFile(entry.path()) &&
            (!best || entryName < *best)) {
            best = entryName;
        }
    }
    if (!best) {
        return std::nullopt;
    }
    return (folder / *best).string();
}

std::string ProgramDir() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

}  // namespace

StrategySearchPath StrategySearchPath::FromEnvironment(std::vector<std::string> commandLineDirs) {
    StrategySearchPath search;
    search.commandLineDirs = std::move(commandLineDirs);
    if (const char* dataDir = ::getenv("ZVR_DATA_DIR")) {
        search.dataDir = dataDir;
    }
    search.programDir = ProgramDir();
    return search;
}

std::vector<std::string> StrategySearchPath::folders() const {
    std::vector<std::string> result{""};
    result.insert(result.end(), commandLineDirs.begin(), commandLineDirs.end());
    if (!dataDir.empty()) {
        result.push_back((fs::path(dataDir) / "strategies").string());
    }
    if (!programDir.empty()) {
        result.push_back((fs::path(programDir) / ".." / "share" / "zvr" / "strategies").string());
    }
    return result;
}

std::string SearchedFoldersText(const StrategySearchPath& search) {
    std::string text;
    for (const std::string& folder : search.folders()) {
        if (!text.empty()) text += ", ";
        if (folder.empty()) {
            text += "the current folder";
            continue;
        }
        std::error_code error;
        text += fs::path(folder).lexically_normal().string();
        if (!fs::is_directory(folder, error)) text += " (no such folder)";
    }
    return text;
}

std::optional<std::string> LocateStrategyFile(std::string_view name,
                                              const StrategySearchPath& search) {
    if (name.empty()) {
        return std::nullopt;
    }
    const fs::path asGiven(name);
    if (asGiven.has_parent_path()) {
        return FindInFolder(asGiven.parent_path(), asGiven.filename().string());
    }
    for (const std::string& folder : search.folders()) {
        if (auto found = FindInFolder(folder, name)) {
            return found;
        }
    }
    return std::nullopt;
}

}  // namespace zvr
