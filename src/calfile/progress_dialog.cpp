#include "calfile/progress_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "gui_base/latin1.h"

namespace zvr {

CProgressDlg::CProgressDlg(std::function<void()> abort, QWidget* parent)
    : QDialog(parent),
      onAbort_(std::move(abort)),
      line1_(new QLabel(this)),
      line2_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      abort_(new QPushButton(QStringLiteral("Abort"), this)) {
    setWindowTitle(QStringLiteral("ZVR PROGRESS"));
    setWindowModality(Qt::ApplicationModal);
    line1_->setObjectName(QStringLiteral("line1"));
    line2_->setObjectName(QStringLiteral("line2"));
    line1_->setMinimumWidth(360);
    bar_->setTextVisible(false);
    abort_->setObjectName(QStringLiteral("abortButton"));
    connect(abort_, &QPushButton::clicked, this, &CProgressDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(abort_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(line1_);
    layout->addWidget(line2_);
    layout->addWidget(bar_);
    layout->addLayout(buttons);
    HideProgress();
}

void CProgressDlg::ShowProgress(const ProgressState& state) {
    line1_->setText(ToQ(state.line1));
    line2_->setText(ToQ(state.line2));
    bar_->setRange(std::min(state.minimum, state.position), state.maximum);
    bar_->setValue(state.position);
    if (!isVisible()) show();
}

void CProgressDlg::HideProgress() {
    hide();
    line1_->clear();
    line2_->clear();
    bar_->setRange(1, 1);
    bar_->setValue(1);
}

void CProgressDlg::reject() {
    if (onAbort_) QMetaObject::invokeMethod(this, onAbort_, Qt::QueuedConnection);
}

}  // namespace zvr
