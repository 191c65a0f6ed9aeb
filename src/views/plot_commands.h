#pragma once

namespace zvr {

struct AppServices;

// Parameter Plot: the main window's command that opens it, and the print commands of the
// current plot.
void RegisterPlotCommands(AppServices& services);

}  // namespace zvr
