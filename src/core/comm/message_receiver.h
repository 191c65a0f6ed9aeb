#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

namespace zvr {

// Message numbers a requester picks for its notifications (1124-1131); the pair belongs to
// the requester, so different receivers reuse the same numbers.
inline constexpr uint32_t kFirstRequestMessage = 1124;
inline constexpr uint32_t kLastRequestMessage = 1131;

// lParam of a failure notification.
inline constexpr intptr_t kReplyRejected = 0;
inline constexpr intptr_t kReplyTimedOut = -1;

struct PostedMessage {
    uint32_t message = 0;
    intptr_t wParam = 0;  // 1 success, 0 failure
    intptr_t lParam = 0;  // 0, or -1 for a time-out

    friend bool operator==(const PostedMessage&, const PostedMessage&) = default;
};

// Where a request's outcome is posted. post() is called from the receive thread: it must
// only hand the message over to the receiver's own thread (a Qt event, a queue) and return.
class MessageReceiver {
public:
    virtual ~MessageReceiver() = default;
    virtual void post(const PostedMessage& message) = 0;
};

// A request names its receiver by a weak handle: posting to a receiver that no longer exists
// does nothing.
using ReceiverHandle = std::weak_ptr<MessageReceiver>;

void PostTo(const ReceiverHandle& receiver, const PostedMessage& message);

// A receiver that queues its messages for a thread that waits for them (the command line,
// tests).
class QueueReceiver : public MessageReceiver {
public:
    void post(const PostedMessage& message) override;

    // The oldest message, waiting for one up to timeout; nothing when none came.
    std::optional<PostedMessage> wait(std::chrono::milliseconds timeout);
    // The oldest message, if there is one, without waiting.
    std::optional<PostedMessage> poll();

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<PostedMessage> queue_;
};

}  // namespace zvr
