#include "calfile/calfile_commands.h"

#include "app/app_services.h"

namespace zvr {

void RegisterCalFileCommands(AppServices&) {}

}  // namespace zvr
