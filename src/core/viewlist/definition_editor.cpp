#include "viewlist/definition_editor.h"

#include <utility>

#include "comm/data_server.h"

namespace zvr {

namespace {

using Table = DefinitionEdit::Table;
using Action = DefinitionEdit::Action;

SortedTable<ScalarDef>& TableOf(DefinitionSet& set, const ScalarDef*) { return set.scalars; }
SortedTable<VariableDef>& TableOf(DefinitionSet& set, const VariableDef*) { return set.variables; }

}  // namespace

template <typename Def>
int DefinitionEditor::Add(Def def, Table table) {
    const std::string name = def.name;
    if (TableOf(document_.definitions, &def).insert(std::move(def)) != 0) return -1;
    document_.UpdateAllViews({table, Action::Added, name, {}});
    return 0;
}

template <typename Def>
int DefinitionEditor::Change(std::string_view name, Def rewritten, Table table) {
    DefinitionSet& set = document_.definitions;
    auto& entries = TableOf(set, &rewritten);
    Def* def = entries.find(name);
    if (def == nullptr) return -1;
    if (*def == rewritten) return 0;
    DefinitionEdit edit{table, Action::Changed, def->name, {}};
    if (rewritten.name != def->name) {
        // In place: the definition keeps its address and moves to its new place in the order.
        if (entries.rename(def, rewritten.name) != 0) return -1;
        edit.action = Action::Renamed;
        edit.newName = rewritten.name;
        if (table == Table::Variables) {
            if (ViewItemDef* item = set.viewItems.find(edit.name)) item->name = edit.newName;
        }
    }
    *def = std::move(rewritten);
    document_.UpdateAllViews(edit);
    return 0;
}

template <typename Def>
int DefinitionEditor::Delete(std::string_view name, Table table) {
    DefinitionSet& set = document_.definitions;
    auto& entries = TableOf(set, static_cast<const Def*>(nullptr));
    const Def* def = entries.find(name);
    if (def == nullptr) return -1;
    const DefinitionEdit edit{table, Action::Deleted, def->name, {}};
    if (table == Table::Variables) {
        if (const ViewItemDef* item = set.viewItems.find(edit.name)) set.viewItems.remove(item);
    }
    entries.remove(def);
    document_.UpdateAllViews(edit);
    return 0;
}

int DefinitionEditor::AddScalar(ScalarDef scalar) { return Add(std::move(scalar), Table::Scalars); }

int DefinitionEditor::ChangeScalar(std::string_view name, ScalarDef rewritten) {
    return Change(name, std::move(rewritten), Table::Scalars);
}

int DefinitionEditor::RenameScalar(std::string_view name, const std::string& newName) {
    const ScalarDef* scalar = document_.definitions.scalars.find(name);
    if (scalar == nullptr) return -1;
    ScalarDef renamed = *scalar;
    renamed.name = newName;
    return ChangeScalar(name, std::move(renamed));
}

int DefinitionEditor::DeleteScalar(std::string_view name) {
    return Delete<ScalarDef>(name, Table::Scalars);
}

int DefinitionEditor::AddVariable(VariableDef variable) {
    return Add(std::move(variable), Table::Variables);
}

int DefinitionEditor::ChangeVariable(std::string_view name, VariableDef rewritten) {
    return Change(name, std::move(rewritten), Table::Variables);
}

int DefinitionEditor::RenameVariable(std::string_view name, const std::string& newName) {
    const VariableDef* variable = document_.definitions.variables.find(name);
    if (variable == nullptr) return -1;
    VariableDef renamed = *variable;
    renamed.name = newName;
    return ChangeVariable(name, std::move(renamed));
}

int DefinitionEditor::DeleteVariable(std::string_view name) {
    return Delete<VariableDef>(name, Table::Variables);
}

}  // namespace zvr
