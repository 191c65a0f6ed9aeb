#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "definitions/definition_set.h"

namespace zvr {

// The scalar groups Change Calibration offers, chosen by the start of the strategy name,
// and the title of the column that shows the controller's value. A scalar of menu group g
// belongs to the g-th group; the last group, "All Parameters", shows every scalar.
struct ScalarGroupTable {
    const char* valueTitle;
    std::span<const char* const> groups;
};

const ScalarGroupTable& GroupTableFor(std::string_view strategyName);

// The scalars the filter entry shows, in table order.
std::vector<ScalarDef*> ScalarsOfGroup(const DefinitionSet& set, const ScalarGroupTable& table,
                                       int filterIndex);

// The group name a menu group has in a table; nothing when it names no group but "All".
const char* GroupName(const ScalarGroupTable& table, int menuGroup);

}  // namespace zvr
