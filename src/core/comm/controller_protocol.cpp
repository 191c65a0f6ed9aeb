#include "comm/controller_protocol.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace zvr {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kAfterStop{100};

// A notification to post once the request lock is released.
struct Outcome {
    ReceiverHandle target;
    PostedMessage message;
};

Outcome Success(const DataRequest& request) {
    return {request.target, {request.successMessage, 1, 0}};
}

Outcome Failure(const DataRequest& request, intptr_t reason) {
    return {request.target, {request.failureMessage, 0, reason}};
}

// A complete message of a type the controller answers with, by its own length and checksum.
bool IsWholeFrame(std::span<const uint8_t> bytes) {
    return bytes.size() >= 3 && bytes[0] >= kContinuousRead && bytes[0] <= kCommit &&
           bytes[1] + 2u == bytes.size() && ChecksumIsCorrect(bytes);
}

// A commit reply that came whole: its status byte is the controller's answer, even a refusal.
bool IsWholeCommitReply(std::span<const uint8_t> bytes) {
    return bytes.size() == 4 && bytes[0] == kCommit && IsWholeFrame(bytes);
}

}  // namespace

CControllerProtocol::CControllerProtocol(std::string logName)
    : CSerialPort(std::move(logName)),
      random_(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count())) {}

CControllerProtocol::~CControllerProtocol() { CControllerProtocol::Close(); }

int CControllerProtocol::Open(const std::string& portName, int timeoutTicks) {
    Close();
    {
        // A new line starts settled: nothing of the old one can still arrive on it.
        std::lock_guard lock(requestMutex_);
        quietNeeded_ = milliseconds(0);
        held_ = false;
        request_.checking = false;
        writeCheck_ = WriteCheck::None;
    }
    const int result = CSerialPort::Open(portName, timeoutTicks);
    if (result == 0) {
        SendMessage(StopRequest());
        std::this_thread::sleep_for(kAfterStop);
        PurgeInput();
    }
    return result;
}

int CControllerProtocol::Close() {
    {
        std::lock_guard lock(requestMutex_);
        identification_.accessOpen = false;
    }
    const bool lost = LinkLost();
    if (IsOpen() && !lost) WaitOutLateReplies();
    const int result = CSerialPort::Close();
    // A device that went away never answers the request it was sent (or holds for a quiet
    // line), and with the receive thread gone no time-out comes either: the request fails now
    // as a time-out would, so its requester is not left waiting for ever.
    if (result == 0 && lost) {
        std::optional<Outcome> outcome;
        {
            std::lock_guard lock(requestMutex_);
            if (held_ || ReplyAwaited()) {
                outcome = Failure(request_, kReplyTimedOut);
                request_.type = 0;
                request_.checking = false;
                request_.target.reset();
                held_ = false;
            }
        }
        if (outcome) PostTo(outcome->target, outcome->message);
    }
    return result;
}

void CControllerProtocol::WaitOutLateReplies() {
    milliseconds window;
    {
        std::lock_guard lock(requestMutex_);
        if (quietNeeded_ == milliseconds(0) || !countLate_) return;
        held_ = false;  // nothing more goes out on a line that is closing
        window = quietNeeded_;
    }
    // A frame meanwhile starts the quiet again; a line that never falls quiet is closed anyway.
    const auto deadline = Clock::now() + 2 * window;
    while (Unsettled() && Clock::now() < deadline)
        std::this_thread::sleep_for(kSettleQuiet / 6);
}

void CControllerProtocol::SendMessage(const Message& message) {
    const size_t expected = ExpectedReplyLength(message);
    Send(message.data(), message.size(), expected != 0, expected);
}

void CControllerProtocol::Dispatch() {
    request_.checking = false;
    held_ = quietNeeded_ > milliseconds(0);
    if (!held_) SendMessage(request_.sent);
}

milliseconds CControllerProtocol::LateReplyWindow() const {
    if (const int64_t set = windowOverride_.load(); set > 0) return milliseconds(set);
    const int ticks = std::clamp(TimeoutTicks(), 0, kTimeoutTicks);
    return kLateReplyWindow * ticks / kTimeoutTicks;
}

void CControllerProtocol::SetLateReplyWindow(milliseconds window) {
    windowOverride_ = std::max<int64_t>(window.count(), 0);
}

bool CControllerProtocol::Unsettled() const {
    std::lock_guard lock(requestMutex_);
    return quietNeeded_ > milliseconds(0);
}

WriteCheck CControllerProtocol::LastWriteCheck() const {
    std::lock_guard lock(requestMutex_);
    return writeCheck_;
}

