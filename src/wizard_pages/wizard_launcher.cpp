#include "wizard_pages/wizard_launcher.h"

#include "comm/data_server.h"
#include "connection/controller_model.h"
#include "wizard/zevar740_wizard.h"

namespace zvr {

WizardSheetMaker WizardSheetFor(CDataServer& document) {
    const ControllerModel* model = WizardModelFor(document.definitions.header.strategyName);
    if (model == nullptr || model->kind != ModelKind::Zevar740) return {};
    const std::string identifier = document.GetIdentification().strategyText;
    // The caption follows the identifier's letter (the 740 or the 760).
    const char letter = identifier.empty() ? ' ' : identifier[0];
    return [path = document.definitions.filePath, letter](WizardLinks links) {
        return std::make_unique<Zevar740Wizard>(path, letter, links);
    };
}

WizardEnd RunCalibrationWizard(CDataServer& document, WizardWindowLinks links, QWidget* parent) {
    WizardSheetMaker make = WizardSheetFor(document);
    if (!make) return WizardEnd::Cancelled;
    CWizardWindow window(std::move(links), make, parent);
    return window.Run();
}

}  // namespace zvr
