#pragma once

#include <optional>
#include <span>

#include "comm/controller_message.h"
#include "controller_unit.h"
#include "identification.h"

namespace zvr::sim {

// The controller's side of the protocol: one complete request frame in, the reply out.
//   1 continuous read: the words now, and again on every streamReply() until a stop or any
//     other request;
//   2 stop, 8 close notice: no reply;
//   3 read once: the words;
//   4 write: echoed byte for byte and held until the commit;
//   6 identify: the identity, access open when the password code matches PASSWORD;
//   7 commit: status 1 when the held write went to a scalar or a diagnostic's stored flag
//     word (and is applied), 0 otherwise or when no write was held.
// A bad checksum is answered with one NAK. Any request but the commit drops a held write.
// Works on the unit it is given; the caller holds the unit's lock.
class ProtocolResponder {
public:
    ProtocolResponder(ControllerUnit& unit, Identity identity)
        : unit_(unit), identity_(std::move(identity)) {}

    Message respond(std::span<const uint8_t> frame);

    bool streaming() const { return stream_.has_value(); }
    // The next reply of the running continuous read (empty when none runs).
    Message streamReply() const;
    void stopStreaming() { stream_.reset(); }

private:
    Message readReply(const Message& request) const;
    Message commit();

    ControllerUnit& unit_;
    Identity identity_;
    std::optional<Message> stream_;
    std::optional<Message> heldWrite_;
};

}  // namespace zvr::sim