void CControllerProtocol::Unsettle(milliseconds quiet, bool lateReplies) {
    quietNeeded_ = quiet;
    quietFrom_ = Clock::now();
    countLate_ = lateReplies;
}

uint16_t CControllerProtocol::RandomWord() { return static_cast<uint16_t>(random_() % 32768); }

int CControllerProtocol::StartRead(uint8_t type, std::span<const uint16_t> addresses,
                                   ReceiverHandle target, uint32_t successMessage,
                                   uint32_t failureMessage) {
    const std::optional<Message> message = ReadRequest(type, addresses);
    // A closed link would never answer, nor time out: the request is refused at once.
    if (!message || !IsOpen()) return -1;
    std::lock_guard lock(requestMutex_);
    if (IdentificationAwaited()) return kRefusedWhileIdentifying;
    request_.type = static_cast<int8_t>(type);
    request_.target = std::move(target);
    request_.successMessage = successMessage;
    request_.failureMessage = failureMessage;
    request_.count = static_cast<uint16_t>(addresses.size());
    std::copy(addresses.begin(), addresses.end(), request_.addresses.begin());
    request_.sent = *message;
    if (IsDemo() && type == kReadOnce) {
        for (size_t i = 0; i < addresses.size(); ++i) {
            demoReadValues_[i] = DemoReadValue(addresses[i]).value_or(RandomWord());
        }
    }
    Dispatch();
    return 0;
}

bool CControllerProtocol::IdentificationAwaited() {
    return request_.type == kIdentify && (held_ || ReplyAwaited());
}

int CControllerProtocol::RequestReadVariables(std::span<const uint16_t> addresses,
                                              ReceiverHandle target, uint32_t successMessage,
                                              uint32_t failureMessage) {
    return StartRead(kContinuousRead, addresses, std::move(target), successMessage, failureMessage);
}

int CControllerProtocol::RequestReadScalars(std::span<const uint16_t> addresses,
                                            ReceiverHandle target, uint32_t successMessage,
                                            uint32_t failureMessage) {
    if (addresses.size() > kMaxAddresses) return -1;
    Log().AddLine("Send");
    return StartRead(kReadOnce, addresses, std::move(target), successMessage, failureMessage);
}

int CControllerProtocol::RequestStop() {
    const Message message = StopRequest();
    {
        std::lock_guard lock(requestMutex_);
        // A stop expects no reply: it goes out at once, also while the line settles, and
        // replaces a request held for the quiet.
        request_.count = 0;
        request_.type = kStopRead;
        request_.sent = message;
        request_.checking = false;
        held_ = false;
        SendMessage(message);
    }
    std::this_thread::sleep_for(kAfterStop);
    PurgeInput();
    return 0;
}

int CControllerProtocol::RequestWriteScalar(uint16_t address, uint16_t value, int size,
                                            ReceiverHandle target, uint32_t successMessage,
                                            uint32_t failureMessage) {
    const std::optional<Message> message = WriteRequest(address, value, size);
    if (!message) return static_cast<int>(RequestResult::UnwritableSize);
    if (!IsOpen()) return static_cast<int>(RequestResult::NotSent);
    {
        std::lock_guard lock(requestMutex_);
        if (IdentificationAwaited()) return kRefusedWhileIdentifying;
        request_.type = kWrite;
        request_.target = std::move(target);
        request_.successMessage = successMessage;
        request_.failureMessage = failureMessage;
        request_.count = 1;
        request_.addresses[0] = address;
        request_.values[0] = value;
        request_.writeSize = size;
        request_.sent = *message;
        writeCheck_ = WriteCheck::None;
        Dispatch();
    }
    std::erase_if(writeWatches_, [](const auto& watch) { return watch.expired(); });
    for (const auto& watch : writeWatches_) {
        if (const auto live = watch.lock()) (*live)(address, size);
    }
    return 0;
}

void CControllerProtocol::WatchWrites(const std::shared_ptr<WriteWatch>& watch) {
    writeWatches_.push_back(watch);
}

int CControllerProtocol::RequestIdentify(ReceiverHandle target, uint32_t successMessage,
                                         uint32_t failureMessage, uint16_t password) {
    const Message message = IdentifyRequest(password);
    std::lock_guard lock(requestMutex_);
    request_.type = kIdentify;
    request_.target = std::move(target);
    request_.successMessage = successMessage;
    request_.failureMessage = failureMessage;
    request_.sent = message;
    Dispatch();
    return 0;
}

int CControllerProtocol::SendCloseNotice() {
    const Message message = CloseNotice();
    std::lock_guard lock(requestMutex_);
    request_.target.reset();
    request_.successMessage = 0;
    request_.failureMessage = 0;
    request_.type = 0;
    request_.sent = message;
    request_.checking = false;
    held_ = false;
    SendMessage(message);
    return 0;
}

