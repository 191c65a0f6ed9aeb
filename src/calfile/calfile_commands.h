#pragma once

namespace zvr {

struct AppServices;

// Save, download, compare, convert and the cal file comments: the main window's commands.
void RegisterCalFileCommands(AppServices& services);

}  // namespace zvr
