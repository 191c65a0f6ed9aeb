#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "definitions/definition_set.h"
#include "families/family_registry.h"

namespace zvr {

// Change Calibration's scalar groups. The table of a strategy (GroupTableFor) is its family's,
// in the family registry.

// The scalars the filter entry shows, in table order.
std::vector<ScalarDef*> ScalarsOfGroup(const DefinitionSet& set, const ScalarGroupTable& table,
                                       int filterIndex);

// The group name a menu group has in a table; nothing when it names no group but "All".
const char* GroupName(const ScalarGroupTable& table, int menuGroup);

}  // namespace zvr
