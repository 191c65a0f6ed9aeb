#pragma once

#include <string>

namespace zvr {

// One edit of a document's variable or scalar table, as the document announces it to its
// views. A view that shows a definition looks it up again by name: under `newName` after a
// rename, not at all after a delete.
struct DefinitionEdit {
    enum class Table { Variables, Scalars };
    enum class Action {
        Added,
        Changed,  // fields rewritten in place (address, scaling, units, values)
        Renamed,  // given a new name, perhaps with other fields rewritten too
        Deleted,
    };

    Table table = Table::Scalars;
    Action action = Action::Changed;
    std::string name;     // the definition's name before the edit (the new one when added)
    std::string newName;  // Renamed: its name now

    // The name the definition goes by after the edit; empty when it is gone.
    const std::string& nameAfter() const {
        static const std::string gone;
        if (action == Action::Deleted) return gone;
        return action == Action::Renamed ? newName : name;
    }

    // What a view that keeps the name `held` of a definition in `inTable` keeps after the
    // edit: the new name after a rename, nothing after a delete, otherwise `held`.
    std::string follow(Table inTable, const std::string& held) const {
        return inTable == table && held == name ? nameAfter() : held;
    }

    friend bool operator==(const DefinitionEdit&, const DefinitionEdit&) = default;
};

}  // namespace zvr
