// RequestChannel: a fresh receiver drops the answers of the request before it, the current
// receiver keeps one conversation's answers, and closing drops everything still on its way.
#include <QCoreApplication>
#include <QTest>
#include <vector>

#include "gui_base/request_channel.h"

namespace zvr {

namespace {

PostedMessage Answer(uint32_t message) { return PostedMessage{message, 1, 0}; }

// The answers a window heard, in order.
struct Window {
    QObject owner;
    std::vector<uint32_t> heard;
    RequestChannel channel{&owner, [this](const PostedMessage& m) { heard.push_back(m.message); }};
};

}  // namespace

class RequestChannelTest : public QObject {
    Q_OBJECT

private slots:
    void freshDropsTheAnswersOfTheRequestBefore() {
        Window w;
        const ReceiverHandle first = w.channel.Fresh();
        PostTo(first, Answer(1124));  // already on its way when the next request goes out
        const ReceiverHandle second = w.channel.Fresh();
        PostTo(first, Answer(1125));
        PostTo(second, Answer(1126));
        QCoreApplication::processEvents();
        QCOMPARE(w.heard, std::vector<uint32_t>{1126});
    }

    void currentKeepsOneConversation() {
        Window w;
        const ReceiverHandle handle = w.channel.Current();
        PostTo(handle, Answer(1124));
        QVERIFY(w.channel.Current().lock() == handle.lock());
        PostTo(w.channel.Current(), Answer(1125));
        QCoreApplication::processEvents();
        QCOMPARE(w.heard, (std::vector<uint32_t>{1124, 1125}));
    }

    void closeDropsWhatIsOnItsWay() {
        Window w;
        const ReceiverHandle handle = w.channel.Current();
        PostTo(handle, Answer(1124));
        w.channel.Close();
        PostTo(handle, Answer(1125));  // harmless, like a post to a closed window
        QCoreApplication::processEvents();
        QVERIFY(w.heard.empty());
    }

    void aHandlerMayAskAgainWhileItHandlesAnAnswer() {
        QObject owner;
        std::vector<uint32_t> heard;
        ReceiverHandle next;
        RequestChannel* self = nullptr;
        RequestChannel channel(&owner, [&](const PostedMessage& m) {
            heard.push_back(m.message);
            if (m.message == 1124) next = self->Fresh();  // the follow-up request
        });
        self = &channel;
        const ReceiverHandle first = channel.Fresh();
        PostTo(first, Answer(1124));
        PostTo(first, Answer(1125));  // a late answer of the first request: dropped
        QCoreApplication::processEvents();
        PostTo(next, Answer(1126));
        QCoreApplication::processEvents();
        QCOMPARE(heard, (std::vector<uint32_t>{1124, 1126}));
    }
};

}  // namespace zvr

QTEST_GUILESS_MAIN(zvr::RequestChannelTest)
#include "request_channel_test.moc"
