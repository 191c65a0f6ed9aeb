#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "comm/log_file.h"
#include "comm/serial_device.h"

namespace zvr {

// The serial link to one controller: opens the port, writes requests, and runs a receive
// thread that assembles each reply, counts the reply time-out down and hands complete replies
// (or the time-out) to the handlers. "DEMO" opens no port: the time-out then drives the demo
// handler, which makes the answers up. All traffic goes to the rolling log.
//
// Time-out: a Send that expects a reply arms a countdown of `ticks` receive passes; each pass
// without input counts one down (a pass is a read of up to 10 ms and a pause of up to 10 ms
// that ends early when input arrives). When it reaches 1 with nothing received, OnCommError
// is called once, or OnDemoTick in demo mode. A reply that stops short is delivered with what
// came when the countdown runs down to 1, not reported as a time-out.
//
// Threads: Open, Close, Send and PurgeInput run on the owner's thread; the receive thread
// calls the handlers and may itself Send (a follow-up message). A Send writes its bytes and
// sets the expected reply length and the countdown under one lock, so the link always awaits
// the reply to the message written last. Reading is done by one side at a time: a purge drops
// whatever the receive thread holds of a reply begun before it, so the next reply starts in
// step. Derived classes whose handlers use their own members must call Close() in their
// destructor, so that the receive thread has ended before those members go.
//
// A device that goes away (an adapter pulled out) is reported once to OnLinkLost; the receive
// thread keeps its tick until Close, and requests time out as on a silent line.
class CSerialPort {
public:
    static constexpr int kDefaultTimeoutTicks = 75;
    static constexpr int kDemoTicks = 10;          // receive passes before demo mode answers
    static constexpr size_t kNoReplyLength = 448;  // the expected length when none is given
    static constexpr size_t kMaxReply = 64;
    static constexpr const char* kTimeOutText = "Serial Comm Time Out";

    explicit CSerialPort(std::string logName = CLogFile::kDefaultName);
    virtual ~CSerialPort();

    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Closes the link, if open.
    virtual int Close();
    // 0, or -1 the port cannot be opened, -2 its settings cannot be read, -3 its settings
    // cannot be applied, -4 the receive thread cannot be started. The link counts as open
    // (and its receive thread runs) after any of -1..-3, until Close.
    virtual int Open(const std::string& portName, int timeoutTicks);

    // Writes one message and arms the time-out (or cancels it when no reply is expected).
    // -1 when the link is not open. A failed write shows up as a missing reply.
    int Send(const uint8_t* bytes, size_t count, bool expectReply, size_t expectedLength);
    // Reads and drops whatever is waiting in the port's input; how many bytes it dropped.
    size_t PurgeInput();

    bool IsOpen() const { return open_; }
    bool IsDemo() const { return demo_; }
    // The open device has gone away since Open.
    bool LinkLost() const { return lost_; }
    // Passes of the receive loop since Open: the tick the time-out is counted on.
    uint64_t ReceivePasses() const { return passes_; }
    int TimeoutTicks() const { return timeoutTicks_; }
    // How many receive passes demo mode takes for each answer, from the next Open on (tests
    // speed the demo up).
    void SetDemoTicks(int ticks) { demoTicks_ = ticks; }
    CLogFile& Log() { return log_; }

protected:
    // Receive-thread handlers.
    virtual void OnDemoTick() {}
    virtual void OnCommError(int /*code*/, const std::string& /*text*/) {}
    virtual void OnReceive(const uint8_t* /*bytes*/, size_t /*length*/) {}
    // Called once when the open device goes away.
    virtual void OnLinkLost() {}
    // Called after every pass in which nothing arrived (after the time-out was counted), not
    // in demo mode.
    virtual void OnIdle() {}

    // Sets the countdown to the time-out again (a continuous read answers repeatedly).
    void RearmTimeout();
    // A reply is awaited and has not timed out yet.
    bool ReplyAwaited();
    // When the last byte came in, read by the receive thread or dropped by a purge.
    std::chrono::steady_clock::time_point LastInputAt() const;

private:
    void ReceiveLoop();
    void ReceivePass(uint8_t* buffer);
    size_t Assemble(uint8_t* buffer, size_t got, uint64_t& purgesSeen);
    size_t ReadMore(uint8_t* buffer, size_t got, size_t wanted, std::chrono::milliseconds wait,
                    uint64_t& purgesSeen);
    void Deliver(const uint8_t* buffer, size_t got, uint64_t purgesSeen);
    void IdlePass();
    void NoticeLoss();
    void NoteInput();
    size_t TakeCarriedOver(uint8_t* buffer);
    void Pause();
    size_t ExpectedChunk() const;
    int DecrementCountdown();

    CLogFile log_;
    bool open_ = false;
    bool demo_ = false;
    int timeoutTicks_ = kDefaultTimeoutTicks;
    int demoTicks_ = kDemoTicks;
    std::unique_ptr<SerialDevice> device_;  // none in demo mode or when opening failed
    std::atomic<bool> running_{false};
    std::thread receiveThread_;
    std::atomic<size_t> expectedLength_{kNoReplyLength};
    std::atomic<bool> lost_{false};
    std::atomic<uint64_t> passes_{0};
    std::atomic<int64_t> lastInputAt_{0};  // steady-clock ticks

    // One reader at a time: a receive pass's read or a purge. Guards what the assembly holds.
    std::mutex inputMutex_;
    std::vector<uint8_t> carriedOver_;  // the start of the next reply
    uint64_t purges_ = 0;               // purges so far: bytes read before one are stale

    std::mutex countdownMutex_;
    int countdown_ = 0;  // receive passes left before the awaited reply times out; 0 idle

    std::mutex sendMutex_;  // a write and the reply state it sets go together
};

}  // namespace zvr
