#pragma once

namespace zvr {

struct AppServices;

// Parameter List and Parameter Plot: the main window's commands that open them.
void RegisterPlotCommands(AppServices& services);

}  // namespace zvr
