#pragma once

#include <string>
#include <string_view>

#include "families/family_registry.h"

namespace zvr {

// The family of a strategy name, as the family registry recognises it (case-sensitive, the
// longest matching prefix wins). Unknown for none.
ModelKind ClassifyStrategyName(std::string_view strategyName);

// What a report heading says of a cal file from its path alone: the base name before its
// first dot, read by the registry's file-name rule (either letter case; only the families
// that rule knows).
struct FileNameModel {
    std::string modelName;
    std::string strategy;
};
// False when the name gives no model, and the caller keeps what it had.
bool ModelFromFileName(std::string_view path, FileNameModel& out);

}  // namespace zvr
