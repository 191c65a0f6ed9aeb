#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>

#include "comm/controller_message.h"
#include "comm/message_receiver.h"
#include "comm/serial_port.h"

namespace zvr {

// After an answer: how long the link must stay quiet before the answer is believed (a reply
// still owed by the controller comes within it), and the longest wait for that quiet.
inline constexpr std::chrono::milliseconds kSettleQuiet{60};
inline constexpr std::chrono::milliseconds kSettleLimit{1000};

// The one pending request. A new request replaces it; the receive thread completes it.
struct DataRequest {
    int8_t type = 0;  // 0 none, else the message type awaiting its reply (1, 2, 3, 4, 6, 7)
    ReceiverHandle target;
    uint32_t successMessage = 0;
    uint32_t failureMessage = 0;
    std::array<uint16_t, kMaxAddresses> addresses{};  // entry 0 is a write's address
    uint16_t count = 0;
    std::array<uint16_t, kMaxAddresses> values{};  // a read's results; entry 0 a write's value
    Message sent;                                  // the request bytes, for the write echo
};

// The controller's request/reply protocol on top of the serial link: builds each request,
// checks each reply against the pending request, sends the commit after a good write echo,
// and posts the outcome to the requester (wParam 1 success; 0 failure with lParam 0 for a
// rejected reply, -1 for a time-out). In demo mode the answers are made up.
//
// Threads: requests are made on the owner's thread; replies, time-outs and demo ticks are
// handled on the receive thread. The pending request and the identification results are
// guarded by one mutex, so read them through the accessors below after the notification.
// A request is recorded and sent under that mutex, and so is the commit that follows a good
// echo: the message on the wire is always the pending one.
//
// An identification awaiting its reply is never replaced by a read or a write: those are
// refused (kRefusedWhileIdentifying, nothing sent) until it is answered or has timed out, so
// the connection workflow always hears how its identification ended.
class CControllerProtocol : public CSerialPort {
public:
    // The result of a read or write request made while an identification awaits its reply.
    static constexpr int kRefusedWhileIdentifying = -2;

    explicit CControllerProtocol(std::string logName = CLogFile::kDefaultName);
    ~CControllerProtocol() override;

    // After a good open, a stop message, 100 ms and a purge: a controller left in continuous
    // read by an earlier connection falls silent.
    int Open(const std::string& portName, int timeoutTicks) override;
    // Access closes with the link. Closing a link whose device went away fails the request
    // still awaiting its reply (posted as a time-out).
    int Close() override;

    // Continuous read (variables): every reply is reported until a stop or another request.
    // -1 and nothing sent for more than 10 addresses or a link that is not open;
    // kRefusedWhileIdentifying.
    int RequestReadVariables(std::span<const uint16_t> addresses, ReceiverHandle target,
                             uint32_t successMessage, uint32_t failureMessage);
    // Stops a continuous read, waits 100 ms and purges the input.
    int RequestStop();
    // One read (scalars, stored fault words). -1 and nothing sent for more than 10 addresses
    // or a link that is not open; kRefusedWhileIdentifying.
    int RequestReadScalars(std::span<const uint16_t> addresses, ReceiverHandle target,
                           uint32_t successMessage, uint32_t failureMessage);
    // Writes one value and commits it. 6 and nothing sent for a size other than 1 or 2; -1
    // for a link that is not open; kRefusedWhileIdentifying.
    int RequestWriteScalar(uint16_t address, uint16_t value, int size, ReceiverHandle target,
                           uint32_t successMessage, uint32_t failureMessage);
    int RequestIdentify(ReceiverHandle target, uint32_t successMessage, uint32_t failureMessage,
                        uint16_t password);
    // Forgets the pending request and tells the controller the program is closing.
    int SendCloseNotice();

    // The words of the last good read, entry i for address i.
    std::array<uint16_t, kMaxAddresses> RequestValues() const;
    int8_t PendingType() const;
    // A request is pending and reports to another receiver than target: a window that started
    // a request since target's has the link now, and target must not stop it.
    bool PendingForAnother(const ReceiverHandle& target) const;
    // How often a frame came that no request was waiting for: a reply given up on that came
    // late, a controller answering twice, stray bytes. Replies carry no request number, so
    // once this moves, the values taken just before may belong to another request; callers
    // note it before a request and compare after the link has settled.
    uint32_t OutOfStepCount() const { return outOfStep_.load(); }
    // Waits until nothing has arrived for `quiet`, or `limit` has passed; then a frame still
    // owed by the controller (one that would put the link out of step) has had its chance to
    // show up in OutOfStepCount().
    void Settle(std::chrono::milliseconds quiet, std::chrono::milliseconds limit);
    Identification GetIdentification() const;
    bool AccessOpen() const;
    // Demo mode shows model "DEMO" and strategy "N/A".
    void ResetIdentification();
    // Where to post (message, wParam 0, lParam 0) when the open device goes away.
    void SetLinkLostNotice(ReceiverHandle target, uint32_t message);

protected:
    void OnReceive(const uint8_t* bytes, size_t length) override;
    void OnCommError(int code, const std::string& text) override;
    void OnDemoTick() override;
    void OnLinkLost() override;

    // The value demo mode answers for a read of this address, when it knows one (the
    // document answers with its scalars' file values); otherwise a random number.
    virtual std::optional<uint16_t> DemoReadValue(uint16_t address) const;
    // The word demo mode answers for this address in a continuous read: a random number, as
    // live values keep moving (tests answer known ones). Called on the receive thread with
    // the request locked.
    virtual uint16_t DemoLiveValue(uint16_t address);

private:
    int StartRead(uint8_t type, std::span<const uint16_t> addresses, ReceiverHandle target,
                  uint32_t successMessage, uint32_t failureMessage);
    void SendMessage(const Message& message);
    bool IdentificationAwaited();  // under requestMutex_
    uint16_t RandomWord();
    void HandleReply(std::span<const uint8_t> reply);
    void HandleDemoTick();

    std::atomic<uint32_t> outOfStep_{0};
    std::atomic<int64_t> lastFrameAt_{0};  // steady-clock ticks of the latest frame received
    mutable std::mutex requestMutex_;
    DataRequest request_;
    Identification identification_;
    std::array<uint16_t, kMaxAddresses> demoReadValues_{};
    ReceiverHandle linkLostTarget_;
    uint32_t linkLostMessage_ = 0;
    std::mt19937 random_;
};

}  // namespace zvr
