#pragma once

#include <QEvent>
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>

#include "comm/message_receiver.h"

namespace zvr {

// A posted notification on its way to the GUI thread.
class PostedMessageEvent : public QEvent {
public:
    static const QEvent::Type kType;
    explicit PostedMessageEvent(const PostedMessage& message) : QEvent(kType), message(message) {}
    PostedMessage message;
};

// Delivers a link's notifications to a window on the GUI thread: post() runs on the receive
// thread and only queues an event; the window handles it later. Once the window detaches
// (in its destructor), posts go nowhere.
class QtMessageReceiver : public MessageReceiver {
public:
    explicit QtMessageReceiver(QObject* target) : target_(target) {}

    void post(const PostedMessage& message) override;
    void Detach();

private:
    std::mutex mutex_;
    QObject* target_;
};

}  // namespace zvr
