#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "comm/controller_message.h"
#include "comm/message_receiver.h"
#include "comm/serial_port.h"

namespace zvr {

// After an answer: how long the link must stay quiet before the answer is believed (a reply
// still owed by the controller comes within it), and the longest wait for that quiet. A
// rejected reply or a frame nobody asked for is followed by the same quiet before the next
// request goes out: the rest of a broken reply has arrived by then.
inline constexpr std::chrono::milliseconds kSettleQuiet{60};
inline constexpr std::chrono::milliseconds kSettleLimit{1000};

// After a request was given up (its reply timed out) the line is not in a known state: the
// reply may still come. The next request goes out only once the line has been quiet this
// long after the time-out, so that such a reply can never be taken for the next request's
// answer. A controller answers in tens of milliseconds and a USB adapter adds about 16; a
// reply later than the 3-second time-out comes from a controller or adapter that stalled,
// and the longest stall measured (zvr-sim's late reply) ends 1 second after the time-out.
// The window is 2.5 times that. A link opened with a shorter time-out than the program's
// (tests, benchmarks) waits a window shortened in proportion.
inline constexpr std::chrono::milliseconds kLateReplyWindow{2500};

// The one pending request. A new request replaces it; the receive thread completes it.
struct DataRequest {
    int8_t type = 0;  // 0 none, else the message type awaiting its reply (1, 2, 3, 4, 6, 7)
    ReceiverHandle target;
    uint32_t successMessage = 0;
    uint32_t failureMessage = 0;
    std::array<uint16_t, kMaxAddresses> addresses{};  // entry 0 is a write's address
    uint16_t count = 0;
    std::array<uint16_t, kMaxAddresses> values{};  // a read's results; entry 0 a write's value
    int writeSize = 0;                             // a write's size in bytes
    Message sent;  // the request bytes, for the write echo (or the read of a write's check)
    bool checking = false;  // a write whose commit was not confirmed: its address is read back
};

// What a read or write request came to when it was made. The numbers are the ones the link's
// request operations return (0 sent; anything else: nothing was sent and nothing is posted).
enum class RequestResult : int {
    Sent = 0,
    NotSent = -1,           // the link is not open, or more than 10 addresses
    WhileIdentifying = -2,  // an identification awaits its reply
    UnwritableSize = 6,     // a write of a size other than 1 or 2 bytes
};

// What the link found out about a write whose commit was not confirmed (its reply lost or
// spoiled): the controller may or may not have stored the value.
enum class WriteCheck {
    None,        // the last write was confirmed, or failed before its commit
    FoundNew,    // read back: the controller holds the value written (the write succeeded)
    FoundOther,  // read back: the controller holds another value (the write did not land)
    Unreadable,  // the read-back failed too: the controller may hold either value
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
// Replies carry no request number, so the link never lets a reply that may still come be
// taken for another request's answer. A request whose reply timed out is given up: whatever
// arrives afterwards is counted out of step (as a late reply) and never delivered, and the
// next request is held until the line has been quiet for the late-reply window; then the
// input is purged and the held request goes out from the receive thread. A rejected reply or
// a frame nobody waited for is followed by the short settle quiet the same way. The owner
// never waits for that quiet: its request is simply answered later.
//
// A write whose commit is not confirmed (the commit's reply lost or spoiled) may or may not
// have been stored. The link reads the address back, after the same quiet, and reports the
// write as done when the controller holds the value written; otherwise it fails, and
// LastWriteCheck() says what the read-back found. Only the owner sends the write again.
//
// An identification awaiting its reply is never replaced by a read or a write: those are
// refused (kRefusedWhileIdentifying, nothing sent) until it is answered or has timed out, so
// the connection workflow always hears how its identification ended.
class CControllerProtocol : public CSerialPort {
public:
    // The result of a read or write request made while an identification awaits its reply.
    static constexpr int kRefusedWhileIdentifying =
        static_cast<int>(RequestResult::WhileIdentifying);
    // The program's reply time-out in receive passes: about 3 seconds on a real port.
    static constexpr int kTimeoutTicks = 150;

    explicit CControllerProtocol(std::string logName = CLogFile::kDefaultName);
    ~CControllerProtocol() override;

