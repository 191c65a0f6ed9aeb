#pragma once

#include <span>
#include <string>
#include <string_view>

#include "calibration/restore_points.h"

namespace zvr::cli {

struct CommandContext;

// The commands of the table; each takes the arguments after its name.
int RunCompile(CommandContext& context, std::span<const std::string> args);
int RunDecompile(CommandContext& context, std::span<const std::string> args);
int RunCheck(CommandContext& context, std::span<const std::string> args);
int RunReport(CommandContext& context, std::span<const std::string> args);
int RunIdentify(CommandContext& context, std::span<const std::string> args);
int RunGet(CommandContext& context, std::span<const std::string> args);
int RunSet(CommandContext& context, std::span<const std::string> args);
int RunMonitor(CommandContext& context, std::span<const std::string> args);
int RunStepResponse(CommandContext& context, std::span<const std::string> args);
int RunSave(CommandContext& context, std::span<const std::string> args);
int RunDownload(CommandContext& context, std::span<const std::string> args);
int RunCompare(CommandContext& context, std::span<const std::string> args);
int RunConvertStrategy(CommandContext& context, std::span<const std::string> args);
int RunFaults(CommandContext& context, std::span<const std::string> args);
int RunPassword(CommandContext& context, std::span<const std::string> args);
int RunWizard(CommandContext& context, std::span<const std::string> args);
int RunHistory(CommandContext& context, std::span<const std::string> args);
int RunRestore(CommandContext& context, std::span<const std::string> args);

// download under another name (restore): the same checks, options and exit codes.
int RunDownloadAs(CommandContext& context, std::string_view command,
                  std::span<const std::string> args);
// The restore points' folder, keeping as many per unit as the program's settings say.
RestorePoints RestorePointsOfTheProgram();

}  // namespace zvr::cli