std::array<uint16_t, kMaxAddresses> CControllerProtocol::RequestValues() const {
    std::lock_guard lock(requestMutex_);
    return request_.values;
}

int8_t CControllerProtocol::PendingType() const {
    std::lock_guard lock(requestMutex_);
    return request_.type;
}

bool CControllerProtocol::PendingForAnother(const ReceiverHandle& target) const {
    std::lock_guard lock(requestMutex_);
    const bool same =
        !request_.target.owner_before(target) && !target.owner_before(request_.target);
    return request_.type != 0 && !same;
}

Identification CControllerProtocol::GetIdentification() const {
    std::lock_guard lock(requestMutex_);
    return identification_;
}

bool CControllerProtocol::AccessOpen() const {
    std::lock_guard lock(requestMutex_);
    return identification_.accessOpen;
}

void CControllerProtocol::ResetIdentification() {
    std::lock_guard lock(requestMutex_);
    const bool accessOpen = identification_.accessOpen;
    identification_ = Identification{};
    identification_.accessOpen = accessOpen;
}

void CControllerProtocol::SetLinkLostNotice(ReceiverHandle target, uint32_t message) {
    std::lock_guard lock(requestMutex_);
    linkLostTarget_ = std::move(target);
    linkLostMessage_ = message;
}

void CControllerProtocol::OnLinkLost() {
    Outcome outcome;
    {
        std::lock_guard lock(requestMutex_);
        outcome = {linkLostTarget_, {linkLostMessage_, 0, 0}};
    }
    PostTo(outcome.target, outcome.message);
}

std::optional<uint16_t> CControllerProtocol::DemoReadValue(uint16_t) const { return std::nullopt; }

uint16_t CControllerProtocol::DemoLiveValue(uint16_t) { return RandomWord(); }

void CControllerProtocol::OnReceive(const uint8_t* bytes, size_t length) {
    HandleReply({bytes, length});
}

void CControllerProtocol::Settle(std::chrono::milliseconds quiet, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const Clock::time_point last{Clock::duration(lastFrameAt_.load())};
        const auto quietUntil = std::max(last, Clock::now()) + quiet;
        if (quietUntil > deadline) {
            std::this_thread::sleep_until(deadline);
            return;
        }
        std::this_thread::sleep_until(quietUntil);
        if (Clock::time_point{Clock::duration(lastFrameAt_.load())} <= quietUntil - quiet) return;
    }
}

void CControllerProtocol::HandleReply(std::span<const uint8_t> reply) {
    std::optional<Outcome> outcome;
    lastFrameAt_ = Clock::now().time_since_epoch().count();
    {
        std::lock_guard lock(requestMutex_);
        DataRequest& r = request_;
        if (quietNeeded_ > milliseconds(0)) {
            // Nothing has gone out since the link gave its last request up: whatever comes
            // now answers nothing that waits, and is never delivered.
            if (IsWholeFrame(reply)) {
                ++outOfStep_;
                if (countLate_) ++lateReplies_;
            }
            return;
        }
        if (r.checking) {
            const bool landed = WriteLanded(reply);
            r.type = 0;
            r.checking = false;
            outcome = landed ? Success(r) : Failure(r, kReplyRejected);
            if (writeCheck_ == WriteCheck::Unreadable) Unsettle(kSettleQuiet, false);
        } else {
            switch (r.type) {
                case kContinuousRead: {
                    RearmTimeout();
                    const bool ok = ValidReadReply(reply, kContinuousRead, r.count, r.values);
                    outcome = ok ? Success(r) : Failure(r, kReplyRejected);
                    break;
                }
                case kReadOnce: {
                    const bool ok = ValidReadReply(reply, kReadOnce, r.count, r.values);
                    r.type = 0;
                    outcome = ok ? Success(r) : Failure(r, kReplyRejected);
                    if (!ok) Unsettle(kSettleQuiet, false);
                    break;
                }
                case kWrite:
                    if (ValidWriteEcho(reply, r.sent)) {
                        r.type = kCommit;
                        r.sent = CommitRequest();
                        SendMessage(r.sent);
                    } else {
                        r.type = 0;
                        outcome = Failure(r, kReplyRejected);
                        Unsettle(kSettleQuiet, false);
                    }
                    break;
                case kIdentify: {
                    identification_.accessOpen = false;
                    const std::optional<Identification> id = DecodeIdentification(reply);
                    if (id) identification_ = *id;
                    r.type = 0;
                    outcome = id ? Success(r) : Failure(r, kReplyRejected);
                    if (!id) Unsettle(kSettleQuiet, false);
                    break;
                }
                case kCommit:
                    if (ValidCommitReply(reply)) {
                        r.type = 0;
                        outcome = Success(r);
                    } else if (IsWholeCommitReply(reply)) {
                        r.type = 0;  // the controller refused the write
                        outcome = Failure(r, kReplyRejected);
                    } else {
                        CheckWrite(kSettleQuiet, false);
                    }
                    break;
                case kStopRead:
                    break;  // a continuous read still answering before it heard the stop
                default:
                    // Nothing awaits a reply: the bytes are ignored. A whole reply here shows
                    // that the replies taken before may have answered other requests, and more
                    // may follow; stray bytes that make no reply are line noise.
                    if (IsWholeFrame(reply)) {
                        ++outOfStep_;
                        Unsettle(kSettleQuiet, false);
                    }
                    break;
            }
        }
    }
    if (outcome) PostTo(outcome->target, outcome->message);
}

