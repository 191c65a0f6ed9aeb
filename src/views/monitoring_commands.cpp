#include "views/monitoring_commands.h"

#include "app/app_services.h"

namespace zvr {

void RegisterMonitoringCommands(AppServices&) {}

}  // namespace zvr
