#include "views/comm_timeout_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zvr {

namespace {

int tickMs = CCommTimeoutDlg::kTickMs;  // read and set on the GUI thread only

}  // namespace

void CCommTimeoutDlg::SetTickMs(int ms) { tickMs = ms; }

CCommTimeoutDlg::CCommTimeoutDlg(std::function<void()> retry, std::function<void()> cancel,
                                 QWidget* owner)
    : QDialog(owner),
      retry_(std::move(retry)),
      cancel_(std::move(cancel)),
      progress_(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("Communication Time Out"));
    setModal(false);
    auto* text = new QLabel(QStringLiteral("There was a communication error. The application "
                                           "will attempt to re-start shortly."),
                            this);
    text->setWordWrap(true);
    progress_->setRange(0, kCountdown);
    progress_->setValue(kCountdown);
    progress_->setTextVisible(false);
    auto* retryNow = new QPushButton(QStringLiteral("Retry Now"), this);
    retryNow->setObjectName(QStringLiteral("retryButton"));
    retryNow->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(retryNow, &QPushButton::clicked, this, [this] { Post(this, retry_); });
    connect(cancelButton, &QPushButton::clicked, this, &CCommTimeoutDlg::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(retryNow);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(progress_);
    layout->addLayout(buttons);

    connect(&timer_, &QTimer::timeout, this, &CCommTimeoutDlg::Tick);
    timer_.start(tickMs);
}

void CCommTimeoutDlg::reject() {
    // A cancelled dialog must not retry on its own afterwards.
    timer_.stop();
    Post(this, cancel_);
}

void CCommTimeoutDlg::Tick() {
    --countdown_;
    progress_->setValue(countdown_);
    if (countdown_ <= 0) {
        timer_.stop();
        Post(this, retry_);
    }
}

// Like a posted message: the owner acts after this handler has returned, so it may destroy
// the dialog.
void CCommTimeoutDlg::Post(QObject* context, const std::function<void()>& action) {
    if (!action) return;
    QMetaObject::invokeMethod(context->parent() ? context->parent() : context, action,
                              Qt::QueuedConnection);
}

void CommTimeoutWindow::Open(QWidget* owner, std::function<void()> retry,
                             std::function<void()> cancel) {
    Close();
    dialog_ = new CCommTimeoutDlg(std::move(retry), std::move(cancel), owner);
    dialog_->show();
}

}  // namespace zvr
