#include "gui_base/request_channel.h"

#include <QEvent>

namespace zvr {

class RequestChannel::Sink : public QObject {
public:
    Sink(QObject* owner, Handler* handler) : QObject(owner), handler_(handler) {}

    bool live = true;
    bool dispatching = false;

protected:
    bool event(QEvent* event) override {
        if (event->type() != PostedMessageEvent::kType) return QObject::event(event);
        if (live && *handler_) {
            dispatching = true;
            (*handler_)(static_cast<PostedMessageEvent*>(event)->message);
            dispatching = false;
            if (!live) deleteLater();  // retired while it handled the answer
        }
        return true;
    }

private:
    Handler* handler_;
};

RequestChannel::RequestChannel(QObject* owner, Handler handler)
    : owner_(owner), handler_(std::move(handler)) {}

RequestChannel::~RequestChannel() { Retire(); }

void RequestChannel::Retire() {
    if (receiver_) receiver_->Detach();
    receiver_.reset();
    if (sink_ != nullptr) {
        sink_->live = false;
        // Deleting it also discards the answers already posted to it.
        if (!sink_->dispatching) delete sink_;
        sink_ = nullptr;
    }
}

ReceiverHandle RequestChannel::Fresh() {
    Retire();
    sink_ = new Sink(owner_, &handler_);
    receiver_ = std::make_shared<QtMessageReceiver>(sink_);
    return receiver_;
}

ReceiverHandle RequestChannel::Current() {
    if (!receiver_) return Fresh();
    return receiver_;
}

void RequestChannel::Close() { Retire(); }

}  // namespace zvr
