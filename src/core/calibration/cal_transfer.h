#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calibration/progress_display.h"
#include "calibration/scalar_walk.h"
#include "definitions/definition_set.h"

namespace zvr {

class UserPrompt;

// Where a transfer reports its outcome: a receiver and three message numbers of the
// caller's choosing, posted with both parameters 0.
struct TransferNotify {
    ReceiverHandle target;
    uint32_t done = 0;
    uint32_t failed = 0;
    uint32_t aborted = 0;
    // The caller tells the person itself what a failed walk means (a wizard's write is no
    // download); otherwise the transfer shows the walk's own message before failed.
    bool callerExplainsFailure = false;
};

// The whole-calibration transfer on a document of its own: a calibration wizard loads the
// strategy into it, reads the controller's calibration into its scalars' controller values,
// changes them, and writes the cal-file values back. The transfer dialog shows it; the
// command line can run it as it is.
class CalTransfer : private ScalarWalkListener {
public:
    // link: the connected controller; receiver: the host's, to which the host hands every
    // message posted to it through Handle().
    CalTransfer(CControllerProtocol& link, ReceiverHandle receiver, UserPrompt& prompt,
                ProgressDisplay& display);

    // Loads a cal file into the transfer's document; the result of LoadCalFile.
    int LoadFile(const std::string& path);

    // -1 when the scalar table is empty (nothing happens and nothing is posted); otherwise 0
    // and the outcome arrives later as notify.done, notify.failed or notify.aborted.
    int ReadAll(TransferNotify notify);
    // Writes every scalar's cal-file value. A scalar the link cannot write (4 bytes) is
    // passed over; the walk goes on and, before done is posted, a warning names them.
    int WriteAll(TransferNotify notify);
    // The Abort button: aborted is posted once, the walk stops, done never follows.
    void Abort();
    // A message posted to the host; true when the transfer took it.
    bool Handle(const PostedMessage& message);
    bool running() const { return walk_.Running(); }

    // For every scalar: controller value := cal-file value.
    void CopyCalToController();
    // For every scalar: cal-file value := controller value.
    void CopyControllerToCal();

    DefinitionSet& definitions() { return definitions_; }
    // The scalars the last write walk passed over.
    const std::vector<std::string>& notWritten() const { return notWritten_; }

private:
    int Start(WalkDirection direction, TransferNotify notify);
    void OnWalkStep(const ScalarDef& scalar, size_t position, size_t total) override;
    void OnWalkRetry(const ScalarDef& scalar, int attempt) override;
    void OnWalkValue(ScalarDef& scalar, uint32_t raw) override;
    void OnWalkEnd(const WalkEnd& end) override;

    DefinitionSet definitions_;
    CScalarWalk walk_;
    UserPrompt& prompt_;
    ProgressDisplay& display_;
    TransferNotify notify_;
    ProgressState progress_;
    std::vector<std::string> notWritten_;
};

// "A, B and C": scalar names for a message.
std::string JoinNames(const std::vector<std::string>& names);

}  // namespace zvr
