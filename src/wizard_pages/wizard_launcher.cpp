#include "wizard_pages/wizard_launcher.h"

#include "calfile/cal_transfer_dialog.h"
#include "comm/data_server.h"

namespace zvr {

WizardEnd RunCalibrationWizard(CDataServer& document, WizardWindowLinks links, QWidget* parent) {
    WizardSheetMaker make =
        WizardSheetFor(document.definitions.header.strategyName, document.definitions.filePath,
                       document.GetIdentification().strategyText);
    if (!make) return WizardEnd::Cancelled;
    RestorePoints* points = links.restorePoints;
    CWizardWindow window(std::move(links), make, parent);
    window.transferDialog()->transfer().setRestorePoints(points);
    return window.Run();
}

}  // namespace zvr
