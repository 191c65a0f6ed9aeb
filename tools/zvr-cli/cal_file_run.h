#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration/cal_file_operations.h"
#include "command_prompt.h"
#include "command_ui.h"

namespace zvr::cli {

struct CommandContext;

// One of the program's calibration-file commands (save, download, compare, convert) run by
// zvr-cli on the core's operations, with the command's prompt and the terminal's progress.
class CalFileRun {
public:
    CalFileRun(CommandContext& context, CDataServer& document, CommandPrompt prompt,
               std::vector<std::string> comments = {});

    CalFileOperations& operations() { return operations_; }
    const CommandPrompt& prompt() const { return prompt_; }
    const CommandUi& ui() const { return ui_; }

    // Hands the operations the link's notifications until they are done. False when none
    // came within limit, or a signal asked the program to end: the operation is then aborted.
    bool Drive(std::chrono::milliseconds limit);
    // After Drive gave up: the scalar a download was writing then, or whether it had written
    // everything and was reading it back.
    const std::optional<ScalarDef>& stoppedWriting() const { return stoppedWriting_; }
    bool stoppedVerifying() const { return stoppedVerifying_; }

private:
    CommandPrompt prompt_;
    CommandUi ui_;
    std::shared_ptr<QueueReceiver> answers_ = std::make_shared<QueueReceiver>();
    CalFileOperations operations_;
    std::optional<ScalarDef> stoppedWriting_;
    bool stoppedVerifying_ = false;
};

}  // namespace zvr::cli
