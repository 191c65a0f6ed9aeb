#include "calfile/cal_transfer_dialog.h"

namespace zvr {

CCalTransferDlg::CCalTransferDlg(CControllerProtocol& link, UserPrompt& prompt, QWidget* parent)
    : CProgressDlg([this] { transfer_.abort(); }, parent),
      receiver_(std::make_shared<QtMessageReceiver>(this)),
      transfer_(link, receiver_, prompt, *this) {}

CCalTransferDlg::~CCalTransferDlg() { receiver_->detach(); }

int CCalTransferDlg::readAll(ReceiverHandle notify, uint32_t doneMsg, uint32_t failedMsg,
                             uint32_t abortMsg) {
    return transfer_.readAll({std::move(notify), doneMsg, failedMsg, abortMsg});
}

int CCalTransferDlg::writeAll(ReceiverHandle notify, uint32_t doneMsg, uint32_t failedMsg,
                              uint32_t abortMsg) {
    return transfer_.writeAll({std::move(notify), doneMsg, failedMsg, abortMsg});
}

bool CCalTransferDlg::event(QEvent* event) {
    if (event->type() == PostedMessageEvent::kType) {
        transfer_.Handle(static_cast<PostedMessageEvent*>(event)->message);
        return true;
    }
    return CProgressDlg::event(event);
}

}  // namespace zvr
