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
// calls the three handlers and may itself Send (a follow-up message). Writes to the port are
// serialised by a lock, and the countdown is guarded by its own mutex. Derived classes whose
// handlers use their own members must call Close() in their destructor, so that the receive
// thread has ended before those members go.
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
    // Reads and drops whatever is waiting in the port's input.
    void PurgeInput();

    bool IsOpen() const { return open_; }
    bool IsDemo() const { return demo_; }
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

    // Sets the countdown to the time-out again (a continuous read answers repeatedly).
    void RearmTimeout();

private:
    void ReceiveLoop();
    void ReceivePass(uint8_t* buffer);
    size_t Assemble(uint8_t* buffer, size_t got);
    void IdlePass();
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
    std::vector<uint8_t> carriedOver_;  // receive thread only: the start of the next reply

    std::mutex countdownMutex_;
    int countdown_ = 0;  // receive passes left before the awaited reply times out; 0 idle

    std::mutex writeMutex_;
};

}  // namespace zvr
