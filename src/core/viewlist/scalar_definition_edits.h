#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "definitions/definition_set.h"
#include "monitoring/scalar_entry.h"

namespace zvr {

class CDataServer;
class UserPrompt;

// Change Calibration's editing of scalar definitions in engineering mode, as the Parameter
// List's editing is for variables. The form's fields come in as the user left them; messages
// go through the prompt; the edits go through the document's definition editor, which keeps
// the table sorted with unique names and tells every view.

// What Save Edit does after looking at the definition fields.
struct ScalarDefinitionEdit {
    enum Outcome {
        WriteNewValue,  // the definition stands (a bad type or size has been reported)
        Rewritten,      // the definition was rewritten; the new value is not written
        Refused,        // "Invalid Data. Please correct": nothing changed
    };
    Outcome outcome = WriteNewValue;
    std::string name;  // Rewritten: the scalar's name now, to select it again
};

// Save Edit: compares the fields with the named scalar's definition and rewrites it when they
// differ. The rewritten scalar keeps its menu group, access level, base flag and controller
// value; a new name renames it in place. Refused, silently, when there is no such scalar.
ScalarDefinitionEdit SaveScalarDefinition(CDataServer& document, std::string_view name,
                                          const ScalarFields& fields, UserPrompt& prompt);

// Add As New: a new scalar in the given menu group from the fields. Its name, or nothing
// when a message refused it.
std::optional<std::string> AddScalarAsNew(CDataServer& document, const ScalarFields& fields,
                                          uint16_t menuGroup, UserPrompt& prompt);

// Delete: asks first; true when the scalar was removed.
bool DeleteScalar(CDataServer& document, std::string_view name, UserPrompt& prompt);

}  // namespace zvr
