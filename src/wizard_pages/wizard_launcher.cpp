#include "wizard_pages/wizard_launcher.h"

#include "comm/data_server.h"

namespace zvr {

WizardEnd RunCalibrationWizard(CDataServer& document, WizardWindowLinks links, QWidget* parent) {
    WizardSheetMaker make =
        WizardSheetFor(document.definitions.header.strategyName, document.definitions.filePath,
                       document.GetIdentification().strategyText);
    if (!make) return WizardEnd::Cancelled;
    CWizardWindow window(std::move(links), make, parent);
    return window.Run();
}

}  // namespace zvr
