#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "calibration/progress_display.h"
#include "calibration/scalar_walk.h"
#include "definitions/definition_set.h"

namespace zvr {

class RestorePoints;
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
//
// With a store of restore points, a write after a whole read touches only what changes: it
// keeps the read as a restore point, writes only the scalars whose cal-file value the
// controller does not hold already (in table order), and reads back exactly those. What the
// controller holds is the read, less every value written since by anyone on the link (a
// calibration process writes some on its own): those are written whatever they were read as.
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
    // Writes every scalar's cal-file value (with a store after a whole read: only those the
    // controller does not hold, then reads them back; done at once when there are none). A
    // scalar the link cannot write (4 bytes) is passed over; the walk goes on and, before done
    // is posted, a warning names them. A restore point that cannot be kept, or values read
    // back other than written, are shown and posted as failed.
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

    // Where the controller's calibration is kept before a write; none (or demo mode): every
    // value is written and nothing is read back.
    void setRestorePoints(RestorePoints* store) { restorePoints_ = store; }
    // The restore point kept since the last whole read; empty when none was.
    const std::string& restorePoint() const { return restorePoint_; }

private:
    enum class Phase { Idle, Reading, Writing, Verifying };

    int Start(Phase phase, const SortedTable<ScalarDef>& table, const char* line1);
    bool WritesOnlyChanges() const;
    // The scalars whose cal-file value the controller may not hold, in table order.
    std::unique_ptr<DefinitionSet> Changes() const;
    // Keeps the whole read as a restore point, once per read; false (shown) when it cannot.
    bool KeepRestorePoint();
    void OnWriteRequest(uint16_t address, int size);
    void FinishRead();
    // After a write: reads back what it sent; false when there is nothing to read.
    bool StartReadBack();
    // True when every value read back is the one written; otherwise shown and posted failed.
    bool FinishReadBack();
    void Post(uint32_t message);
    void OnWalkStep(const ScalarDef& scalar, size_t position, size_t total) override;
    void OnWalkRetry(const ScalarDef& scalar, int attempt) override;
    void OnWalkValue(ScalarDef& scalar, uint32_t raw) override;
    void OnWalkEnd(const WalkEnd& end) override;

    CControllerProtocol& link_;
    DefinitionSet definitions_;
    CScalarWalk walk_;
    UserPrompt& prompt_;
    ProgressDisplay& display_;
    TransferNotify notify_;
    ProgressState progress_;
    Phase phase_ = Phase::Idle;
    std::vector<std::string> notWritten_;
    RestorePoints* restorePoints_ = nullptr;
    std::string restorePoint_;
    // What the controller held at the last whole read (cal-file values), and the scalars
    // written since whose value it may no longer hold.
    std::unique_ptr<DefinitionSet> held_;
    std::set<std::string, std::less<>> doubtful_;
    std::unique_ptr<DefinitionSet> changes_;  // what the running write sends and reads back
    // The link's write requests reach OnWriteRequest for as long as the transfer lives.
    std::shared_ptr<CControllerProtocol::WriteWatch> writeWatch_;
};

// A write read back with other values than were written; the differences follow.
inline constexpr const char* kReadBackDiffers =
    "The configuration was written, but the controller reads back other values:";
inline constexpr const char* kReadBackFailed =
    "Cal Read Error. The configuration was written, but its values could not be read back to "
    "check them.";

// "A, B and C": scalar names for a message.
std::string JoinNames(const std::vector<std::string>& names);

}  // namespace zvr
