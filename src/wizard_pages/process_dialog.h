#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "wizard/wizard_sheet.h"

namespace zvr {

// The analog calibration process dialog: the instruction and "Done", "Abort and Start Over"
// and, when offered, "Skip This Step". Modeless, so the page's live values stay in view.
class CProcessDlg : public QDialog {
    Q_OBJECT
public:
    using Answered = std::function<void(ProcessAnswer)>;
    CProcessDlg(Answered answered, QWidget* parent);

    void Open(const ProcessPrompt& prompt);

    QLabel* text() const { return text_; }
    QPushButton* doneButton() const { return done_; }
    QPushButton* abortButton() const { return abort_; }
    QPushButton* skipButton() const { return skip_; }

protected:
    // Escape or the close box is "Abort and Start Over", as the dialog's cancel button.
    void reject() override;

private:
    Answered answered_;
    QLabel* text_;
    QPushButton* done_;
    QPushButton* abort_;
    QPushButton* skip_;
};

}  // namespace zvr
