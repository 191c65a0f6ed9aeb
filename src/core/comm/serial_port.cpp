#include "comm/serial_port.h"

#include <algorithm>
#include <cstdio>
#include <span>
#include <system_error>

#include "comm/controller_message.h"

namespace zvr {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kReadWait{10};
constexpr milliseconds kTickPause{10};
// Between the pieces of a split reply: the pause and the next read in one wait, which ends
// as soon as the rest of the reply is there.
constexpr milliseconds kPieceWait{20};
constexpr size_t kPurgeChunk = 512;

}  // namespace

CSerialPort::CSerialPort(std::string logName) : log_(logName, 3000, 128) {}

CSerialPort::~CSerialPort() { CSerialPort::Close(); }

int CSerialPort::Close() {
    if (!open_) return -1;
    log_.Flush(false);
    running_ = false;
    if (receiveThread_.joinable()) receiveThread_.join();
    device_.reset();
    carriedOver_.clear();
    open_ = false;
    return 0;
}

int CSerialPort::Open(const std::string& portName, int timeoutTicks) {
    Close();
    std::remove(log_.path().c_str());
    log_.AddLine("Serial Com Opened");
    open_ = true;
    demo_ = portName == "DEMO";
    timeoutTicks_ = demo_ ? demoTicks_ : timeoutTicks;
    int result = 0;
    if (!demo_) result = OpenSerialDevice(portName, device_);
    expectedLength_ = kNoReplyLength;
    {
        std::lock_guard lock(countdownMutex_);
        countdown_ = 0;
    }
    running_ = true;
    try {
        receiveThread_ = std::thread(&CSerialPort::ReceiveLoop, this);
    } catch (const std::system_error&) {
        running_ = false;
        return -4;
    }
    return result;
}

int CSerialPort::Send(const uint8_t* bytes, size_t count, bool expectReply, size_t expectedLength) {
    if (!open_) return -1;
    // Armed before the bytes go out: a fast controller may answer before this call returns,
    // and its reply must find the countdown armed, not be followed by a stale time-out.
    {
        std::lock_guard lock(countdownMutex_);
        countdown_ = expectReply ? timeoutTicks_ : 0;
    }
    if (demo_) return 0;
    expectedLength_ = expectedLength != 0 ? expectedLength : kNoReplyLength;
    {
        std::lock_guard lock(writeMutex_);
        if (device_) device_->write(bytes, count);
    }
    log_.AddLine(TrafficLine("SEND", {bytes, count}));
    return 0;
}

void CSerialPort::PurgeInput() {
    if (!device_) return;
    uint8_t scratch[kPurgeChunk];
    while (device_->read(scratch, sizeof scratch, kReadWait) > 0) {
        std::this_thread::sleep_for(kTickPause);
    }
}

void CSerialPort::RearmTimeout() {
    std::lock_guard lock(countdownMutex_);
    countdown_ = timeoutTicks_;
}

void CSerialPort::ReceiveLoop() {
    uint8_t buffer[kMaxReply];
    while (running_) {
        ReceivePass(buffer);
        Pause();
    }
}

void CSerialPort::ReceivePass(uint8_t* buffer) {
    size_t got = 0;
    if (!demo_ && device_) {
        got = TakeCarriedOver(buffer);
        const size_t wanted = ExpectedChunk();
        if (got < wanted) got += device_->read(buffer + got, wanted - got, kReadWait);
        // The expected length is taken again after the read: a request sent while the read
        // was under way has set the length its reply will have. Bytes beyond it belong to the
        // next reply (a controller answering back to back) and wait for the next pass.
        const size_t expected = ExpectedChunk();
        if (got > expected) {
            carriedOver_.assign(buffer + expected, buffer + got);
            got = expected;
        } else if (got > 0 && got < expected) {
            got = Assemble(buffer, got);
        }
    }
    if (got == 0) {
        IdlePass();
        return;
    }
    {
        std::lock_guard lock(countdownMutex_);
        countdown_ = 0;
    }
    OnReceive(buffer, got);
    log_.AddLine(TrafficLine("RECV", {buffer, got}));
}

// Collects the rest of a reply that arrived in pieces.
size_t CSerialPort::Assemble(uint8_t* buffer, size_t got) {
    for (;;) {
        if (got == 1 && buffer[0] == kNak) return got;
        // Read afresh: the pass may have started before the request that this reply answers.
        const size_t wanted = ExpectedChunk();
        if (got >= wanted) return got;
        got += device_->read(buffer + got, wanted - got, kPieceWait);
        if (DecrementCountdown() <= 1 || got >= wanted) return got;
    }
}

void CSerialPort::IdlePass() {
    bool timedOut = false;
    {
        std::lock_guard lock(countdownMutex_);
        if (countdown_ == 1) {
            countdown_ = 0;
            timedOut = true;
        } else if (countdown_ > 1) {
            --countdown_;
        }
    }
    if (!timedOut) return;
    if (demo_) {
        OnDemoTick();
    } else {
        OnCommError(-1, kTimeOutText);
    }
}

void CSerialPort::Pause() {
    if (!demo_ && device_) {
        device_->waitReadable(kTickPause);
    } else {
        std::this_thread::sleep_for(kTickPause);
    }
}

size_t CSerialPort::TakeCarriedOver(uint8_t* buffer) {
    const size_t count = std::min(carriedOver_.size(), kMaxReply);
    std::copy_n(carriedOver_.begin(), count, buffer);
    carriedOver_.erase(carriedOver_.begin(), carriedOver_.begin() + static_cast<ptrdiff_t>(count));
    return count;
}

size_t CSerialPort::ExpectedChunk() const { return std::min(expectedLength_.load(), kMaxReply); }

int CSerialPort::DecrementCountdown() {
    std::lock_guard lock(countdownMutex_);
    if (countdown_ > 0) --countdown_;
    return countdown_;
}

}  // namespace zvr
