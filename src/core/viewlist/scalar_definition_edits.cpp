#include "viewlist/scalar_definition_edits.h"

#include "common/user_prompt.h"

namespace zvr {

namespace {

ScalarDefinitionEdit Rewrite(DefinitionSet& set, ScalarDef& scalar, const ScalarFields& fields,
                             UserPrompt& prompt) {
    // The scalar keeps its own group: the filter may show "All Parameters", which is no group.
    std::optional<ScalarDef> rewritten = BuildScalarDef(fields, scalar.menuGroup);
    auto& table = set.scalars;
    if (!rewritten || (rewritten->name != scalar.name && table.find(rewritten->name))) {
        prompt.plain("Invalid Data. Please correct");
        return {ScalarDefinitionEdit::Refused, {}};
    }
    rewritten->accessLevel = scalar.accessLevel;
    rewritten->baseValid = scalar.baseValid;
    rewritten->controllerRaw = scalar.controllerRaw;
    const std::string name = rewritten->name;
    if (name == scalar.name) {
        scalar = std::move(*rewritten);
    } else {
        // A new name has a new place in the sorted table.
        table.remove(&scalar);
        table.insert(std::move(*rewritten));
    }
    return {ScalarDefinitionEdit::Rewritten, name};
}

}  // namespace

ScalarDefinitionEdit SaveScalarDefinition(DefinitionSet& set, ScalarDef& scalar,
                                          const ScalarFields& fields, UserPrompt& prompt) {
    switch (CompareDefinition(fields, scalar)) {
        case DefinitionCompare::Changed:
            return Rewrite(set, scalar, fields, prompt);
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

std::optional<std::string> AddScalarAsNew(DefinitionSet& set, const ScalarFields& fields,
                                          uint16_t menuGroup, UserPrompt& prompt) {
    std::optional<ScalarDef> scalar = BuildScalarDef(fields, menuGroup);
    if (!scalar) {
        prompt.plain("Invalid Data. Point NOT Added");
        return std::nullopt;
    }
    const std::string name = scalar->name;
    if (set.scalars.insert(std::move(*scalar)) != 0) {
        prompt.plain("New Item name must be unique. Point NOT added");
        return std::nullopt;
    }
    return name;
}

bool DeleteScalar(DefinitionSet& set, ScalarDef& scalar, UserPrompt& prompt) {
    if (!prompt.askYesNo("Are you sure you want to delete this parameter?", kApplicationCaption,
                         PromptIcon::Error)) {
        return false;
    }
    set.scalars.remove(&scalar);
    return true;
}

}  // namespace zvr
