#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zvr {

// The controller's framed messages: type, length L (bytes after the length byte, checksum
// included), payload, checksum. All bytes of a correct message add up to 0 modulo 256.
// Multi-byte numbers go high byte first. Pure functions, shared by the program and the
// simulator.

enum MessageType : uint8_t {
    kContinuousRead = 1,
    kStopRead = 2,
    kReadOnce = 3,
    kWrite = 4,
    kIdentify = 6,
    kCommit = 7,
    kCloseNotice = 8,
};

inline constexpr uint8_t kNak = 0x15;
inline constexpr size_t kMaxAddresses = 10;
inline constexpr size_t kMaxMessageLength = 64;
inline constexpr size_t kIdentifyReplyLength = 12;

using Message = std::vector<uint8_t>;

// Two's complement of the sum of the bytes before the checksum.
uint8_t Checksum(std::span<const uint8_t> bytesBeforeChecksum);
// The checksum position comes from the message's own length byte; false for a message too
// short to hold one.
bool ChecksumIsCorrect(std::span<const uint8_t> message);

// Frames type and payload: type, payload size + 1, payload, checksum.
Message FrameMessage(uint8_t type, std::span<const uint8_t> payload);

// Requests. A read of more than 10 addresses, or a write of a size other than 1 or 2, is
// nothing (no message).
std::optional<Message> ReadRequest(uint8_t type, std::span<const uint16_t> addresses);
Message StopRequest();
std::optional<Message> WriteRequest(uint16_t address, uint16_t value, int size);
Message IdentifyRequest(uint16_t password);
Message CommitRequest();
Message CloseNotice();

// Reply length a request expects; 0 for the stop and the close notice, which expect none.
size_t ExpectedReplyLength(std::span<const uint8_t> request);

// Reply checks, in order; the words of a good read reply are stored in `words`.
bool ValidReadReply(std::span<const uint8_t> reply, uint8_t type, size_t count,
                    std::array<uint16_t, kMaxAddresses>& words);
bool ValidWriteEcho(std::span<const uint8_t> reply, std::span<const uint8_t> request);
bool ValidCommitReply(std::span<const uint8_t> reply);

// What an identification reply says of the controller.
struct Identification {
    std::string modelName = "DEMO";
    std::string strategyText = "N/A";
    std::string strategyFileName;  // 12 characters, "...000"
    bool accessOpen = false;

    friend bool operator==(const Identification&, const Identification&) = default;
};

// Decodes a 12-byte identification reply of layout '0' (the ZEVAR 620's) or '1' (the
// others'); the family registry names the model of the layout and the strategy file name.
// Nothing for a reply of another length, a wrong checksum or an unknown layout.
std::optional<Identification> DecodeIdentification(std::span<const uint8_t> reply);

// Model name a layout '1' reply gives a strategy file name: the family whose prefix is the
// longest the name starts with; any other name is an LPN 310's.
std::string ModelNameForStrategyFile(const std::string& fileName);

// Log line of a message: " SEND 5 Bytes:  03 03 00 10 EA".
std::string TrafficLine(const char* direction, std::span<const uint8_t> bytes);

}  // namespace zvr
