#include "views/parameter_list_commands.h"

#include "app/app_services.h"

namespace zvr {

void RegisterParameterListCommands(AppServices&) {}

}  // namespace zvr
