#include "request_framer.h"

namespace zvr::sim {

bool RequestFramer::KnownType(uint8_t type) {
    return type == kContinuousRead || type == kStopRead || type == kReadOnce || type == kWrite ||
           type == kIdentify || type == kCommit || type == kCloseNotice;
}

bool RequestFramer::PossibleLength(uint8_t type, uint8_t length) {
    switch (type) {
        case kContinuousRead:
        case kReadOnce:
            return length % 2 == 1 && length <= 2 * kMaxAddresses + 1;
        case kStopRead:
            return length == 2;
        case kWrite:
            return length == 4 || length == 5;
        case kIdentify:
            return length == 3;
        case kCommit:
        case kCloseNotice:
            return length == 1;
        default:
            return false;
    }
}

std::vector<RequestFramer::Event> RequestFramer::push(uint8_t byte, Clock::time_point arrival) {
    std::vector<Event> events = idle(arrival);
    if (resyncing_) {
        lastByte_ = arrival;
        return events;
    }
    partial_.push_back(byte);
    lastByte_ = arrival;
    const bool unknownType = partial_.size() == 1 && !KnownType(byte);
    if (unknownType || (partial_.size() == 2 && !PossibleLength(partial_[0], partial_[1]))) {
        partial_.clear();
        resyncing_ = true;
        events.push_back({.nak = true});
    } else if (partial_.size() >= 2 && partial_.size() == size_t{partial_[1]} + 2) {
        events.push_back({.frame = std::move(partial_)});
        partial_.clear();
    }
    return events;
}

std::vector<RequestFramer::Event> RequestFramer::idle(Clock::time_point now) {
    std::vector<Event> events;
    if (resyncing_ && now - lastByte_ >= kResyncQuiet) {
        resyncing_ = false;
    }
    if (!partial_.empty() && now - lastByte_ >= kIncompleteLimit) {
        partial_.clear();
        events.push_back({.nak = true});
    }
    return events;
}

std::optional<RequestFramer::Clock::time_point> RequestFramer::deadline() const {
    if (resyncing_) return lastByte_ + kResyncQuiet;
    if (!partial_.empty()) return lastByte_ + kIncompleteLimit;
    return std::nullopt;
}

}  // namespace zvr::sim
