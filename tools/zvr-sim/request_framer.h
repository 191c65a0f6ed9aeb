#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "comm/controller_message.h"

namespace zvr::sim {

// Cuts the byte stream from the program into request frames, the way the unit's serial
// handler does. A byte that cannot start a request (an unknown type) or a length no request
// of its type can have is answered with one NAK; the bytes that follow it are dropped until
// the line has been quiet for a moment, so the rest of a bad request cannot raise more NAKs.
// A frame left incomplete for too long is dropped with a NAK as well. The checksum is the
// responder's business. Pure: the caller passes the time each byte arrived.
class RequestFramer {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr auto kResyncQuiet = std::chrono::milliseconds(8);
    static constexpr auto kIncompleteLimit = std::chrono::milliseconds(250);

    struct Event {
        bool nak = false;
        Message frame;  // a complete request of a known type and a possible length
    };

    std::vector<Event> push(uint8_t byte, Clock::time_point arrival);
    // Drops a frame that has stalled past its limit.
    std::vector<Event> idle(Clock::time_point now);
    // When idle() has something to do.
    std::optional<Clock::time_point> deadline() const;

    static bool KnownType(uint8_t type);
    // True when L (the bytes after the length byte) fits a request of this type.
    static bool PossibleLength(uint8_t type, uint8_t length);

private:
    Message partial_;
    Clock::time_point lastByte_{};
    bool resyncing_ = false;
};

}  // namespace zvr::sim
