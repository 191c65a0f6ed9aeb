#include "views/plot_commands.h"

#include "app/app_services.h"

namespace zvr {

void RegisterPlotCommands(AppServices&) {}

}  // namespace zvr
