#pragma once

namespace zvr {

struct AppServices;

// Parameter View, Change Calibration, Password Management and Display Faults: the main
// window's commands that open them.
void RegisterMonitoringCommands(AppServices& services);

}  // namespace zvr
