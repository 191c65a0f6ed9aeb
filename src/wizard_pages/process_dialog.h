#pragma once

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <vector>

#include "wizard/wizard_sheet.h"

namespace zvr {

// A calibration process dialog, described by the sheet: its caption, the instruction, a
// fixed line, and its buttons with their tool tips. The analog process shows "Done", "Abort
// and Start Over" and, when offered, "Skip This Step"; the stepper process its three
// direction answers. Modeless, so the page's live values stay in view.
class CProcessDlg : public QDialog {
    Q_OBJECT
public:
    using Answered = std::function<void(ProcessAnswer)>;
    CProcessDlg(Answered answered, QWidget* parent);

    void Open(const ProcessPrompt& prompt);
    // Moves the open dialog so that its top edge is level with the page's (global y).
    void LevelWith(int pageTop);

    QLabel* text() const { return text_; }
    QPushButton* doneButton() const { return done_; }
    QPushButton* abortButton() const { return abort_; }
    QPushButton* skipButton() const { return skip_; }
    QLabel* label() const { return label_; }
    // The shown button that gives this answer, or null.
    QPushButton* button(ProcessAnswer answer) const;

protected:
    // Escape or the close box is "Abort and Start Over" where the dialog offers it; a dialog
    // without it stays open until one of its buttons is pressed.
    void reject() override;

private:
    Answered answered_;
    QLabel* text_;
    QLabel* label_;
    QHBoxLayout* buttons_;
    std::vector<QPushButton*> own_;  // the buttons of a dialog that names its own
    bool escapeAborts_ = true;
    QPushButton* done_;
    QPushButton* abort_;
    QPushButton* skip_;
};

}  // namespace zvr
