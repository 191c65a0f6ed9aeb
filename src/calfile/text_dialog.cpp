#include "calfile/text_dialog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui_base/latin1.h"

namespace zvr {

CTextDlg::CTextDlg(const TextDialogRequest& request, QWidget* parent)
    : QDialog(parent),
      note_(new QLabel(this)),
      field_(new QPlainTextEdit(this)),
      ok_(new QPushButton(ToQ(request.okText), this)),
      cancel_(new QPushButton(ToQ(request.cancelText), this)) {
    setWindowTitle(ToQ(request.title));
    QFont courier(QStringLiteral("Courier"), 8);
    courier.setStyleHint(QFont::TypeWriter);
    courier.setFixedPitch(true);
    field_->setFont(courier);
    field_->setLineWrapMode(QPlainTextEdit::NoWrap);
    field_->setReadOnly(!request.editable);
    QString text = ToQ(request.text);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    field_->setPlainText(text);
    ok_->setObjectName(QStringLiteral("okButton"));
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    ok_->setDefault(!request.editable);
    ok_->setVisible(!request.okText.empty());
    note_->setObjectName(QStringLiteral("note"));
    note_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    note_->setWordWrap(true);
    note_->hide();
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note_);
    layout->addWidget(field_);
    layout->addLayout(buttons);
    resize(640, 420);
}

void CTextDlg::SetNote(const QString& note) {
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
}

}  // namespace zvr
