#include "views/password_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "calibration/restore_points.h"
#include "comm/data_server.h"
#include "gui_base/latin1.h"

namespace zvr {

CPasswordDlg::CPasswordDlg(CDataServer& document, UserPrompt& prompt, PasswordMode mode,
                           const QString& caption, QWidget* parent)
    : QDialog(parent),
      prompt_(new QLabel(this)),
      entry_(new QLineEdit(this)),
      status_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      change_(new QPushButton(QStringLiteral("Change"), this)),
      channel_(this,
               [this](const PostedMessage& message) {
                   session_.OnMessage(message);
                   Show();
               }),
      session_(document, prompt, mode, [this] { return channel_.Fresh(); }) {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Password Management") : caption);
    entry_->setEchoMode(QLineEdit::Password);
    entry_->setToolTip(QStringLiteral("Up to 14 characters, no spaces, case sensitive."));
    status_->setReadOnly(true);
    status_->setToolTip(QStringLiteral("Shows the current status of the check process."));
    ok_->setDefault(true);
    ok_->setToolTip(QStringLiteral("Queries the controller to check entered password."));
    cancel_->setToolTip(QStringLiteral("Closes without checking password"));
    change_->setToolTip(
        QStringLiteral("Allows one to change password. Enabled when a valid password is checked."));
    change_->setEnabled(false);
    change_->hide();
    connect(ok_, &QPushButton::clicked, this, &CPasswordDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CPasswordDlg::reject);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(new QLabel(QStringLiteral("Status:"), this));
    statusRow->addWidget(status_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addWidget(change_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_);
    layout->addWidget(entry_);
    layout->addLayout(statusRow);
    layout->addLayout(buttons);
    setMinimumWidth(380);

    JournalPasswordChanges(session_, RestorePoints(),
                           UnitIdentity::Of(document.GetIdentification()), prompt);
    Show();  // the texts it has before it opens
    session_.Open();
    Show();
}

void CPasswordDlg::Show() {
    prompt_->setText(ToQ(session_.prompt));
    status_->setText(ToQ(session_.status));
    if (entry_->text() != ToQ(session_.entry)) entry_->setText(ToQ(session_.entry));
    entry_->setVisible(session_.entryVisible);
    entry_->setEnabled(session_.entryEnabled);
    cancel_->setEnabled(session_.cancelEnabled);
    if (session_.entryVisible) entry_->setFocus();
    if (session_.result) {
        channel_.Close();
        if (*session_.result) {
            QDialog::accept();
        } else {
            QDialog::reject();
        }
    }
}

// OK and Enter.
void CPasswordDlg::accept() {
    session_.entry = FromQ(entry_->text());
    session_.Ok();
    Show();
}

// Cancel, Esc and the close box.
void CPasswordDlg::reject() {
    session_.entry = FromQ(entry_->text());
    session_.Cancel();
    Show();
}

}  // namespace zvr
