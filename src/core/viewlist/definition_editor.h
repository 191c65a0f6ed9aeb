#pragma once

#include <string>
#include <string_view>

#include "definitions/definition_edit.h"
#include "definitions/definitions.h"

namespace zvr {

class CDataServer;

// Every change of a document's variable and scalar tables goes through here: the tables stay
// sorted with unique names, a definition keeps its place in memory while it is renamed, and
// every edit is announced to all the document's views (hint 4) so that none goes on using a
// definition the edit has changed or deleted.
//
// Results: 0 done and announced; -1 refused (no definition of that name, or the new name is
// another's), with nothing changed and nothing announced. An edit that changes nothing is
// done but not announced.
class DefinitionEditor {
public:
    explicit DefinitionEditor(CDataServer& document) : document_(document) {}

    int AddScalar(ScalarDef scalar);
    // Rewrites every field of the named scalar from `rewritten`, its name included.
    int ChangeScalar(std::string_view name, ScalarDef rewritten);
    int RenameScalar(std::string_view name, const std::string& newName);
    int DeleteScalar(std::string_view name);

    // A variable's view item follows it: renamed with it, deleted with it.
    int AddVariable(VariableDef variable);
    int ChangeVariable(std::string_view name, VariableDef rewritten);
    int RenameVariable(std::string_view name, const std::string& newName);
    int DeleteVariable(std::string_view name);

private:
    template <typename Def>
    int Add(Def def, DefinitionEdit::Table table);
    template <typename Def>
    int Change(std::string_view name, Def rewritten, DefinitionEdit::Table table);
    template <typename Def>
    int Delete(std::string_view name, DefinitionEdit::Table table);

    CDataServer& document_;
};

}  // namespace zvr
