#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "comm/controller_message.h"

namespace zvr::sim {

// What can go wrong with a reply on a real serial line. Each has a probability per reply;
// the draws come from a generator seeded with --seed, so a run repeats exactly.
enum class LineFault {
    Nak,       // a NAK instead of the reply
    Checksum,  // the reply with a corrupted checksum
    Split,     // the reply in two pieces with a gap between them
    Drop,      // no reply
    Delay,     // the reply, but only after the program's reply time-out
    Garbage,   // stray bytes after the reply, before the next one
};

inline constexpr size_t kLineFaultCount = 6;

std::optional<LineFault> LineFaultByName(std::string_view name);

class LineFaults {
public:
    using Duration = std::chrono::milliseconds;

    static constexpr Duration kSplitGap{40};
    static constexpr Duration kLateBy{4000};  // the program gives up after about 3 s
    static constexpr Duration kGarbageGap{15};

    // One piece of output: bytes to go out this long after the reply was due.
    struct Piece {
        Duration after{0};
        Message bytes;
    };

    explicit LineFaults(uint32_t seed) : random_(seed) {}

    void setProbability(LineFault fault, double probability);
    // Every probability back to 0, and no reply chosen to be late.
    void clear();
    // These replies of the message type, counted from 1 from now on, go out late as a delay
    // sends them, whatever the probabilities draw (a benchmark places late replies in a walk).
    void delayReplies(uint8_t type, std::vector<size_t> nth);

    // How this reply goes out: at most one of NAK, corruption, split, drop and delay (drawn in
    // that order), then perhaps garbage.
    std::vector<Piece> plan(const Message& reply);

private:
    bool draw(LineFault fault);

    std::array<double, kLineFaultCount> probabilities_{};
    std::mt19937 random_;
    uint8_t lateType_ = 0;
    std::vector<size_t> lateReplies_;  // of lateType_, counted from 1
    size_t repliesOfLateType_ = 0;
};

}  // namespace zvr::sim
