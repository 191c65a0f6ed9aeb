#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_peer.h"

namespace zvr::test {

// A controller on a pseudo-terminal with a byte memory, answering as a unit does: a read
// returns the word at each address (the byte at the address is the high byte), a
// continuous read keeps answering until a stop or another request, a write is echoed and
// lands in memory with its commit, and an identification opens access when the password
// code matches the word at the PASSWORD address. It can fall silent to play a controller
// that stops answering.
class MemoryController {
public:
    // strategy: the eight characters the identification reply names ("ZVX41R03").
    explicit MemoryController(std::string strategy = "ZVX41R03",
                              std::chrono::microseconds perByte = std::chrono::microseconds(0));
    ~MemoryController();
    MemoryController(const MemoryController&) = delete;
    MemoryController& operator=(const MemoryController&) = delete;

    const std::string& path() const { return peer_.path(); }

    void setByte(uint16_t address, uint8_t value);
    void setWord(uint16_t address, uint16_t value);
    uint8_t byte(uint16_t address);
    uint16_t word(uint16_t address);
    void setPasswordAddress(uint16_t address);
    void setSilent(bool silent) { silent_ = silent; }
    // Time between the replies of a continuous read when the line is not paced.
    void setStreamInterval(std::chrono::milliseconds interval) { streamInterval_ = interval; }

    // Requests read so far, by message type.
    int requestsOfType(uint8_t type);
    std::vector<Bytes> requests();
    bool waitFor(uint8_t type, int count,
                 std::chrono::milliseconds timeout = std::chrono::seconds(3));
    // Continuous read replies sent so far.
    long streamedReplies() const { return streamed_; }

private:
    void run();
    void handle(const Bytes& request);
    Bytes readReply(uint8_t type, const std::vector<uint16_t>& addresses);
    void send(const Bytes& bytes);

    PtyPeer peer_;
    std::string strategy_;
    std::chrono::microseconds perByte_;
    std::mutex mutex_;
    std::array<uint8_t, 0x10000> memory_{};
    uint16_t passwordAddress_ = 0x4000;
    std::vector<Bytes> requests_;
    std::vector<uint16_t> streaming_;
    bool isStreaming_ = false;
    Bytes pendingWrite_;
    std::atomic<bool> silent_{false};
    std::atomic<long> streamed_{0};
    std::atomic<std::chrono::milliseconds> streamInterval_{std::chrono::milliseconds(20)};
    std::atomic<bool> running_{true};
    std::thread thread_;
};

}  // namespace zvr::test
