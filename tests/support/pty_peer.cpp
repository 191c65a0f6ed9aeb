#include "support/pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

#include "comm/controller_message.h"

namespace zvr::test {

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

PtyPeer::PtyPeer() {
    char name[256];
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    termios raw{};
    ::tcgetattr(slave_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave_, TCSANOW, &raw);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    path_ = name;
}

PtyPeer::~PtyPeer() {
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
}

Bytes PtyPeer::read(size_t size, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Bytes bytes;
    while (bytes.size() < size && master_ >= 0) {
        uint8_t buffer[256];
        const ssize_t n = ::read(master_, buffer, std::min(sizeof buffer, size - bytes.size()));
        if (n > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
            continue;
        }
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, MsLeft(deadline)) <= 0) break;
    }
    return bytes;
}

Bytes PtyPeer::readMessage(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Bytes message = read(2, timeout);
    if (message.size() < 2) return message;
    const Bytes rest = read(message[1], std::chrono::milliseconds(MsLeft(deadline)));
    message.insert(message.end(), rest.begin(), rest.end());
    return message;
}

Bytes PtyPeer::drain(std::chrono::milliseconds window) { return read(SIZE_MAX, window); }

void PtyPeer::write(const Bytes& bytes) {
    if (master_ >= 0 && !bytes.empty()) {
        [[maybe_unused]] const ssize_t n = ::write(master_, bytes.data(), bytes.size());
    }
}

void PtyPeer::writePaced(const Bytes& bytes, std::chrono::microseconds perByte) {
    auto next = Clock::now();
    for (uint8_t byte : bytes) {
        next += perByte;
        std::this_thread::sleep_until(next);
        write({byte});
    }
}

void PtyPeer::hangUp() {
    ::close(master_);
    master_ = -1;
}

ScriptedController::ScriptedController(Script script, std::chrono::microseconds perByte)
    : script_(std::move(script)), perByte_(perByte), thread_(&ScriptedController::run, this) {}

ScriptedController::~ScriptedController() {
    running_ = false;
    thread_.join();
}

void ScriptedController::sendLater(Bytes bytes, std::chrono::milliseconds after) {
    std::lock_guard lock(mutex_);
    later_.emplace_back(Clock::now() + after, std::move(bytes));
}

void ScriptedController::send(const Bytes& bytes) {
    if (perByte_.count() > 0) {
        peer_.writePaced(bytes, perByte_);
    } else {
        peer_.write(bytes);
    }
}

void ScriptedController::sendDue() {
    std::vector<Bytes> due;
    {
        std::lock_guard lock(mutex_);
        const auto now = Clock::now();
        for (auto it = later_.begin(); it != later_.end();) {
            if (it->first <= now) {
                due.push_back(std::move(it->second));
                it = later_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Bytes& bytes : due)
        send(bytes);
}

void ScriptedController::run() {
    while (running_) {
        sendDue();
        const Bytes request = peer_.readMessage(std::chrono::milliseconds(20));
        if (request.empty()) continue;
        if (perByte_.count() > 0) {
            // The request's bytes take their time on the wire before the controller acts.
            std::this_thread::sleep_for(perByte_ * static_cast<int>(request.size()));
        }
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        for (const Bytes& reply : script_(request))
            send(reply);
    }
}

std::vector<Bytes> ScriptedController::requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

bool ScriptedController::waitForRequests(size_t n, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        if (requests().size() >= n) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

Bytes Reply(uint8_t type, const Bytes& payload) { return FrameMessage(type, payload); }

Bytes IdentifyReply(const std::string& strategy, bool accessOpen) {
    const std::string name = strategy.substr(0, 6);
    Bytes payload(name.begin(), name.end());
    payload.push_back(static_cast<uint8_t>(std::stoi(strategy.substr(6, 2))));
    payload.push_back(0);
    payload.push_back(accessOpen ? 1 : 0);
    return FrameMessage(kIdentify, payload);
}

}  // namespace zvr::test
