#pragma once

#include <optional>
#include <string>
#include <vector>

#include "calibration/cal_file_operations.h"

namespace zvr::cli {

struct CommandContext;

// The windows of the calibration-file commands on a terminal: a progress bar on standard
// error while it is a terminal, the comments of the command line for the comment editor, and
// the text dialog's text kept for the command to print.
class CommandUi : public CalFileUi {
public:
    CommandUi(CommandContext& context, std::vector<std::string> comments);

    void ShowProgress(const ProgressState& state) override;
    void HideProgress() override;
    bool EditComments(DefinitionSet& set, const std::string& path) override;
    std::optional<std::string> ShowText(const TextDialogRequest& request) override;
    void OpenWithShell(const std::string&) override {}

    // The text of the last text dialog (the compare report); none when none was shown.
    const std::optional<std::string>& text() const { return text_; }

private:
    CommandContext& context_;
    std::vector<std::string> comments_;
    bool terminal_;
    bool shown_ = false;
    std::optional<std::string> text_;
};

}  // namespace zvr::cli
