#pragma once

namespace zvr {

// Menu command numbers of the main window; messages and menus refer to them by number. The
// Configure menu's demo entries take theirs from the family registry (menuCommand).
enum Command : int {
    kCmdSaveCal = 32780,
    kCmdViewComments = 32774,
    kCmdViewTextFile = 32775,
    kCmdConvertControllerToText = 32777,
    kCmdConvertFileToText = 32778,
    kCmdConvertFileToStrategy = 32779,
    kCmdChangeCalibration = 32781,
    kCmdDownloadCal = 32782,
    kCmdCompareCal = 32783,
    kCmdChangePassword = 32784,
    kCmdParameterView = 32785,
    kCmdParameterPlot = 32786,
    kCmdDisplayFaults = 32787,
    kCmdControlStrategy = 32788,
    kCmdParameterList = 32789,
    kCmdCalibrationWizard = 32792,
    kCmdCom1 = 32793,
    kCmdCom2 = 32794,
    kCmdCustomPort = 32799,
    kCmdUserManuals = 32818,
    kCmdTuningLog = 32820,
    kCmdRestorePoints = 32831,
    kCmdPrint = 57607,
    kCmdPrintPreview = 57609,
    kCmdPrintSetup = 57606,
    kCmdAbout = 57664,
    kCmdExit = 57665,
    kCmdHelpTopics = 57667,
};

}  // namespace zvr
