#include "app/wizard_commands.h"

#include "app/main_frame.h"
#include "settings/registry_settings.h"
#include "wizard_pages/wizard_launcher.h"

namespace zvr {

void RegisterCalibrationWizards(CMainFrame& frame, CDataServer& document, UserPrompt& prompt,
                                CRegistrySettings& settings) {
    frame.SetWizard(ModelKind::Zevar740, [&frame, &document, &prompt, &settings] {
        RunCalibrationWizard(document,
                             {document, prompt, &settings.store(),
                              [&frame](int command) { frame.PostCommand(command); }},
                             &frame);
    });
}

}  // namespace zvr
