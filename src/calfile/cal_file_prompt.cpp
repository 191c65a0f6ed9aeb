#include "calfile/cal_file_prompt.h"

#include "calfile/file_dialog_ex.h"
#include "definitions/cal_file.h"
#include "gui_base/latin1.h"

namespace zvr {

std::optional<std::string> CalFilePrompt::chooseFile(const FileChoice& choice) {
    if (choice.mode != FileChoiceMode::Open || choice.filter != kCalFileOpenFilter) {
        return inner_.chooseFile(choice);
    }
    CFileDialogEx dialog(true, ToQ(choice.defaultExtension), PathToQ(choice.suggestedName),
                         choice.filter, inner_, parent_);
    dialog.SetTitle(ToQ(choice.title));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return PathFromQ(dialog.SelectedPath());
}

}  // namespace zvr
