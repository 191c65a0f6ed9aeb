#include "monitoring/live_rows.h"

#include <utility>

namespace zvr {

std::vector<LiveRow> BuildLiveRows(const DefinitionSet& set) {
    std::vector<LiveRow> rows;
    for (const auto& item : set.viewItems.entries()) {
        if (rows.size() == kMaxLiveRows) break;
        if (VariableDef* variable = set.variables.find(item->name)) {
            rows.push_back({item.get(), variable});
        }
    }
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        for (size_t j = i + 1; j < rows.size(); ++j) {
            if (rows[j].item->position < rows[i].item->position) std::swap(rows[i], rows[j]);
        }
    }
    return rows;
}

}  // namespace zvr
