#include "definitions/definition_set.h"

namespace zvr {

void DefinitionSet::clear() {
    header = FileHeader{};
    variables.clear();
    scalars.clear();
    viewItems.clear();
    diagnostics.clear();
    comments.clear();
}

void DefinitionSet::refreshCounts() {
    // A 16-bit count field: tables never grow near 65535 from a file, which cannot hold more.
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
