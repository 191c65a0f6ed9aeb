#include "comm/message_receiver.h"

namespace zvr {

void PostTo(const ReceiverHandle& receiver, const PostedMessage& message) {
    if (auto alive = receiver.lock()) {
        alive->post(message);
    }
}

void QueueReceiver::post(const PostedMessage& message) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(message);
    }
    arrived_.notify_all();
}

std::optional<PostedMessage> QueueReceiver::wait(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [this] { return !queue_.empty(); })) {
        return std::nullopt;
    }
    PostedMessage message = queue_.front();
    queue_.pop_front();
    return message;
}

std::optional<PostedMessage> QueueReceiver::poll() { return wait(std::chrono::milliseconds(0)); }

}  // namespace zvr
