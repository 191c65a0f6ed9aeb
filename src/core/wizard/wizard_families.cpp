#include "wizard/wizard_families.h"

#include "connection/controller_model.h"
#include "wizard/kms2_wizard.h"
#include "wizard/lpn310_wizard.h"
#include "wizard/zevar210_wizard.h"
#include "wizard/zevar620_wizard.h"
#include "wizard/zevar740_wizard.h"
#include "wizard/zevar880_wizard.h"

namespace zvr {

bool HasWizard(ModelKind kind) {
    switch (kind) {
        case ModelKind::Zevar740:
        case ModelKind::Lpn310:
        case ModelKind::Kms2:
        case ModelKind::Zevar880:
        case ModelKind::Zevar620:
        case ModelKind::Zevar210:
            return true;
        default:
            return false;
    }
}

WizardSheetMaker WizardSheetFor(std::string_view strategyName, const std::string& strategyPath,
                                std::string_view identifier) {
    const ControllerModel* model = WizardModelFor(strategyName);
    if (model == nullptr) return {};
    switch (model->kind) {
        case ModelKind::Zevar740: {
            // The identifier's first letter decides which analog inputs the unit offers.
            const char letter = identifier.empty() ? ' ' : identifier[0];
            return [strategyPath, letter](WizardLinks links) {
                return std::make_unique<Zevar740Wizard>(strategyPath, letter, links);
            };
        }
        case ModelKind::Lpn310:
            return [strategyPath](WizardLinks links) {
                return std::make_unique<Lpn310Wizard>(strategyPath, links);
            };
        case ModelKind::Kms2:
            return [strategyPath](WizardLinks links) {
                return std::make_unique<Kms2Wizard>(strategyPath, links);
            };
        case ModelKind::Zevar880:
            return [strategyPath](WizardLinks links) {
                return std::make_unique<Zevar880Wizard>(strategyPath, links);
            };
        case ModelKind::Zevar620:
            return [strategyPath](WizardLinks links) {
                return std::make_unique<Zevar620Wizard>(strategyPath, links);
            };
        case ModelKind::Zevar210:
            return [strategyPath](WizardLinks links) {
                return std::make_unique<Zevar210Wizard>(strategyPath, links);
            };
        default:
            return {};
    }
}

}  // namespace zvr
