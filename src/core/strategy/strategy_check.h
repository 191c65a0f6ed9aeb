#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/model_kind.h"

namespace zvr {

struct DefinitionSet;

// What a model's calibration wizard needs to find in a strategy: its required-parameter list
// (the Welcome page refuses to go on at the first name missing, in this order), the
// fault-flag variable the Welcome page reads, and the scalars and live variables that later
// pages cannot do without (the stepper travel, the analog calibration readings). The strategy
// check reads this table; a calibration wizard is to read the same one, so that the two
// cannot disagree.
struct WizardRequirements {
    ModelKind model;
    std::span<const std::string_view> requiredParameters;
    std::string_view faultVariable;
    std::span<const std::string_view> pageScalars;
    std::span<const std::string_view> pageVariables;
};

// The requirements of the wizard a strategy of this kind runs; null for an unknown kind.
const WizardRequirements* RequirementsFor(ModelKind model);

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
