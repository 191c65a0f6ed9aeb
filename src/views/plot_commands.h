#pragma once

namespace zvr {

struct AppServices;

// Parameter Plot: the main window's command that opens it, the print commands of the current
// plot, and File -> "Tuning Log..." with the log the plots write.
void RegisterPlotCommands(AppServices& services);

}  // namespace zvr
