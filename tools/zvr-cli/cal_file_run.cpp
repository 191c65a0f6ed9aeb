#include "cal_file_run.h"

#include <filesystem>

#include "command.h"
#include "interruption.h"

namespace zvr::cli {

CalFileRun::CalFileRun(CommandContext& context, CDataServer& document, CommandPrompt prompt,
                       std::vector<std::string> comments)
    : prompt_(std::move(prompt)),
      ui_(context, std::move(comments)),
      // A strategy named without a folder is found in the current directory.
      operations_({document, prompt_, ui_, false, std::filesystem::current_path().string()},
                  answers_) {}

bool CalFileRun::Drive(std::chrono::milliseconds limit) {
    while (operations_.busy()) {
        const auto message = AwaitUnlessInterrupted(*answers_, limit);
        if (!message) {
            if (const ScalarDef* writing = operations_.writingScalar()) stoppedWriting_ = *writing;
            stoppedVerifying_ = operations_.verifying();
            operations_.Abort();
            return false;
        }
        operations_.Handle(*message);
    }
    return true;
}

}  // namespace zvr::cli
