#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "comm/controller_protocol.h"
#include "comm/message_receiver.h"
#include "comm/request_retries.h"
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
// Reason of a failed walk whose link kept delivering frames no request was waiting for.
inline constexpr intptr_t kLinkOutOfStep = -3;

enum class WalkDirection { Read, Write };

struct WalkEnd {
    WalkDirection direction = WalkDirection::Read;
    bool failed = false;
    // a failure: kReplyRejected, kReplyTimedOut, kRequestRefused or kLinkOutOfStep
    intptr_t reason = 0;
    const ScalarDef* failedScalar = nullptr;
    // Write walk: what reading the failed scalar back found, when its commit was not confirmed.
    WriteCheck writeCheck = WriteCheck::None;
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
    // The request for scalar failed and goes out again, try `attempt` of kWalkRetries.
    virtual void OnWalkRetry(const ScalarDef& /*scalar*/, int /*attempt*/) {}
    // Read walk: the value the controller holds for scalar. The values come together, in
    // table order, once the whole walk has been answered and the link has settled in step.
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
// scalar's own address.
//
// A real line loses and spoils replies, so a failed request is tried again (a write is
// idempotent, and the link reads a write back before it calls it failed). Replies carry no
// request number; the link holds every request after a failure until the line has settled,
// so a late reply is never taken for the next one. As a second guard the walk keeps the point
// up to which its answers are proven in step, and moves it forward only on proof: a time-out
// is proof for every answer before it, as a reply still owed to an earlier request would have
// arrived during the silence. Whenever the link counts a stray frame (one that came with no
// request waiting while the link was in use), every answer since that point may be another
// request's, and the walk goes over them again. Before it ends it lets the link settle, so
// that a reply still owed shows up; the read values are handed over only then.
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
    // The scalar whose request is out; none between requests and once the walk has ended.
    const ScalarDef* current() const { return current_; }
    WalkDirection Direction() const { return direction_; }

private:
    int Start(WalkDirection direction, const SortedTable<ScalarDef>& table,
              ScalarWalkListener& listener);
    // Issues the next request, or ends the walk when no scalar is left.
    void Advance();
    // Sends the request for the current scalar; false when the link refused it.
    bool Send();
    // A failed answer: true when the request went out again.
    bool Retry();
    // A stray frame came: true when the answers since the last proven point are being taken
    // again; false when that has happened too often.
    bool GoBackInStep();
    bool InStep() const;
    void Complete();
    void Finish(bool failed, intptr_t reason);

    CControllerProtocol& link_;
    ReceiverHandle receiver_;
    WalkDirection direction_ = WalkDirection::Read;
    ScalarWalkListener* listener_ = nullptr;
    std::vector<ScalarDef*> scalars_;
    std::vector<uint16_t> words_;  // read walk: the word answered for each scalar
    size_t next_ = 0;
    ScalarDef* current_ = nullptr;
    int attempt_ = 0;         // retries of the current request
    size_t provenTo_ = 0;     // the answers before this scalar are proven in step
    uint32_t strayMark_ = 0;  // the link's stray count since that proof
    int recoveries_ = 0;      // times the walk went back in step without getting further
    size_t recoveredAt_ = 0;
    std::vector<std::string> notWritten_;
};

// The raw value of scalar from the 16-bit word a read returned for its address.
uint32_t RawFromWord(const ScalarDef& scalar, uint16_t word);

}  // namespace zvr
