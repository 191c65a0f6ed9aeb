#include "gui_base/qt_message_receiver.h"

#include <QCoreApplication>

namespace zvr {

const QEvent::Type PostedMessageEvent::kType =
    static_cast<QEvent::Type>(QEvent::registerEventType());

void QtMessageReceiver::post(const PostedMessage& message) {
    std::lock_guard lock(mutex_);
    if (target_ != nullptr) {
        QCoreApplication::postEvent(target_, new PostedMessageEvent(message));
    }
}

void QtMessageReceiver::Detach() {
    std::lock_guard lock(mutex_);
    target_ = nullptr;
}

}  // namespace zvr
