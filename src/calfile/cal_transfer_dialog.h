#pragma once

#include <memory>

#include "calfile/progress_dialog.h"
#include "calibration/cal_transfer.h"
#include "gui_base/request_channel.h"

namespace zvr {

class CControllerProtocol;
class UserPrompt;

// The transfer dialog of the calibration wizards: a hidden progress dialog with a document of
// its own, into which a wizard loads its strategy, reads the controller's whole calibration,
// and from which it writes the calibration back. The outcome is posted to the receiver the
// caller names, with the caller's message numbers.
class CCalTransferDlg : public CProgressDlg {
    Q_OBJECT
public:
    CCalTransferDlg(CControllerProtocol& link, UserPrompt& prompt, QWidget* parent = nullptr);
    ~CCalTransferDlg() override;

    int LoadFile(const std::string& path) { return transfer_.LoadFile(path); }
    // -1 for an empty scalar table (nothing is posted); otherwise 0 and one of the three
    // messages follows.
    int ReadAll(ReceiverHandle notify, uint32_t doneMsg, uint32_t failedMsg, uint32_t abortMsg);
    int WriteAll(ReceiverHandle notify, uint32_t doneMsg, uint32_t failedMsg, uint32_t abortMsg);
    void CopyCalToController() { transfer_.CopyCalToController(); }
    void CopyControllerToCal() { transfer_.CopyControllerToCal(); }

    // The transfer itself, for a wizard sheet that drives it.
    CalTransfer& transfer() { return transfer_; }
    DefinitionSet& definitions() { return transfer_.definitions(); }
    const std::vector<std::string>& notWritten() const { return transfer_.notWritten(); }

private:
    RequestChannel channel_;
    CalTransfer transfer_;
};

}  // namespace zvr