    // After a good open, a stop message, 100 ms and a purge: a controller left in continuous
    // read by an earlier connection falls silent.
    int Open(const std::string& portName, int timeoutTicks) override;
    // Access closes with the link. Closing a link whose device went away fails the request
    // still awaiting its reply (posted as a time-out). A link that gave a request up lately
    // is closed only once the late-reply window has passed quiet, so that a reply still on its
    // way never lands on the next session's first request (nothing tells replies apart).
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
    // Writes one value and commits it. 6 (RequestResult::UnwritableSize) and nothing sent for
    // a size other than 1 or 2; -1 for a link that is not open; kRefusedWhileIdentifying.
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
    // How often a whole frame came that no request was waiting for: a reply given up on that
    // came late, a controller answering twice.
    uint32_t OutOfStepCount() const { return outOfStep_.load(); }
    // Of those, the frames that came while the link waited for the line to fall quiet after a
    // time-out: replies given up on. Nothing was sent since, so no request can have taken one.
    uint32_t LateReplyCount() const { return lateReplies_.load(); }
    // The frames out of step that came while the link was in use: once this moves, an answer
    // taken before may have been another request's (replies carry no request number). Callers
    // note it before a request and compare after the link has settled.
    uint32_t StrayCount() const { return OutOfStepCount() - LateReplyCount(); }
    // How long the line must be quiet after a time-out before the next request goes out.
    std::chrono::milliseconds LateReplyWindow() const;
    // Another window from now on (tests); a zero duration goes back to the one the time-out
    // gives.
    void SetLateReplyWindow(std::chrono::milliseconds window);
    // The next request waits for the line to fall quiet (after a time-out or a bad reply).
    bool Unsettled() const;
    // After a failed write: what the read-back of a write whose commit was not confirmed found.
    WriteCheck LastWriteCheck() const;
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

    // Hears of every write request the link takes (its address and size in bytes), whoever
    // makes it: a calibration kept in memory learns which values the controller may no longer
    // hold. Called on the requester's thread as the request is taken, before its outcome.
    using WriteWatch = std::function<void(uint16_t address, int size)>;
    // Watches for as long as the watcher keeps watch; on the owner's thread.
    void WatchWrites(const std::shared_ptr<WriteWatch>& watch);

protected:
    void OnReceive(const uint8_t* bytes, size_t length) override;
    void OnCommError(int code, const std::string& text) override;
    void OnDemoTick() override;
    void OnLinkLost() override;
    void OnIdle() override;

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
    // After a time-out: waits until the late-reply window has passed quiet (the receive thread
    // settles the line), at most twice the window.
    void WaitOutLateReplies();
    // Sends the pending request, or holds it until the line is quiet. Under requestMutex_.
    void Dispatch();
    bool IdentificationAwaited();  // under requestMutex_
    uint16_t RandomWord();
    void HandleReply(std::span<const uint8_t> reply);
    // Nothing goes out until the line has been quiet for `quiet`; a frame meanwhile is counted
    // as a late reply when `lateReplies`. Under requestMutex_.
    void Unsettle(std::chrono::milliseconds quiet, bool lateReplies);
    // A write's commit was not confirmed: its address is read back once the line has been
    // quiet. Under requestMutex_.
    void CheckWrite(std::chrono::milliseconds quiet, bool lateReplies);
    // The reply to that read: true when the controller holds the value written.
    bool WriteLanded(std::span<const uint8_t> reply);
    void HandleDemoTick();

    std::atomic<uint32_t> outOfStep_{0};
    std::atomic<uint32_t> lateReplies_{0};
    std::atomic<int64_t> lastFrameAt_{0};  // steady-clock ticks of the latest frame received
    mutable std::mutex requestMutex_;
    DataRequest request_;
    // Until the line has been quiet this long (from quietFrom_), nothing goes out: 0 settled.
    std::chrono::milliseconds quietNeeded_{0};
    std::chrono::steady_clock::time_point quietFrom_;
    bool countLate_ = false;  // frames while unsettled are replies given up on
    bool held_ = false;       // request_ has not gone out yet: it waits for the quiet
    WriteCheck writeCheck_ = WriteCheck::None;
    std::atomic<int64_t> windowOverride_{0};  // milliseconds; 0 none
    Identification identification_;
    std::array<uint16_t, kMaxAddresses> demoReadValues_{};
    ReceiverHandle linkLostTarget_;
    uint32_t linkLostMessage_ = 0;
    std::vector<std::weak_ptr<WriteWatch>> writeWatches_;  // owner's thread only
    std::mt19937 random_;
};

}  // namespace zvr
