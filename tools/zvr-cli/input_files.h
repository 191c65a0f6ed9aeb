#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "command.h"

namespace zvr {
struct DefinitionSet;
}

namespace zvr::cli {

// Loads a cal file for a command. On failure says why in one line (the loader's own message
// for files with functions, tables or EOL programs) and gives kExitUsage; else kExitOk.
int LoadCalFileFor(const CommandContext& context, std::string_view command, const std::string& path,
                   DefinitionSet& set);

// A strategy source (*.json, any letter case) or a cal file, by the name's extension.
bool IsSourceName(std::string_view path);
int LoadDefinitionsFor(const CommandContext& context, std::string_view command,
                       const std::string& path, DefinitionSet& set);

// Before a command does its work: can a file take path's place? On failure says so in one
// line and gives kExitUsage; else kExitOk. Nothing is left on disk either way.
int CheckOutputFor(const CommandContext& context, std::string_view command,
                   const std::string& path);

}  // namespace zvr::cli
