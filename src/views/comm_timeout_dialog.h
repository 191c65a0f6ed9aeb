#pragma once

#include <QDialog>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <cstdint>
#include <functional>

namespace zvr {

// "Communication Time Out": shown by a view after a failed continuous read. It counts five
// seconds down on its bar, then asks for a retry as if "Retry Now" had been pressed. Neither
// button closes it: its owner destroys it (and any earlier one before it makes a new one).
// Esc and the close box are Cancel: the countdown stops and the owner is asked to cancel.
class CCommTimeoutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCountdown = 50;  // ticks of 100 ms
    static constexpr int kTickMs = 100;
    // The tick of every dialog opened from now on (tests shorten it); kTickMs unless set.
    static void SetTickMs(int ms);

    // retry and cancel: what "Retry Now" and "Cancel" ask of the owner; they run later on the
    // owner's thread, as a posted message would.
    CCommTimeoutDlg(std::function<void()> retry, std::function<void()> cancel,
                    QWidget* owner = nullptr);

    int countdown() const { return countdown_; }
    QProgressBar* progress() const { return progress_; }

    // Esc and the close box: Cancel, which leaves closing to the owner.
    void reject() override;

private:
    void Tick();
    static void Post(QObject* context, const std::function<void()>& action);

    std::function<void()> retry_;
    std::function<void()> cancel_;
    QProgressBar* progress_;
    QTimer timer_;
    int countdown_ = kCountdown;
};

// The one time-out window a view shows: opening a new one destroys the one before.
class CommTimeoutWindow {
public:
    void Open(QWidget* owner, std::function<void()> retry, std::function<void()> cancel);
    void Close() { delete dialog_.data(); }
    CCommTimeoutDlg* dialog() const { return dialog_; }

private:
    QPointer<CCommTimeoutDlg> dialog_;
};

}  // namespace zvr
