#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui_base/request_channel.h"
#include "monitoring/password.h"

namespace zvr {

// "Password Management": checks a password with the controller, or changes it. The session
// in the core decides; the dialog shows it.
class CPasswordDlg : public QDialog {
    Q_OBJECT
public:
    // caption: the window title, or the dialog's own when empty.
    CPasswordDlg(CDataServer& document, UserPrompt& prompt, PasswordMode mode,
                 const QString& caption = {}, QWidget* parent = nullptr);

    QLineEdit* entry() const { return entry_; }
    QLabel* promptText() const { return prompt_; }
    QLineEdit* status() const { return status_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    const PasswordSession& session() const { return session_; }

    void accept() override;
    void reject() override;

private:
    void Show();

    QLabel* prompt_;
    QLineEdit* entry_;
    QLineEdit* status_;
    QPushButton* ok_;
    QPushButton* cancel_;
    QPushButton* change_;
    RequestChannel channel_;
    PasswordSession session_;
};

}  // namespace zvr
