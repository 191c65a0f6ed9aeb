#include "protocol_responder.h"

namespace zvr::sim {

Message ProtocolResponder::respond(std::span<const uint8_t> frame) {
    if (!ChecksumIsCorrect(frame) || frame.size() != size_t{frame[1]} + 2) {
        return {kNak};
    }
    const Message request(frame.begin(), frame.end());
    const uint8_t type = request[0];
    stream_.reset();
    if (type != kCommit) heldWrite_.reset();
    switch (type) {
        case kContinuousRead:
            stream_ = request;
            return readReply(request);
        case kReadOnce:
            return readReply(request);
        case kWrite:
            heldWrite_ = request;
            return request;
        case kIdentify: {
            const auto code = static_cast<uint16_t>(request[2] << 8 | request[3]);
            return identity_.reply(unit_.passwordAccepted(code));
        }
        case kCommit:
            return commit();
        case kStopRead:
        case kCloseNotice:
        default:
            return {};
    }
}

Message ProtocolResponder::streamReply() const { return stream_ ? readReply(*stream_) : Message{}; }

Message ProtocolResponder::readReply(const Message& request) const {
    std::vector<uint8_t> words;
    // Addresses sit between the length byte and the checksum, two bytes each.
    for (size_t i = 2; i + 2 < request.size(); i += 2) {
        const uint16_t word =
            unit_.readWord(static_cast<uint16_t>(request[i] << 8 | request[i + 1]));
        words.push_back(static_cast<uint8_t>(word >> 8));
        words.push_back(static_cast<uint8_t>(word));
    }
    return FrameMessage(request[0], words);
}

Message ProtocolResponder::commit() {
    uint8_t status = 0;
    if (heldWrite_) {
        const Message& write = *heldWrite_;
        const auto address = static_cast<uint16_t>(write[2] << 8 | write[3]);
        // The value bytes run from after the address to before the checksum.
        const std::span<const uint8_t> value(write.data() + 4, write.size() - 5);
        status = unit_.commitWrite(address, value) ? 1 : 0;
        heldWrite_.reset();
    }
    const uint8_t payload[] = {status};
    return FrameMessage(kCommit, payload);
}

}  // namespace zvr::sim
