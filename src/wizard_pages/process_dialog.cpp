#include "wizard_pages/process_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui_base/latin1.h"

namespace zvr {

CProcessDlg::CProcessDlg(Answered answered, QWidget* parent)
    : QDialog(parent),
      answered_(std::move(answered)),
      text_(new QLabel(this)),
      label_(new QLabel(this)),
      buttons_(new QHBoxLayout),
      done_(new QPushButton(ToQ(kProcessDone), this)),
      abort_(new QPushButton(ToQ(kProcessAbort), this)),
      skip_(new QPushButton(ToQ(kProcessSkip), this)) {
    setWindowTitle(ToQ(kProcessCaption));
    setModal(false);
    text_->setWordWrap(true);
    done_->setDefault(true);
    buttons_->addWidget(done_);
    buttons_->addWidget(abort_);
    buttons_->addWidget(skip_);
    label_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(label_);
    layout->addLayout(buttons_);
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
    setWindowTitle(ToQ(prompt.caption));
    text_->setText(ToQ(prompt.text));
    label_->setText(ToQ(prompt.label));
    label_->setVisible(!prompt.label.empty());
    escapeAborts_ = prompt.escapeAborts;
    // The previous buttons go at once from the layout; their deletion waits, as one of them
    // may be the button whose click opened this dialog again.
    for (QPushButton* button : own_) {
        buttons_->removeWidget(button);
        button->hide();
        button->deleteLater();
    }
    own_.clear();
    const bool analog = prompt.buttons.empty();
    done_->setVisible(analog);
    abort_->setVisible(analog);
    skip_->setVisible(analog && prompt.skipOffered);
    if (analog) {
        for (const ProcessButton& described : prompt.offered()) {
            if (QPushButton* button = this->button(described.answer)) {
                button->setToolTip(ToQ(described.toolTip));
            }
        }
    }
    for (const ProcessButton& described : prompt.buttons) {
        auto* button = new QPushButton(ToQ(described.text), this);
        button->setToolTip(ToQ(described.toolTip));
        button->setProperty("answer", static_cast<int>(described.answer));
        button->setDefault(own_.empty());
        const ProcessAnswer answer = described.answer;
        connect(button, &QPushButton::clicked, this, [this, answer] {
            hide();
            answered_(answer);
        });
        buttons_->addWidget(button);
        own_.push_back(button);
    }
    show();
    raise();
}

void CProcessDlg::LevelWith(int pageTop) {
    // Only the top moves: the left edge and the size stay where the dialog opened.
    const QRect frame = frameGeometry();
    move(frame.left(), pageTop);
}

QPushButton* CProcessDlg::button(ProcessAnswer answer) const {
    for (QPushButton* own : own_) {
        if (own->property("answer").toInt() == static_cast<int>(answer)) return own;
    }
    if (!own_.empty()) return nullptr;
    switch (answer) {
        case ProcessAnswer::Done:
            return done_;
        case ProcessAnswer::AbortAndStartOver:
            return abort_;
        case ProcessAnswer::Skip:
            return skip_->isHidden() ? nullptr : skip_;
        default:
            return nullptr;
    }
}

void CProcessDlg::reject() {
    if (!isVisible() || !escapeAborts_) return;
    hide();
    answered_(ProcessAnswer::AbortAndStartOver);
}

}  // namespace zvr
