#include "viewlist/scalar_definition_edits.h"

#include "comm/data_server.h"
#include "common/user_prompt.h"
#include "viewlist/definition_editor.h"

namespace zvr {

namespace {

ScalarDefinitionEdit Rewrite(CDataServer& document, const ScalarDef& scalar,
                             const ScalarFields& fields, UserPrompt& prompt) {
    // The scalar keeps its own group: the filter may show "All Parameters", which is no group.
    std::optional<ScalarDef> rewritten = BuildScalarDef(fields, scalar.menuGroup);
    if (!rewritten ||
        (rewritten->name != scalar.name && document.definitions.scalars.find(rewritten->name))) {
        prompt.plain("Invalid Data. Please correct");
        return {ScalarDefinitionEdit::Refused, {}};
    }
    rewritten->accessLevel = scalar.accessLevel;
    rewritten->baseValid = scalar.baseValid;
    rewritten->controllerRaw = scalar.controllerRaw;
    const std::string name = rewritten->name;
    DefinitionEditor(document).ChangeScalar(scalar.name, std::move(*rewritten));
    return {ScalarDefinitionEdit::Rewritten, name};
}

}  // namespace

ScalarDefinitionEdit SaveScalarDefinition(CDataServer& document, std::string_view name,
                                          const ScalarFields& fields, UserPrompt& prompt) {
    const ScalarDef* scalar = document.definitions.scalars.find(name);
    if (scalar == nullptr) return {ScalarDefinitionEdit::Refused, {}};
    switch (CompareDefinition(fields, *scalar)) {
        case DefinitionCompare::Changed:
            return Rewrite(document, *scalar, fields, prompt);
        case DefinitionCompare::BadType:
            prompt.plain("Scaling type is invalid", "Error");
            break;
        case DefinitionCompare::BadSize:
            prompt.plain("Scaling size is invalid", "Error");
            break;
        case DefinitionCompare::Same:
            break;
    }
    return {};
}

std::optional<std::string> AddScalarAsNew(CDataServer& document, const ScalarFields& fields,
                                          uint16_t menuGroup, UserPrompt& prompt) {
    std::optional<ScalarDef> scalar = BuildScalarDef(fields, menuGroup);
    if (!scalar) {
        prompt.plain("Invalid Data. Point NOT Added");
        return std::nullopt;
    }
    const std::string name = scalar->name;
    if (DefinitionEditor(document).AddScalar(std::move(*scalar)) != 0) {
        prompt.plain("New Item name must be unique. Point NOT added");
        return std::nullopt;
    }
    return name;
}

bool DeleteScalar(CDataServer& document, std::string_view name, UserPrompt& prompt) {
    const std::string target(name);  // the caller's text may go with the scalar meanwhile
    if (!prompt.askYesNo("Are you sure you want to delete this parameter?", kApplicationCaption,
                         PromptIcon::Error)) {
        return false;
    }
    // The question may have let another window delete it meanwhile.
    return DefinitionEditor(document).DeleteScalar(target) == 0;
}

}  // namespace zvr
