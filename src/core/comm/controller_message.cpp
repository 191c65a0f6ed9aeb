#include "comm/controller_message.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "families/family_registry.h"

namespace zvr {

uint8_t Checksum(std::span<const uint8_t> bytes) {
    const unsigned sum = std::accumulate(bytes.begin(), bytes.end(), 0u);
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

bool ChecksumIsCorrect(std::span<const uint8_t> message) {
    if (message.size() < 2) return false;
    const size_t end = size_t{message[1]} + 1;  // index of the checksum
    if (end >= message.size()) return false;
    return Checksum(message.first(end)) == message[end];
}

Message FrameMessage(uint8_t type, std::span<const uint8_t> payload) {
    Message message;
    message.reserve(payload.size() + 3);
    message.push_back(type);
    message.push_back(static_cast<uint8_t>(payload.size() + 1));
    for (uint8_t byte : payload)
        message.push_back(byte);
    message.push_back(Checksum(message));
    return message;
}

namespace {

void PutWord(std::vector<uint8_t>& out, uint16_t word) {
    out.push_back(static_cast<uint8_t>(word >> 8));
    out.push_back(static_cast<uint8_t>(word));
}

}  // namespace

std::optional<Message> ReadRequest(uint8_t type, std::span<const uint16_t> addresses) {
    if (addresses.size() > kMaxAddresses) return std::nullopt;
    std::vector<uint8_t> payload;
    for (uint16_t address : addresses)
        PutWord(payload, address);
    return FrameMessage(type, payload);
}

Message StopRequest() {
    const uint8_t payload[] = {1};
    return FrameMessage(kStopRead, payload);
}

std::optional<Message> WriteRequest(uint16_t address, uint16_t value, int size) {
    std::vector<uint8_t> payload;
    PutWord(payload, address);
    if (size == 1) {
        payload.push_back(static_cast<uint8_t>(value));
    } else if (size == 2) {
        PutWord(payload, value);
    } else {
        return std::nullopt;
    }
    return FrameMessage(kWrite, payload);
}

Message IdentifyRequest(uint16_t password) {
    std::vector<uint8_t> payload;
    PutWord(payload, password);
    return FrameMessage(kIdentify, payload);
}

Message CommitRequest() { return FrameMessage(kCommit, {}); }

Message CloseNotice() { return FrameMessage(kCloseNotice, {}); }

size_t ExpectedReplyLength(std::span<const uint8_t> request) {
    switch (request[0]) {
        case kContinuousRead:
        case kReadOnce:
        case kWrite:
            return request.size();  // the words in place of the addresses, or the echo
        case kIdentify:
            return kIdentifyReplyLength;
        case kCommit:
            return 4;
        default:
            return 0;
    }
}

bool ValidReadReply(std::span<const uint8_t> reply, uint8_t type, size_t count,
                    std::array<uint16_t, kMaxAddresses>& words) {
    if (reply.empty() || reply[0] != type) return false;
    if (reply.size() < 2 || reply[1] != static_cast<uint8_t>(2 * count + 1)) return false;
    if (!ChecksumIsCorrect(reply) || reply.size() < 2 * count + 3) return false;
    for (size_t i = 0; i < count && i < kMaxAddresses; ++i) {
        words[i] = static_cast<uint16_t>(reply[2 + 2 * i] << 8 | reply[3 + 2 * i]);
    }
    return true;
}

bool ValidWriteEcho(std::span<const uint8_t> reply, std::span<const uint8_t> request) {
    if (reply.empty() || reply[0] != kWrite) return false;
    if (reply.size() < 2 || reply[1] != static_cast<uint8_t>(reply.size() - 2)) return false;
    if (!ChecksumIsCorrect(reply)) return false;
    return std::equal(reply.begin(), reply.end(), request.begin(), request.end());
}

bool ValidCommitReply(std::span<const uint8_t> reply) {
    if (reply.empty() || reply[0] != kCommit) return false;
    if (reply.size() < 3 || reply[1] != static_cast<uint8_t>(reply.size() - 2)) return false;
    return ChecksumIsCorrect(reply) && reply[2] == 1;
}

namespace {

// The first two characters of a signed byte printed with "%02d": 7 "07", -5 "-5".
std::string TwoDigits(uint8_t byte) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", static_cast<int8_t>(byte));
    return std::string(text, 2);
}

}  // namespace

std::string ModelNameForStrategyFile(const std::string& fileName) {
    const ControllerModel* model = ModelForIdentification('1', fileName);
    return model != nullptr ? model->modelName : "";
}

std::optional<Identification> DecodeIdentification(std::span<const uint8_t> reply) {
    if (reply.size() != kIdentifyReplyLength) return std::nullopt;
    // The reply's own length byte sets the checksum's range, as in every message; the sum is
    // compared with the last byte, and may not reach into it.
    const size_t summed = size_t{reply[1]} + 1;
    if (summed >= kIdentifyReplyLength) return std::nullopt;
    if (Checksum(reply.first(summed)) != reply[kIdentifyReplyLength - 1]) return std::nullopt;
    auto c = [&](size_t i) { return static_cast<char>(reply[i]); };
    Identification id;
    const char layout = c(6);
    if (layout == '0') {
        id.strategyFileName =
            std::string{c(7)} + TwoDigits(reply[2]) + c(8) + c(9) + c(3) + c(4) + c(5) + ".000";
        id.strategyText = std::string{c(4), c(5)};
    } else if (layout == '1') {
        id.strategyFileName =
            std::string(reply.begin() + 2, reply.begin() + 8) + TwoDigits(reply[8]) + ".000";
        id.strategyText = c(7) + TwoDigits(reply[8]);
    } else {
        return std::nullopt;
    }
    const ControllerModel* model = ModelForIdentification(layout, id.strategyFileName);
    if (model == nullptr) return std::nullopt;
    id.modelName = model->modelName;
    id.accessOpen = (reply[10] & 0x0F) != 0;
    return id;
}

std::string TrafficLine(const char* direction, std::span<const uint8_t> bytes) {
    char text[32];
    std::snprintf(text, sizeof text, " %s %ld Bytes: ", direction, static_cast<long>(bytes.size()));
    std::string line = text;
    for (uint8_t byte : bytes) {
        std::snprintf(text, sizeof text, " %02X", byte);
        line += text;
    }
    return line;
}

}  // namespace zvr
