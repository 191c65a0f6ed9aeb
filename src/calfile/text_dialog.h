#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "calibration/cal_file_operations.h"

namespace zvr {

// A text in a fixed-width field with two buttons: the compare report ("Save to File",
// "Close"), or a field to type comments in ("Save Comments", "No Comments"). An empty OK text
// leaves only the cancel button, for a text that is only read.
class CTextDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTextDlg(const TextDialogRequest& request, QWidget* parent = nullptr);

    // The field's text with LF line ends.
    QString text() const { return field_->toPlainText(); }
    QPlainTextEdit* field() const { return field_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    // A line above the text, such as where the text is stored; hidden while empty.
    void SetNote(const QString& note);
    QString note() const { return note_->text(); }

private:
    QLabel* note_;
    QPlainTextEdit* field_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace zvr
