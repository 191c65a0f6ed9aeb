#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "definitions/model_kind.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

// Makes a family's sheet on the links its host provides.
using WizardSheetMaker = std::function<std::unique_ptr<WizardSheet>(WizardLinks)>;

// Whether the family of this kind has its wizard.
bool HasWizard(ModelKind kind);

// The sheet maker of the family a strategy runs (by its strategy name), on the strategy file
// at strategyPath whose identification text is identifier (the caption can follow it). Empty
// when the name is no wizard family's or the family has no wizard.
WizardSheetMaker WizardSheetFor(std::string_view strategyName, const std::string& strategyPath,
                                std::string_view identifier);

}  // namespace zvr
