#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>

#include "comm/controller_protocol.h"

namespace zvr {

// How one request ended, with the words the link held for it.
struct RequestOutcome {
    enum class Kind {
        Ok,
        // A bad or refused reply. A requester that reports by number (a whole-calibration
        // transfer) gives this for its failure: it has retried and given up.
        Rejected,
        TimedOut,   // no reply within the time-out
        Cancelled,  // stopped by the person (a transfer's Abort button)
    };

    Kind kind = Kind::Ok;
    // A read's words, entry i for address i (a one-byte item in the high byte), as the link
    // held them when it posted this outcome.
    std::array<uint16_t, kMaxAddresses> values{};

    bool ok() const { return kind == Kind::Ok; }
};

using RequestCompletion = std::function<void(const RequestOutcome&)>;

// The numbers a requester that tells its outcomes apart by number alone posts (both
// parameters 0): a whole-calibration transfer's done, failed and aborted.
struct OutcomeNumbers {
    uint32_t ok = 0;
    uint32_t failed = 0;
    uint32_t cancelled = 0;
};

// One requester's requests on the link, each with the completion that hears how it ended.
// Every request gets a message number of its own, never one of the numbers the program's
// windows pick theirs from, and never one still waiting: an answer cannot be taken for
// another request's, however many the requester has made and whatever state it is in. A
// completion runs once, on the thread that hands messages to Handle(); a continuous read's
// runs for every set of values until the read is stopped or another request of the book
// replaces it on the link.
//
// The requests name the book's own receiver, which notes the words the link holds as it posts
// each outcome (a later request may change them before the host hands the message on) and
// passes the message to the host's receiver. The host hands every message of its receiver to
// Handle(). Posts happen on the receive thread; everything else on the owner's thread.
class RequestBook {
public:
    // link: the controller link the requests go to; host: the receiver whose messages the
    // owner hands to Handle().
    RequestBook(CControllerProtocol& link, ReceiverHandle host);
    ~RequestBook();
    RequestBook(const RequestBook&) = delete;
    RequestBook& operator=(const RequestBook&) = delete;

    // The link's requests, each with its completion. A request that was not sent is forgotten
    // at once: its completion never runs. One that was sent replaces the link's continuous
    // read, whose completion is forgotten with it.
    RequestResult ReadScalars(std::span<const uint16_t> addresses, RequestCompletion done);
    RequestResult ReadVariables(std::span<const uint16_t> addresses, RequestCompletion each);
    RequestResult WriteScalar(uint16_t address, uint16_t value, int size, RequestCompletion done);
    // Stops the book's continuous read on the link and forgets its completion: sets still on
    // their way are dropped. Nothing happens when none runs.
    void StopReading();

    // Numbers for a requester that reports by number, posting to receiver(); whichever of
    // them comes first completes (ok Ok, failed Rejected, cancelled Cancelled).
    OutcomeNumbers Expect(RequestCompletion done);

    // A message of the host's receiver: runs the completion it answers; false when it answers
    // nothing the book waits for (a request cancelled or stopped, or not the book's).
    bool Handle(const PostedMessage& message);
    // Forgets every waiting completion without running it, and stops a continuous read. The
    // caller is giving the conversation up and says itself what that leaves: a completion run
    // from inside the cancel would act on requests nobody waits for any more. Their answers,
    // when they come, are dropped.
    void CancelAll();

    // Where a requester that reports by number must post.
    ReceiverHandle receiver() const;
    // The request of this number (for one that reports by number: any of its numbers) has not
    // completed yet.
    bool waiting(uint32_t number) const { return entries_.contains(number); }
    // A continuous read of the book runs.
    bool reading() const { return reading_ != 0; }

private:
    class Inbox;
    struct Entry;

    uint32_t NextNumber();
    RequestResult Enter(RequestResult result, uint32_t number, RequestCompletion completion,
                        bool lasting);
    void Forget(const Entry& entry, uint32_t number);

    CControllerProtocol& link_;
    std::shared_ptr<Inbox> inbox_;
    std::map<uint32_t, std::shared_ptr<Entry>> entries_;
    uint32_t next_;
    uint32_t reading_ = 0;  // the continuous read's number; 0 none
};

}  // namespace zvr