void CControllerProtocol::CheckWrite(milliseconds quiet, bool lateReplies) {
    request_.type = kCommit;
    request_.checking = true;
    const uint16_t address = request_.addresses[0];
    request_.sent = *ReadRequest(kReadOnce, {&address, 1});
    Unsettle(quiet, lateReplies);
    held_ = true;  // the read goes out once the line is quiet
    Log().AddLine("Write not confirmed: reading it back");
}

bool CControllerProtocol::WriteLanded(std::span<const uint8_t> reply) {
    std::array<uint16_t, kMaxAddresses> words{};
    if (!ValidReadReply(reply, kReadOnce, 1, words)) {
        writeCheck_ = WriteCheck::Unreadable;
        return false;
    }
    // A one-byte value is stored at its address: the high byte of the word read there.
    const uint16_t written = request_.values[0];
    const bool landed =
        request_.writeSize == 1 ? (words[0] >> 8) == (written & 0xFF) : words[0] == written;
    writeCheck_ = landed ? WriteCheck::FoundNew : WriteCheck::FoundOther;
    return landed;
}

void CControllerProtocol::OnCommError(int, const std::string&) {
    std::optional<Outcome> outcome;
    {
        std::lock_guard lock(requestMutex_);
        DataRequest& r = request_;
        const milliseconds window = LateReplyWindow();
        if (r.type == kCommit && !r.checking) {
            // The write may have been stored: the link finds out before it reports.
            CheckWrite(window, true);
        } else {
            outcome = Failure(r, kReplyTimedOut);
            // A continuous read goes on: its replies answer only it, and each is checked.
            if (r.type != kContinuousRead) {
                if (r.checking) writeCheck_ = WriteCheck::Unreadable;
                r.type = 0;
                r.checking = false;
                Unsettle(window, true);
            }
        }
    }
    if (outcome) PostTo(outcome->target, outcome->message);
}

void CControllerProtocol::OnIdle() {
    {
        std::lock_guard lock(requestMutex_);
        if (quietNeeded_ == milliseconds(0)) return;
        if (Clock::now() - std::max(quietFrom_, LastInputAt()) < quietNeeded_) return;
    }
    // Bytes a purge still finds came just now: the quiet starts again.
    if (PurgeInput() > 0) return;
    std::lock_guard lock(requestMutex_);
    quietNeeded_ = milliseconds(0);
    if (held_) {
        held_ = false;
        SendMessage(request_.sent);
    }
}

void CControllerProtocol::OnDemoTick() { HandleDemoTick(); }

void CControllerProtocol::HandleDemoTick() {
    std::optional<Outcome> outcome;
    {
        std::lock_guard lock(requestMutex_);
        DataRequest& r = request_;
        switch (r.type) {
            case kContinuousRead:
                r.type = 0;
                for (size_t i = 0; i < r.count; ++i)
                    r.values[i] = DemoLiveValue(r.addresses[i]);
                if (r.count > 0) {
                    // The same read again, which arms the next tick.
                    r.type = kContinuousRead;
                    r.failureMessage = 0;
                    SendMessage(r.sent);
                }
                outcome = Success(r);
                break;
            case kReadOnce:
                r.type = 0;
                std::copy_n(demoReadValues_.begin(), r.count, r.values.begin());
                outcome = Success(r);
                break;
            case kWrite:
                r.type = kCommit;
                r.sent = CommitRequest();
                SendMessage(r.sent);
                break;
            case kIdentify:
                r.type = 0;
                identification_.accessOpen = true;
                outcome = Success(r);
                break;
            case kCommit:
                r.type = 0;
                outcome = Success(r);
                break;
            default:
                break;
        }
    }
    if (outcome) PostTo(outcome->target, outcome->message);
}

}  // namespace zvr
