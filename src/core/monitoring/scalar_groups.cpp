#include "monitoring/scalar_groups.h"

namespace zvr {

std::vector<ScalarDef*> ScalarsOfGroup(const DefinitionSet& set, const ScalarGroupTable& table,
                                       int filterIndex) {
    const bool all = filterIndex == static_cast<int>(table.groups.size()) - 1;
    std::vector<ScalarDef*> scalars;
    for (const auto& scalar : set.scalars.entries()) {
        if (all || scalar->menuGroup == filterIndex + 1) scalars.push_back(scalar.get());
    }
    return scalars;
}

const char* GroupName(const ScalarGroupTable& table, int menuGroup) {
    if (menuGroup < 1 || menuGroup >= static_cast<int>(table.groups.size())) return nullptr;
    return table.groups[static_cast<size_t>(menuGroup - 1)];
}

}  // namespace zvr
