#include "calfile/cal_transfer_dialog.h"

namespace zvr {

CCalTransferDlg::CCalTransferDlg(CControllerProtocol& link, UserPrompt& prompt, QWidget* parent)
    : CProgressDlg([this] { transfer_.Abort(); }, parent),
      channel_(this, [this](const PostedMessage& message) { transfer_.Handle(message); }),
      transfer_(link, channel_.Current(), prompt, *this) {}

CCalTransferDlg::~CCalTransferDlg() { channel_.Close(); }

int CCalTransferDlg::ReadAll(ReceiverHandle notify, uint32_t doneMsg, uint32_t failedMsg,
                             uint32_t abortMsg) {
    return transfer_.ReadAll({std::move(notify), doneMsg, failedMsg, abortMsg});
}

int CCalTransferDlg::WriteAll(ReceiverHandle notify, uint32_t doneMsg, uint32_t failedMsg,
                              uint32_t abortMsg) {
    return transfer_.WriteAll({std::move(notify), doneMsg, failedMsg, abortMsg});
}

}  // namespace zvr
