#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "definitions/definition_set.h"
#include "support/pty_peer.h"

namespace zvr::test {

// A controller on a pty with a byte-addressed EEPROM: a read returns the word made of the
// byte at the address (high) and the next one; a write stores one or two bytes and is echoed,
// the commit answers status 1. Faults can be scripted: a NAK for the n-th read or write, or
// silence from the n-th request on (a line fault).
class ScalarMemoryController {
public:
    explicit ScalarMemoryController(
        std::chrono::microseconds perByte = std::chrono::microseconds(0));

    const std::string& path() const { return controller_.path(); }
    ScriptedController& link() { return controller_; }

    // The memory a controller holding this calibration has: every scalar's file value.
    void Fill(const DefinitionSet& set);
    void SetByte(uint16_t address, uint8_t value);
    void SetWord(uint16_t address, uint16_t value);
    uint8_t Byte(uint16_t address);
    uint16_t Word(uint16_t address);
    // The value a scalar of this set holds in the memory (the high byte for size 1).
    uint32_t Value(const ScalarDef& scalar);

    // Identification names this strategy file ("ZVX41R03" gives a ZEVAR 740).
    void SetStrategyFile(const std::string& eightCharacters);
    // Identification opens access only for this password code (by default it always does).
    void RequirePassword(uint16_t code);
    void NakRead(size_t n);       // counted from 1 over read-once requests; 0 none
    void SpoilRead(size_t n);     // its reply with a wrong checksum
    void NakWrite(size_t n);      // counted from 1 over write requests
    void FallSilentAt(size_t n);  // the n-th request from now on gets no answer
    // The n-th read-once request (counted from 1) is answered by a stale read reply holding
    // word, as a reply given up on by an earlier request or run would land, and then by its
    // own reply.
    void LandLateReplyAt(size_t n, uint16_t word);
    // The n-th request of this type (counted from 1, from the controller's start: read-once,
    // write or commit) is answered `by` late; the controller goes on answering the others.
    void AnswerLate(uint8_t type, size_t n, std::chrono::milliseconds by);

    // Addresses of the read-once and write requests so far, in order.
    std::vector<uint16_t> Reads();
    std::vector<uint16_t> Writes();

private:
    std::vector<Bytes> Answer(const Bytes& request);
    std::vector<Bytes> AnswerNow(const Bytes& request);
    Bytes ReadReply(const Bytes& request);

    std::mutex mutex_;
    std::map<uint16_t, uint8_t> memory_;
    std::string strategyFile_ = "ZVX41R03";
    std::optional<uint16_t> password_;
    size_t nakRead_ = 0;
    size_t spoilRead_ = 0;
    size_t nakWrite_ = 0;
    size_t silentAt_ = 0;
    size_t lateAt_ = 0;
    uint16_t lateWord_ = 0;
    std::map<std::pair<uint8_t, size_t>, std::chrono::milliseconds> answerLate_;
    std::map<uint8_t, size_t> requestsOfType_;
    size_t requests_ = 0;
    std::vector<uint16_t> reads_;
    std::vector<uint16_t> writes_;
    ScriptedController controller_;  // last: its thread answers from the members above
};

}  // namespace zvr::test
