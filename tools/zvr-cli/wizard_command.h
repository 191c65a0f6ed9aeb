#pragma once

#include <span>
#include <string>

namespace zvr::cli {

struct CommandContext;
class WizardInput;

// "zvr-cli wizard" with the person's lines from input (the terminal, or a test's script).
int RunWizardWith(CommandContext& context, std::span<const std::string> args, WizardInput& input);

}  // namespace zvr::cli
