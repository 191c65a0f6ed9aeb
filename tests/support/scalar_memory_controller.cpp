#include "support/scalar_memory_controller.h"

#include "comm/controller_message.h"

namespace zvr::test {

namespace {

uint16_t AddressAt(const Bytes& request, size_t at) {
    return static_cast<uint16_t>(request[at] << 8 | request[at + 1]);
}

}  // namespace

ScalarMemoryController::ScalarMemoryController(std::chrono::microseconds perByte)
    : controller_([this](const Bytes& request) { return Answer(request); }, perByte) {}

void ScalarMemoryController::Fill(const DefinitionSet& set) {
    for (const auto& scalar : set.scalars.entries()) {
        const auto address = static_cast<uint16_t>(scalar->eepromAddress);
        if (scalar->scaling.size == 1) {
            SetByte(address, static_cast<uint8_t>(scalar->fileRaw));
        } else {
            SetWord(address, static_cast<uint16_t>(scalar->fileRaw));
        }
    }
}

void ScalarMemoryController::SetByte(uint16_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    memory_[address] = value;
}

void ScalarMemoryController::SetWord(uint16_t address, uint16_t value) {
    std::lock_guard lock(mutex_);
    memory_[address] = static_cast<uint8_t>(value >> 8);
    memory_[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(value);
}

uint8_t ScalarMemoryController::Byte(uint16_t address) {
    std::lock_guard lock(mutex_);
    return memory_[address];
}

uint16_t ScalarMemoryController::Word(uint16_t address) {
    std::lock_guard lock(mutex_);
    return static_cast<uint16_t>(memory_[address] << 8 |
                                 memory_[static_cast<uint16_t>(address + 1)]);
}

uint32_t ScalarMemoryController::Value(const ScalarDef& scalar) {
    const auto address = static_cast<uint16_t>(scalar.eepromAddress);
    return scalar.scaling.size == 1 ? Byte(address) : Word(address);
}

void ScalarMemoryController::SetStrategyFile(const std::string& eightCharacters) {
    std::lock_guard lock(mutex_);
    strategyFile_ = eightCharacters;
}

void ScalarMemoryController::RequirePassword(uint16_t code) {
    std::lock_guard lock(mutex_);
    password_ = code;
}

void ScalarMemoryController::NakRead(size_t n) {
    std::lock_guard lock(mutex_);
    nakRead_ = n;
}

void ScalarMemoryController::SpoilRead(size_t n) {
    std::lock_guard lock(mutex_);
    spoilRead_ = n;
}

void ScalarMemoryController::NakWrite(size_t n) {
    std::lock_guard lock(mutex_);
    nakWrite_ = n;
}

void ScalarMemoryController::FallSilentAt(size_t n) {
    std::lock_guard lock(mutex_);
    silentAt_ = n == 0 ? 0 : requests_ + n;
}

void ScalarMemoryController::LandLateReplyAt(size_t n, uint16_t word) {
    std::lock_guard lock(mutex_);
    lateAt_ = n;
    lateWord_ = word;
}

void ScalarMemoryController::AnswerLate(uint8_t type, size_t n, std::chrono::milliseconds by) {
    std::lock_guard lock(mutex_);
    answerLate_[{type, n}] = by;
}

std::vector<uint16_t> ScalarMemoryController::Reads() {
    std::lock_guard lock(mutex_);
    return reads_;
}

std::vector<uint16_t> ScalarMemoryController::Writes() {
    std::lock_guard lock(mutex_);
    return writes_;
}

Bytes ScalarMemoryController::ReadReply(const Bytes& request) {
    Bytes words;
    for (size_t at = 2; at + 2 < request.size(); at += 2) {
        const uint16_t address = AddressAt(request, at);
        words.push_back(memory_[address]);
        words.push_back(memory_[static_cast<uint16_t>(address + 1)]);
    }
    return Reply(request[0], words);
}

std::vector<Bytes> ScalarMemoryController::Answer(const Bytes& request) {
    std::vector<Bytes> replies = AnswerNow(request);
    std::lock_guard lock(mutex_);
    const auto late = answerLate_.find({request[0], ++requestsOfType_[request[0]]});
    if (late == answerLate_.end()) return replies;
    for (Bytes& reply : replies)
        controller_.sendLater(std::move(reply), late->second);
    return {};
}

std::vector<Bytes> ScalarMemoryController::AnswerNow(const Bytes& request) {
    std::lock_guard lock(mutex_);
    ++requests_;
    if (silentAt_ != 0 && requests_ >= silentAt_) return {};
    switch (request[0]) {
        case kReadOnce:
            reads_.push_back(AddressAt(request, 2));
            if (reads_.size() == nakRead_) return {{kNak}};
            if (reads_.size() == spoilRead_) {
                Bytes spoiled = ReadReply(request);
                spoiled.back() ^= 0x5A;
                return {spoiled};
            }
            if (reads_.size() == lateAt_) {
                const auto high = static_cast<uint8_t>(lateWord_ >> 8);
                const auto low = static_cast<uint8_t>(lateWord_ & 0xFF);
                return {Reply(kReadOnce, {high, low}), ReadReply(request)};
            }
            return {ReadReply(request)};
        case kContinuousRead:
            return {ReadReply(request)};
        case kWrite: {
            const uint16_t address = AddressAt(request, 2);
            writes_.push_back(address);
            if (writes_.size() == nakWrite_) return {{kNak}};
            const size_t valueBytes = request.size() - 5;  // type, length, address, checksum
            for (size_t i = 0; i < valueBytes; ++i)
                memory_[static_cast<uint16_t>(address + i)] = request[4 + i];
            return {request};
        }
        case kCommit:
            return {Reply(kCommit, {1})};
        case kIdentify:
            return {
                IdentifyReply(strategyFile_, !password_ || AddressAt(request, 2) == *password_)};
        default:
            return {};
    }
}

}  // namespace zvr::test
