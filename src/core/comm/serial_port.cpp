#include "comm/serial_port.h"

#include <algorithm>
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
    // The receive thread ends before the log is written out, so its last lines go into this
    // link's log, and the writer has finished before a new Open removes the file.
    running_ = false;
    if (receiveThread_.joinable()) receiveThread_.join();
    log_.FlushAndWait();
    device_.reset();
    {
        std::lock_guard lock(inputMutex_);
        carriedOver_.clear();
    }
    open_ = false;
    return 0;
}

int CSerialPort::Open(const std::string& portName, int timeoutTicks) {
    Close();
    RemoveLogFile(log_.path());
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
    lost_ = false;
    passes_ = 0;
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
    // The receive thread's commit and the owner's next request may send at the same time:
    // the reply state and the bytes on the wire must belong to the same message.
    std::lock_guard send(sendMutex_);
    // Armed before the bytes go out: a fast controller may answer before this call returns,
    // and its reply must find the countdown armed, not be followed by a stale time-out.
    {
        std::lock_guard lock(countdownMutex_);
        countdown_ = expectReply ? timeoutTicks_ : 0;
    }
    if (demo_) return 0;
    expectedLength_ = expectedLength != 0 ? expectedLength : kNoReplyLength;
    if (device_) device_->write(bytes, count);
    log_.AddLine(TrafficLine("SEND", {bytes, count}));
    return 0;
}

size_t CSerialPort::PurgeInput() {
    if (!device_) return 0;
    std::lock_guard lock(inputMutex_);
    // What the receive pass has read of a reply so far is as stale as what still waits.
    size_t dropped = carriedOver_.size();
    carriedOver_.clear();
    ++purges_;
    uint8_t scratch[kPurgeChunk];
    while (const size_t got = device_->read(scratch, sizeof scratch, kReadWait)) {
        dropped += got;
        NoteInput();
        std::this_thread::sleep_for(kTickPause);
    }
    return dropped;
}

void CSerialPort::RearmTimeout() {
    std::lock_guard lock(countdownMutex_);
    countdown_ = timeoutTicks_;
}

bool CSerialPort::ReplyAwaited() {
    std::lock_guard lock(countdownMutex_);
    return countdown_ > 0;
}

std::chrono::steady_clock::time_point CSerialPort::LastInputAt() const {
    return std::chrono::steady_clock::time_point(
        std::chrono::steady_clock::duration(lastInputAt_.load()));
}

void CSerialPort::NoteInput() {
    lastInputAt_ = std::chrono::steady_clock::now().time_since_epoch().count();
}

void CSerialPort::ReceiveLoop() {
    uint8_t buffer[kMaxReply];
    while (running_) {
        ReceivePass(buffer);
        if (!lost_ && device_ && device_->lost()) NoticeLoss();
        Pause();
        ++passes_;
    }
}

void CSerialPort::NoticeLoss() {
    lost_ = true;
    log_.AddLine("Serial Com Lost");
    OnLinkLost();
}

void CSerialPort::ReceivePass(uint8_t* buffer) {
    size_t got = 0;
    uint64_t purgesSeen = 0;
    if (!demo_ && device_) {
        {
            std::lock_guard lock(inputMutex_);
            purgesSeen = purges_;
            got = TakeCarriedOver(buffer);
        }
        got = ReadMore(buffer, got, ExpectedChunk(), kReadWait, purgesSeen);
        // The expected length is taken again after the read: a request sent while the read
        // was under way has set the length its reply will have. Bytes beyond it belong to the
        // next reply (a controller answering back to back) and wait for the next pass.
        const size_t expected = ExpectedChunk();
        if (got > expected) {
            std::lock_guard lock(inputMutex_);
            if (purgesSeen == purges_) carriedOver_.assign(buffer + expected, buffer + got);
            got = expected;
        } else if (got > 0 && got < expected) {
            got = Assemble(buffer, got, purgesSeen);
        }
    }
    if (got == 0) {
        IdlePass();
        return;
    }
    Deliver(buffer, got, purgesSeen);
}

// Hands a complete reply over, unless a purge has made it stale since it was read: the
// purge and the handler never overlap, so a request sent after a purge is judged only by
// bytes read after it.
void CSerialPort::Deliver(const uint8_t* buffer, size_t got, uint64_t purgesSeen) {
    std::lock_guard lock(inputMutex_);
    if (purgesSeen != purges_) return;
    {
        std::lock_guard countdown(countdownMutex_);
        countdown_ = 0;
    }
    OnReceive(buffer, got);
    log_.AddLine(TrafficLine("RECV", {buffer, got}));
}

// Reads up to `wanted` bytes in all into the buffer that holds `got`. Bytes held from before
// a purge are dropped first.
size_t CSerialPort::ReadMore(uint8_t* buffer, size_t got, size_t wanted,
                             std::chrono::milliseconds wait, uint64_t& purgesSeen) {
    std::lock_guard lock(inputMutex_);
    if (purgesSeen != purges_) {
        purgesSeen = purges_;
        got = 0;
    }
    if (got < wanted) {
        const size_t more = device_->read(buffer + got, wanted - got, wait);
        if (more > 0) NoteInput();
        got += more;
    }
    return got;
}

// Collects the rest of a reply that arrived in pieces.
size_t CSerialPort::Assemble(uint8_t* buffer, size_t got, uint64_t& purgesSeen) {
    for (;;) {
        if (got == 1 && buffer[0] == kNak) return got;
        // Read afresh: the pass may have started before the request that this reply answers.
        const size_t wanted = ExpectedChunk();
        if (got >= wanted) return got;
        got = ReadMore(buffer, got, wanted, kPieceWait, purgesSeen);
        if (got == 0) return 0;  // a purge dropped the start, and nothing new came
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
    if (timedOut) {
        if (demo_) {
            OnDemoTick();
        } else {
            OnCommError(-1, kTimeOutText);
        }
    }
    if (!demo_) OnIdle();
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
