#include "definitions/definition_set.h"

#include <utility>

namespace zvr {

void DefinitionSet::clear() {
    header = FileHeader{};
    variables.clear();
    scalars.clear();
    viewItems.clear();
    diagnostics.clear();
    comments.clear();
}

std::optional<std::string> DefinitionSet::overLimit() const {
    const std::pair<const char*, size_t> tables[] = {{"variables", variables.count()},
                                                     {"scalars", scalars.count()},
                                                     {"view items", viewItems.count()},
                                                     {"diagnostics", diagnostics.count()},
                                                     {"comments", comments.count()}};
    for (const auto& [name, count] : tables) {
        if (count > kMaxTableEntries) {
            return "the file can hold at most " + std::to_string(kMaxTableEntries) + " " + name +
                   "; there are " + std::to_string(count);
        }
    }
    return std::nullopt;
}

void DefinitionSet::refreshCounts() {
    // 16-bit count fields: a set over the limit is never written (see overLimit()).
    SectionCounts& c = header.counts;
    c.number_of_variables = static_cast<uint16_t>(variables.count());
    c.number_of_scalars = static_cast<uint16_t>(scalars.count());
    c.number_of_view_items = static_cast<uint16_t>(viewItems.count());
    c.number_of_functions = 0;
    c.number_of_tables = 0;
    c.number_of_diagnostics = static_cast<uint16_t>(diagnostics.count());
    c.number_of_eol_programs = 0;
    c.number_of_comments = static_cast<uint16_t>(comments.count());
}

}  // namespace zvr
