// Feeds arbitrary bytes to every reply check of the controller protocol, as a damaged line
// or a confused controller would.
#include <array>
#include <cstdint>
#include <span>

#include "comm/controller_message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> reply(data, size);
    std::array<uint16_t, zvr::kMaxAddresses> words{};
    for (size_t count = 0; count <= zvr::kMaxAddresses; ++count) {
        zvr::ValidReadReply(reply, zvr::kReadOnce, count, words);
        zvr::ValidReadReply(reply, zvr::kContinuousRead, count, words);
    }
    if (const auto request = zvr::WriteRequest(0x0100, 0x1234, 2)) {
        zvr::ValidWriteEcho(reply, *request);
    }
    zvr::ValidCommitReply(reply);
    zvr::ChecksumIsCorrect(reply);
    if (const auto id = zvr::DecodeIdentification(reply)) {
        if (id->strategyFileName.size() != 12) __builtin_trap();
    }
    return 0;
}
