#pragma once

namespace zvr {

class CDataServer;
class CMainFrame;
class CRegistrySettings;
class UserPrompt;

// "Calibration Wizard" for every family whose wizard exists: it opens modally over the main
// window, writes the plot set-up to the program's settings, and posts the Complete page's
// command to the main window.
void RegisterCalibrationWizards(CMainFrame& frame, CDataServer& document, UserPrompt& prompt,
                                CRegistrySettings& settings);

}  // namespace zvr
