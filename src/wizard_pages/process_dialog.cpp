#include "wizard_pages/process_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui_base/latin1.h"

namespace zvr {

CProcessDlg::CProcessDlg(Answered answered, QWidget* parent)
    : QDialog(parent),
      answered_(std::move(answered)),
      text_(new QLabel(this)),
      done_(new QPushButton(ToQ(kProcessDone), this)),
      abort_(new QPushButton(ToQ(kProcessAbort), this)),
      skip_(new QPushButton(ToQ(kProcessSkip), this)) {
    setWindowTitle(ToQ(kProcessCaption));
    setModal(false);
    text_->setWordWrap(true);
    done_->setToolTip(QStringLiteral("Click when you have completed the instructions."));
    abort_->setToolTip(QStringLiteral("Click to abort and start the process over."));
    skip_->setToolTip(QStringLiteral("Click to use the previous configured values."));
    done_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(done_);
    buttons->addWidget(abort_);
    buttons->addWidget(skip_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addLayout(buttons);
    const auto answer = [this](ProcessAnswer value) {
        hide();
        answered_(value);
    };
    connect(done_, &QPushButton::clicked, this, [answer] { answer(ProcessAnswer::Done); });
    connect(abort_, &QPushButton::clicked, this,
            [answer] { answer(ProcessAnswer::AbortAndStartOver); });
    connect(skip_, &QPushButton::clicked, this, [answer] { answer(ProcessAnswer::Skip); });
}

void CProcessDlg::Open(const ProcessPrompt& prompt) {
    text_->setText(ToQ(prompt.text));
    skip_->setVisible(prompt.skipOffered);
    // Level with the page, beside the wizard, so the live values stay visible.
    if (QWidget* owner = parentWidget()) {
        move(owner->mapToGlobal(QPoint(owner->width(), 0)));
    }
    show();
    raise();
}

void CProcessDlg::reject() {
    if (!isVisible()) return;
    hide();
    answered_(ProcessAnswer::AbortAndStartOver);
}

}  // namespace zvr
