#include "line_faults.h"

#include <algorithm>

namespace zvr::sim {

namespace {

constexpr std::array<std::string_view, kLineFaultCount> kNames = {"nak",  "checksum", "split",
                                                                  "drop", "delay",    "garbage"};

size_t Index(LineFault fault) { return static_cast<size_t>(fault); }

}  // namespace

std::optional<LineFault> LineFaultByName(std::string_view name) {
    for (size_t i = 0; i < kNames.size(); ++i) {
        if (kNames[i] == name) return static_cast<LineFault>(i);
    }
    return std::nullopt;
}

void LineFaults::setProbability(LineFault fault, double probability) {
    probabilities_[Index(fault)] = std::clamp(probability, 0.0, 1.0);
}

void LineFaults::clear() {
    probabilities_.fill(0);
    lateReplies_.clear();
}

void LineFaults::delayReplies(uint8_t type, std::vector<size_t> nth) {
    lateType_ = type;
    lateReplies_ = std::move(nth);
    repliesOfLateType_ = 0;
}

bool LineFaults::draw(LineFault fault) {
    const double p = probabilities_[Index(fault)];
    if (p <= 0) return false;  // no draw: a clean line leaves the sequence untouched
    // The raw 32-bit output, not a distribution, so every standard library draws alike.
    return static_cast<double>(random_()) < p * 4294967296.0;
}

std::vector<LineFaults::Piece> LineFaults::plan(const Message& reply) {
    if (!lateReplies_.empty() && !reply.empty() && reply[0] == lateType_) {
        const auto late = std::find(lateReplies_.begin(), lateReplies_.end(), ++repliesOfLateType_);
        if (late != lateReplies_.end()) {
            lateReplies_.erase(late);
            return {{.after = kLateBy, .bytes = reply}};
        }
    }
    std::vector<Piece> pieces;
    if (draw(LineFault::Nak)) {
        pieces.push_back({.bytes = {kNak}});
    } else if (draw(LineFault::Checksum)) {
        Message corrupted = reply;
        corrupted.back() = static_cast<uint8_t>(corrupted.back() ^ 0x5A);
        pieces.push_back({.bytes = std::move(corrupted)});
    } else if (reply.size() > 1 && draw(LineFault::Split)) {
        const size_t half = reply.size() / 2;
        pieces.push_back({.bytes = Message(reply.begin(), reply.begin() + half)});
        pieces.push_back({.after = kSplitGap, .bytes = Message(reply.begin() + half, reply.end())});
    } else if (draw(LineFault::Drop)) {
        // nothing goes out
    } else if (draw(LineFault::Delay)) {
        pieces.push_back({.after = kLateBy, .bytes = reply});
    } else {
        pieces.push_back({.bytes = reply});
    }
    if (draw(LineFault::Garbage)) {
        Message garbage(1 + random_() % 4);
        for (uint8_t& byte : garbage)
            byte = static_cast<uint8_t>(random_());
        pieces.push_back({.after = kGarbageGap, .bytes = std::move(garbage)});
    }
    return pieces;
}

}  // namespace zvr::sim
