#pragma once

#include <vector>

#include "definitions/definition_set.h"

namespace zvr {

// One Parameter View row: the view item that places it and the variable it shows.
struct LiveRow {
    const ViewItemDef* item;
    VariableDef* variable;
};

inline constexpr size_t kMaxLiveRows = 10;

// The rows of the Parameter View: view items in table order whose name matches a variable
// (others are left out), at most ten, then ordered by view position with the list's own
// exchange sort (items of equal position keep no guaranteed order).
std::vector<LiveRow> BuildLiveRows(const DefinitionSet& set);

}  // namespace zvr
