#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "definitions/model_kind.h"

namespace zvr {

struct DefinitionSet;

// The requirements of each family's wizard (WizardRequirements, RequirementsFor) are in the
// family registry; the check below and the wizards both read them.

// Problems that make a strategy unfit for ZVR, each as one sentence:
//  - variables or scalars named twice (a cal file keeps only the first, so such records are
//    seen as header counts larger than the tables), view items or diagnostics named twice;
//  - two scalars whose EEPROM bytes overlap;
//  - scaling type letters other than '$', 'B', 'S', 'U' and sizes other than 1, 2, 4; scalars
//    of size 4, which the controller link cannot write;
//  - view items that name no variable, and more than ten of them;
//  - EE_FAULTS_1, EE_FAULTS_2 ... whose count differs from the number of diagnostics, or that
//    skip a number;
//  - a strategy name that gives no model, or a missing name of the model's wizard
//    requirements.
// An empty list means the strategy passes. Pure: looks only at set.
std::vector<std::string> CheckStrategy(const DefinitionSet& set);

}  // namespace zvr
