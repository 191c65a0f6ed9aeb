#include "support/memory_controller.h"

#include "comm/controller_message.h"

namespace zvr::test {

MemoryController::MemoryController(std::string strategy, std::chrono::microseconds perByte)
    : strategy_(std::move(strategy)), perByte_(perByte), thread_(&MemoryController::run, this) {}

MemoryController::~MemoryController() {
    running_ = false;
    thread_.join();
}

void MemoryController::setByte(uint16_t address, uint8_t value) {
    std::lock_guard lock(mutex_);
    memory_[address] = value;
}

void MemoryController::setWord(uint16_t address, uint16_t value) {
    std::lock_guard lock(mutex_);
    memory_[address] = static_cast<uint8_t>(value >> 8);
    memory_[static_cast<uint16_t>(address + 1)] = static_cast<uint8_t>(value);
}

uint8_t MemoryController::byte(uint16_t address) {
    std::lock_guard lock(mutex_);
    return memory_[address];
}

uint16_t MemoryController::word(uint16_t address) {
    std::lock_guard lock(mutex_);
    return static_cast<uint16_t>(memory_[address] << 8 | memory_[uint16_t(address + 1)]);
}

void MemoryController::setPasswordAddress(uint16_t address) {
    std::lock_guard lock(mutex_);
    passwordAddress_ = address;
}

int MemoryController::requestsOfType(uint8_t type) {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const Bytes& request : requests_)
        count += request[0] == type;
    return count;
}

std::vector<Bytes> MemoryController::requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool MemoryController::waitFor(uint8_t type, int count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (requestsOfType(type) >= count) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void MemoryController::send(const Bytes& bytes) {
    if (perByte_.count() > 0) {
        peer_.writePaced(bytes, perByte_);
    } else {
        peer_.write(bytes);
    }
}

Bytes MemoryController::readReply(uint8_t type, const std::vector<uint16_t>& addresses) {
    Bytes words;
    std::lock_guard lock(mutex_);
    for (uint16_t address : addresses) {
        words.push_back(memory_[address]);
        words.push_back(memory_[static_cast<uint16_t>(address + 1)]);
    }
    return FrameMessage(type, words);
}

void MemoryController::run() {
    auto nextStream = std::chrono::steady_clock::now();
    while (running_) {
        bool streaming;
        {
            std::lock_guard lock(mutex_);
            streaming = isStreaming_;
        }
        const Bytes request = peer_.readMessage(std::chrono::milliseconds(streaming ? 1 : 20));
        if (request.size() >= 3) {
            if (perByte_.count() > 0) {
                std::this_thread::sleep_for(perByte_ * static_cast<int>(request.size()));
            }
            handle(request);
            continue;
        }
        if (!streaming || silent_ || std::chrono::steady_clock::now() < nextStream) continue;
        std::vector<uint16_t> addresses;
        {
            std::lock_guard lock(mutex_);
            addresses = streaming_;
        }
        send(readReply(kContinuousRead, addresses));
        ++streamed_;
        nextStream = std::chrono::steady_clock::now() +
                     (perByte_.count() > 0 ? std::chrono::milliseconds(0) : streamInterval_.load());
    }
}

void MemoryController::handle(const Bytes& request) {
    std::vector<uint16_t> addresses;
    for (size_t i = 2; i + 2 < request.size(); i += 2) {
        addresses.push_back(static_cast<uint16_t>(request[i] << 8 | request[i + 1]));
    }
    bool stream = false;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        isStreaming_ = false;
        if (request[0] == kContinuousRead) {
            streaming_ = addresses;
            stream = true;
        }
    }
    if (silent_) return;
    switch (request[0]) {
        case kContinuousRead: {
            // The first set goes out at once; the others follow on the stream.
            send(readReply(kContinuousRead, addresses));
            ++streamed_;
            std::lock_guard lock(mutex_);
            isStreaming_ = stream;
            break;
        }
        case kReadOnce:
            send(readReply(kReadOnce, addresses));
            break;
        case kWrite: {
            std::lock_guard lock(mutex_);
            pendingWrite_ = request;
            peer_.write(request);
            break;
        }
        case kCommit: {
            {
                std::lock_guard lock(mutex_);
                const Bytes& w = pendingWrite_;
                if (w.size() >= 6) {
                    const auto address = static_cast<uint16_t>(w[2] << 8 | w[3]);
                    memory_[address] = w[4];
                    if (w.size() == 7) memory_[static_cast<uint16_t>(address + 1)] = w[5];
                }
                pendingWrite_.clear();
            }
            send(FrameMessage(kCommit, Bytes{1}));
            break;
        }
        case kIdentify: {
            const auto code = static_cast<uint16_t>(request[2] << 8 | request[3]);
            bool open;
            {
                std::lock_guard lock(mutex_);
                open = code == (memory_[passwordAddress_] << 8 |
                                memory_[static_cast<uint16_t>(passwordAddress_ + 1)]);
            }
            send(IdentifyReply(strategy_, open));
            break;
        }
        default:
            break;
    }
}

}  // namespace zvr::test
