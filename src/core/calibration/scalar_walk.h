#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "comm/message_receiver.h"
#include "definitions/definition_tables.h"
#include "definitions/definitions.h"

namespace zvr {

class CControllerProtocol;

// Message numbers a walk gives its own requests.
inline constexpr uint32_t kWalkReadDone = 1125;
inline constexpr uint32_t kWalkReadFailed = 1126;
inline constexpr uint32_t kWalkWriteDone = 1127;
inline constexpr uint32_t kWalkWriteFailed = 1129;

// lParam-like reason of a failed walk whose request the link refused to send.
inline constexpr intptr_t kRequestRefused = -2;

enum class WalkDirection { Read, Write };

struct WalkEnd {
    WalkDirection direction = WalkDirection::Read;
    bool failed = false;
    intptr_t reason = 0;  // a failure: kReplyRejected, kReplyTimedOut or kRequestRefused
    const ScalarDef* failedScalar = nullptr;
    // Write walk: scalars of a size the link cannot write (only 1 and 2 bytes can be); they
    // were passed over and the walk went on.
    std::vector<std::string> notWritten;
};

// What a walk tells its host, always on the host's thread.
class ScalarWalkListener {
public:
    virtual ~ScalarWalkListener() = default;
    // The request for scalar, number position of total (from 1), is going out.
    virtual void OnWalkStep(const ScalarDef& scalar, size_t position, size_t total) = 0;
    // Read walk: the value the controller holds for scalar.
    virtual void OnWalkValue(ScalarDef& scalar, uint32_t raw) = 0;
    // The walk is over (it is idle again when this is called; the listener may start another).
    virtual void OnWalkEnd(const WalkEnd& end) = 0;
};

// The whole-calibration read or write: one request per scalar, in table order, the next one
// issued only when the answer to the previous one has come. The controller answers one
// request at a time, and a request per scalar lets the host name each scalar as it goes.
//
// The walk runs on the host's thread: it sends its requests through the link, which posts
// each outcome to the host's receiver; the host hands every posted message to Handle(). A
// read of a one-byte scalar takes the high byte of the word returned, the byte stored at the
// scalar's own address. The walk never retries: the first failed request ends it.
class CScalarWalk {
public:
    // receiver: where the link posts the outcome of the walk's requests (the host's).
    CScalarWalk(CControllerProtocol& link, ReceiverHandle receiver);

    // -1 and nothing happens when the table is empty; otherwise 0 and the first request has
    // gone out (or, when it could not, the walk has already ended). The table's entries must
    // stay in place until the walk ends or is stopped. A running walk is stopped first.
    int StartRead(const SortedTable<ScalarDef>& table, ScalarWalkListener& listener);
    int StartWrite(const SortedTable<ScalarDef>& table, ScalarWalkListener& listener);

    // A posted message for the host. True when it carries one of the walk's message numbers
    // for the running direction and was taken as the answer; false otherwise (another
    // request's message, or a late answer after the walk ended or was stopped).
    bool Handle(const PostedMessage& message);

    // No further request and no end call; an answer still on its way is ignored.
    void Stop();

    bool Running() const { return listener_ != nullptr; }
    WalkDirection Direction() const { return direction_; }

private:
    int Start(WalkDirection direction, const SortedTable<ScalarDef>& table,
              ScalarWalkListener& listener);
    // Issues the next request, or ends the walk when no scalar is left.
    void Advance();
    void Finish(bool failed, intptr_t reason);

    CControllerProtocol& link_;
    ReceiverHandle receiver_;
    WalkDirection direction_ = WalkDirection::Read;
    ScalarWalkListener* listener_ = nullptr;
    std::vector<ScalarDef*> scalars_;
    size_t next_ = 0;
    ScalarDef* current_ = nullptr;
    std::vector<std::string> notWritten_;
};

// The raw value of scalar from the 16-bit word a read returned for its address.
uint32_t RawFromWord(const ScalarDef& scalar, uint16_t word);

}  // namespace zvr
