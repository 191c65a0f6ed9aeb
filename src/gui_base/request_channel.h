#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "gui_base/qt_message_receiver.h"

namespace zvr {

// Where a window's requests are answered; every window hears the controller through one.
// Each request gets a fresh receiver: the answers of an earlier request, even those already
// on their way, are dropped, so an answer never reaches a view that has moved on (or closed)
// since it asked. A window whose answers all belong to one conversation (the connection, a
// cal-file walk, a plot) keeps the current receiver instead; closing still drops them all.
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
    // The handle of the receiver now in use; a fresh one when there is none.
    ReceiverHandle Current();
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
