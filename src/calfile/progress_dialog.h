#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <functional>

#include "calibration/progress_display.h"

namespace zvr {

// "ZVR PROGRESS": the progress of a whole-calibration walk, two lines and a bar, with an
// "Abort" button. Hidden until a walk shows it; it keeps the rest of the program from taking
// the link while the walk runs.
class CProgressDlg : public QDialog, public ProgressDisplay {
    Q_OBJECT
public:
    // abort runs after the click has been handled, as a posted message would.
    explicit CProgressDlg(std::function<void()> abort, QWidget* parent = nullptr);

    void ShowProgress(const ProgressState& state) override;
    void HideProgress() override;

    QString line1() const { return line1_->text(); }
    QString line2() const { return line2_->text(); }
    QProgressBar* bar() const { return bar_; }
    QPushButton* abortButton() const { return abort_; }

protected:
    // Escape and the window's close button abort, like the button.
    void reject() override;

private:
    std::function<void()> onAbort_;
    QLabel* line1_;
    QLabel* line2_;
    QProgressBar* bar_;
    QPushButton* abort_;
};

}  // namespace zvr
