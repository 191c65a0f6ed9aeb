#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "definitions/definition_set.h"
#include "definitions/scaling_choices.h"

namespace zvr {

class CDataServer;
class UserPrompt;

// The Parameter List's editing of variable definitions and of the view items that put them on
// the Parameter View. The form's fields come in as the user typed them; messages go through
// the prompt; the tables stay consistent whatever happens.

// The type and size lists of the form: TypeIndex, SizeIndex and their inverses
// (definitions/scaling_choices.h).

struct VariableFields {
    std::string name;
    std::string address;  // hexadecimal
    std::string units;
    int typeIndex = 0;
    int sizeIndex = 0;
    std::string binaryPoint;  // decimal
};

struct ViewItemFields {
    bool onViewList = false;
    std::string position;  // decimal, 0-9
    int typeIndex = 0;
    int sizeIndex = 0;
    std::string binaryPoint;
};

// The lowest position 0-9 no view item holds; nothing when all ten are used.
std::optional<int> LowestFreePosition(const ViewItemTable<ViewItemDef>& items);

// The form's fields for a variable and its view item, as "select variable" shows them.
VariableFields FieldsOf(const VariableDef& variable);
std::optional<ViewItemFields> ViewItemFieldsOf(const DefinitionSet& set,
                                               const VariableDef& variable);

// Save Edit: creates the view item when the named variable is newly on the list (position
// checks first), writes the fields into the variable (through the document's definition editor,
// so every view hears of it) and its view item, removes the view item when the variable left
// the list. False when the variable is gone or the new view item was refused and nothing was
// written. After "Invalid Data. Please correct" the fields before the bad one stay written and
// it is true: the list is refilled to show them. A view item that already existed takes the
// typed position without the checks a new one gets.
bool SaveEdit(CDataServer& document, std::string_view name, const VariableFields& fields,
              const ViewItemFields& item, UserPrompt& prompt);

// Add As New: a new variable (and view item, when on the list) from the fields. The new
// variable's name, or nothing when a message refused it.
std::optional<std::string> AddAsNew(CDataServer& document, const VariableFields& fields,
                                    const ViewItemFields& item, UserPrompt& prompt);

}  // namespace zvr
