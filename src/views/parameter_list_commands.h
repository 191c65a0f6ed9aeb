#pragma once

namespace zvr {

struct AppServices;

// Parameter List: the main window's command that opens it.
void RegisterParameterListCommands(AppServices& services);

}  // namespace zvr
