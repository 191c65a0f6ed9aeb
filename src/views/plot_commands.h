#pragma once

namespace zvr {

struct AppServices;

// Parameter Plot: the main window's command that opens it.
void RegisterPlotCommands(AppServices& services);

}  // namespace zvr
