#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "gui_base/qt_message_receiver.h"

namespace zvr {

// Where a window's requests are answered. Each request gets a fresh receiver: the answers of
// an earlier request, even those already on their way, are dropped, so an answer never
// reaches a view that has moved on (or closed) since it asked.
class RequestChannel {
public:
    using Handler = std::function<void(const PostedMessage&)>;

    // owner: the window the answers are handled on; handler runs on its thread.
    RequestChannel(QObject* owner, Handler handler);
    ~RequestChannel();
    RequestChannel(const RequestChannel&) = delete;
    RequestChannel& operator=(const RequestChannel&) = delete;

    // The handle to name in the next request.
    ReceiverHandle Fresh();
    // Drops every answer from now on.
    void Close();

private:
    class Sink;
    void Retire();

    QObject* owner_;
    Handler handler_;
    Sink* sink_ = nullptr;
    std::shared_ptr<QtMessageReceiver> receiver_;
};

}  // namespace zvr
