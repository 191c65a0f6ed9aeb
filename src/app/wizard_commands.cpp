#include "app/wizard_commands.h"

#include "app/main_frame.h"
#include "calibration/restore_points.h"
#include "connection/controller_model.h"
#include "settings/registry_settings.h"
#include "wizard_pages/wizard_launcher.h"

namespace zvr {

void RegisterCalibrationWizards(CMainFrame& frame, CDataServer& document, UserPrompt& prompt,
                                CRegistrySettings& settings) {
    for (const ControllerModel& model : ControllerModels()) {
        if (!HasWizard(model.kind)) continue;
        frame.SetWizard(model.kind, [&frame, &document, &prompt, &settings] {
            RestorePoints points(RestorePoints::DefaultFolder(), settings.ReadRestorePointsKept());
            RunCalibrationWizard(document,
                                 {document, prompt, &settings.store(),
                                  [&frame](int command) { frame.PostCommand(command); }, &points},
                                 &frame);
        });
    }
}

}  // namespace zvr
