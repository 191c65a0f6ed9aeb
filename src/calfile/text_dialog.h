#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include "calibration/cal_file_operations.h"

namespace zvr {

// A text in a fixed-width field with two buttons: the compare report ("Save to File",
// "Close"), or a field to type comments in ("Save Comments", "No Comments").
class CTextDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTextDlg(const TextDialogRequest& request, QWidget* parent = nullptr);

    // The field's text with LF line ends.
    QString text() const { return field_->toPlainText(); }
    QPlainTextEdit* field() const { return field_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    QPlainTextEdit* field_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace zvr
