#include "definitions/definition_set.h"

#include <utility>

#include "common/stored_text.h"

namespace zvr {

namespace {

// The first stored string longer than its one-byte length can say, as "comment 2 is 300
// bytes long; the file holds at most 255 per text".
std::optional<std::string> OverLongText(const DefinitionSet& set) {
    std::optional<std::string> found;
    const auto check = [&found](const std::string& text, const std::string& what) {
        if (!found && text.size() > kMaxStoredTextBytes) {
            found = what + " is " + std::to_string(text.size()) +
                    " bytes long; the file holds at most " + std::to_string(kMaxStoredTextBytes) +
                    " per text";
        }
    };
    check(set.header.strategyName, "the strategy name");
    for (const std::string& description : set.header.descriptions)
        check(description, "a description");
    for (const auto& v : set.variables.entries()) {
        check(v->name, "a variable name");
        check(v->units, "the units of " + v->name.substr(0, 40));
    }
    for (const auto& s : set.scalars.entries()) {
        check(s->name, "a scalar name");
        check(s->units, "the units of " + s->name.substr(0, 40));
    }
    for (const auto& item : set.viewItems.entries())
        check(item->name, "a view item name");
    for (const auto& d : set.diagnostics.entries()) {
        check(d->name, "a diagnostic name");
        for (const std::string& text : d->bitTexts)
            check(text, "a fault text of " + d->name.substr(0, 40));
    }
    size_t number = 0;
    for (const auto& c : set.comments.entries())
        check(c->text, "comment " + std::to_string(++number));
    return found;
}

}  // namespace

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
    return OverLongText(*this);
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
