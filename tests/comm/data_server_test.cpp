#include "comm/data_server.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>

#include "support/pty_peer.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::PtyPeer;
using test::Reply;
using test::ScriptedController;

constexpr int kTicks = 20;  // about 400 ms of silence before a time-out
constexpr uint32_t kOk = 1124;
constexpr uint32_t kFailed = 1125;

const PostedMessage kSuccess{kOk, 1, 0};
const PostedMessage kRejected{kFailed, 0, kReplyRejected};
const PostedMessage kTimedOut{kFailed, 0, kReplyTimedOut};

Bytes IdentifyReply(Bytes elevenBytes) {
    elevenBytes.push_back(Checksum(elevenBytes));
    return elevenBytes;
}

// A controller with a word memory that answers like a real unit; its commit status and a
// bad echo can be scripted. The test changes it while the controller thread answers: both
// hold the mutex.
struct FakeController {
    // What becomes of a commit: its reply, and whether the held word write is stored.
    enum class Commit { Answered, ReplyLost, ReplySpoiled, ReplyLostAndSilent };

    std::mutex mutex;
    std::map<uint16_t, uint16_t> memory{{0x0010, 0x1234}, {0x0012, 0xBEEF}};
    uint8_t commitStatus = 1;
    bool garbleEcho = false;
    Commit commit = Commit::Answered;
    bool storeOnCommit = false;
    bool silent = false;
    Bytes heldWrite;
    Bytes identification = IdentifyReply({6, 10, 'Z', 'V', 'X', 'A', '1', 'S', 7, 0, 0x01});

    std::vector<Bytes> answer(const Bytes& request) {
        std::lock_guard lock(mutex);
        if (silent) return {};
        switch (request[0]) {
            case kReadOnce:
            case kContinuousRead: {
                Bytes words;
                for (size_t i = 2; i + 1 < request.size() - 1; i += 2) {
                    const uint16_t word =
                        memory[static_cast<uint16_t>(request[i] << 8 | request[i + 1])];
                    words.push_back(static_cast<uint8_t>(word >> 8));
                    words.push_back(static_cast<uint8_t>(word));
                }
                return {Reply(request[0], words)};
            }
            case kWrite: {
                heldWrite = request;
                Bytes echo = request;
                if (garbleEcho) echo[2] ^= 0xFF;
                return {echo};
            }
            case kCommit: {
                if (storeOnCommit && heldWrite.size() == 7) {
                    memory[static_cast<uint16_t>(heldWrite[2] << 8 | heldWrite[3])] =
                        static_cast<uint16_t>(heldWrite[4] << 8 | heldWrite[5]);
                }
                Bytes reply = Reply(kCommit, {commitStatus});
                switch (commit) {
                    case Commit::Answered:
                        return {reply};
                    case Commit::ReplySpoiled:
                        reply.back() ^= 0x5A;
                        return {reply};
                    case Commit::ReplyLostAndSilent:
                        silent = true;
                        return {};
                    case Commit::ReplyLost:
                        return {};
                }
                return {};
            }
            case kIdentify:
                return {identification};
            default:
                return {};
        }
    }
};

class DataServerTest : public testing::Test {
protected:
    void open() {
        controller = std::make_unique<ScriptedController>(
            [this](const Bytes& request) { return fake.answer(request); });
        ASSERT_EQ(server->OpenPort(controller->path(), kTicks), 0);
        ASSERT_TRUE(controller->waitForRequests(1));  // the stop after opening
    }

    std::optional<PostedMessage> next(std::chrono::milliseconds timeout = 3s) {
        return receiver->wait(timeout);
    }

    // Declared first, destroyed last: the link closes before its far end goes away.
    FakeController fake;
    std::unique_ptr<ScriptedController> controller;
    std::unique_ptr<CDataServer> server = std::make_unique<CDataServer>();
    std::shared_ptr<QueueReceiver> receiver = std::make_shared<QueueReceiver>();

    void TearDown() override { server.reset(); }
};

TEST_F(DataServerTest, OpeningSilencesAControllerLeftReading) {
    open();
    EXPECT_EQ(controller->requests().front(), (Bytes{0x02, 0x02, 0x01, 0xFB}));
}

TEST_F(DataServerTest, ReadScalarsRoundTrip) {
    open();
    const uint16_t addresses[] = {0x0010, 0x0012};
    ASSERT_EQ(server->RequestReadScalars(addresses, receiver, kOk, kFailed), 0);
    EXPECT_EQ(next(), kSuccess);
    EXPECT_EQ(server->RequestValues()[0], 0x1234);
    EXPECT_EQ(server->RequestValues()[1], 0xBEEF);
    EXPECT_EQ(server->PendingType(), 0);
    EXPECT_EQ(controller->requests().back(), (Bytes{0x03, 0x05, 0x00, 0x10, 0x00, 0x12, 0xD6}));
}

TEST_F(DataServerTest, RefusedRequestsSendAndPostNothing) {
    open();
    const uint16_t eleven[11] = {};
    EXPECT_EQ(server->RequestReadVariables(eleven, receiver, kOk, kFailed), -1);
    EXPECT_EQ(server->RequestReadScalars(eleven, receiver, kOk, kFailed), -1);
    EXPECT_EQ(server->RequestWriteScalar(0x10, 1, 4, receiver, kOk, kFailed), 6);
    EXPECT_FALSE(next(600ms));
    EXPECT_EQ(controller->requests().size(), 1u);
}

// A link that is not open (never opened, or closed after its device went away) would neither
// answer nor time out: every request is refused at once instead of waiting for ever.
TEST_F(DataServerTest, RequestsOnALinkThatIsNotOpenAreRefused) {
    const uint16_t one[] = {0x0010};
    for (const bool wasOpen : {false, true}) {
        if (wasOpen) {
            open();
            server->Close();
        }
        EXPECT_EQ(server->RequestReadVariables(one, receiver, kOk, kFailed), -1) << wasOpen;
        EXPECT_EQ(server->RequestReadScalars(one, receiver, kOk, kFailed), -1) << wasOpen;
        EXPECT_EQ(server->RequestWriteScalar(0x0010, 1, 2, receiver, kOk, kFailed), -1) << wasOpen;
    }
    EXPECT_FALSE(next(100ms));
}

// The device goes away while a request waits for its reply, and the link is closed before the
// time-out: the requester gets the failure a time-out gives, once. A request that was
// answered, or a link closed with its device still there, posts nothing more.
TEST_F(DataServerTest, ClosingALostLinkFailsTheRequestStillWaiting) {
    const uint16_t one[] = {0x0010};
    struct Case {
        const char* what;
        bool answered;
        bool lost;
        std::optional<PostedMessage> posted;
    };
    const Case cases[] = {
        {"unanswered, device gone", false, true, kTimedOut},
        {"answered, device gone", true, true, std::nullopt},
        {"unanswered, device there", false, false, std::nullopt},
    };
    for (const Case& c : cases) {
        PtyPeer peer;
        server = std::make_unique<CDataServer>();
        ASSERT_EQ(server->OpenPort(peer.path(), 1000), 0) << c.what;  // no time-out in the test
        peer.drain(150ms);
        ASSERT_EQ(server->RequestReadScalars(one, receiver, kOk, kFailed), 0) << c.what;
        EXPECT_EQ(peer.read(5).size(), 5u) << c.what;
        if (c.answered) {
            peer.write({0x03, 0x03, 0x12, 0x34, 0xB4});
            EXPECT_EQ(next(), kSuccess) << c.what;
        }
        if (c.lost) {
            peer.hangUp();
            const auto deadline = std::chrono::steady_clock::now() + 3s;
            while (!server->LinkLost() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(5ms);
            ASSERT_TRUE(server->LinkLost()) << c.what;
        }
        server->Close();
        EXPECT_EQ(next(100ms), c.posted) << c.what;
        server->Close();
        EXPECT_FALSE(next(50ms)) << c.what;
    }
}

TEST_F(DataServerTest, WriteIsEchoedThenCommitted) {
    struct Case {
        const char* what;
        uint8_t commitStatus;
        bool garbleEcho;
        PostedMessage outcome;
        size_t requestsAfterWrite;
    };
    const Case cases[] = {
        {"accepted", 1, false, kSuccess, 2},
        {"commit refused", 0, false, kRejected, 2},
        {"bad echo, no commit", 1, true, kRejected, 1},
    };
    open();
    for (const auto& c : cases) {
        {
            std::lock_guard lock(fake.mutex);
            fake.commitStatus = c.commitStatus;
            fake.garbleEcho = c.garbleEcho;
        }
        const size_t before = controller->requests().size();
        ASSERT_EQ(server->RequestWriteScalar(0x0100, 0x1234, 2, receiver, kOk, kFailed), 0);
        EXPECT_EQ(next(), c.outcome) << c.what;
        EXPECT_FALSE(next(300ms)) << c.what << ": one message per write";
        const auto requests = controller->requests();
        ASSERT_EQ(requests.size() - before, c.requestsAfterWrite) << c.what;
        EXPECT_EQ(requests[before], (Bytes{0x04, 0x05, 0x01, 0x00, 0x12, 0x34, 0xB0}));
        if (c.requestsAfterWrite == 2) {
            EXPECT_EQ(requests[before + 1], (Bytes{0x07, 0x01, 0xF8}));
        }
    }
}

// A write whose commit reply is lost or spoiled may or may not have been stored: the link
// reads the address back (once the line has settled) and reports the write by what the
// controller holds. A commit the controller refuses outright is a failure, read nothing back.
TEST_F(DataServerTest, AWriteWhoseCommitIsNotConfirmedIsReadBack) {
    using Commit = FakeController::Commit;
    struct Case {
        const char* what;
        Commit commit;
        uint8_t status;
        bool stored;
        PostedMessage outcome;
        WriteCheck check;
        bool readBack;
    };
    const Case cases[] = {
        {"confirmed", Commit::Answered, 1, true, kSuccess, WriteCheck::None, false},
        {"refused", Commit::Answered, 0, false, kRejected, WriteCheck::None, false},
        {"reply lost, stored", Commit::ReplyLost, 1, true, kSuccess, WriteCheck::FoundNew, true},
        {"reply lost, not stored", Commit::ReplyLost, 1, false, kRejected, WriteCheck::FoundOther,
         true},
        {"reply spoiled, stored", Commit::ReplySpoiled, 1, true, kSuccess, WriteCheck::FoundNew,
         true},
        {"reply and read-back lost", Commit::ReplyLostAndSilent, 1, true, kTimedOut,
         WriteCheck::Unreadable, true},
    };
    open();
    for (const Case& c : cases) {
        {
            std::lock_guard lock(fake.mutex);
            fake.memory[0x0100] = 0x0000;
            fake.commit = c.commit;
            fake.commitStatus = c.status;
            fake.storeOnCommit = c.stored;
            fake.silent = false;
        }
        const size_t before = controller->requests().size();
        ASSERT_EQ(server->RequestWriteScalar(0x0100, 0x1234, 2, receiver, kOk, kFailed), 0);
        EXPECT_EQ(next(5s), c.outcome) << c.what;
        EXPECT_FALSE(next(300ms)) << c.what << ": one message per write";
        EXPECT_EQ(server->LastWriteCheck(), c.check) << c.what;
        const auto requests = controller->requests();
        const Bytes readBack{0x03, 0x03, 0x01, 0x00, 0xF9};
        ASSERT_GE(requests.size() - before, 2u) << c.what;
        EXPECT_EQ(requests.size() - before, c.readBack ? 3u : 2u) << c.what;
        if (c.readBack) {
            EXPECT_EQ(requests.back(), readBack) << c.what;
        }
    }
}

TEST_F(DataServerTest, IdentificationDecodesAndSetsAccess) {
    open();
    ASSERT_EQ(server->RequestIdentify(receiver, kOk, kFailed, 0x0102), 0);
    EXPECT_EQ(next(), kSuccess);
    EXPECT_EQ(controller->requests().back(), (Bytes{0x06, 0x03, 0x01, 0x02, 0xF4}));
    const Identification id = server->GetIdentification();
    EXPECT_EQ(id.modelName, "ZEVAR 740");
    EXPECT_EQ(id.strategyFileName, "ZVXA1S07.000");
    EXPECT_TRUE(server->AccessOpen());

    {
        std::lock_guard lock(fake.mutex);
        fake.identification = {0x15};
    }
    server->RequestIdentify(receiver, kOk, kFailed, 0);
    EXPECT_EQ(next(), kRejected);
    EXPECT_FALSE(server->AccessOpen());  // every identification reply closes access first
}

TEST_F(DataServerTest, BadRepliesAreRejected) {
    PtyPeer peer;
    ASSERT_EQ(server->OpenPort(peer.path(), kTicks), 0);
    peer.drain(150ms);
    const Bytes cases[] = {
        {0x15},                          // NAK
        {0x03, 0x03, 0x12, 0x34, 0xB5},  // checksum
        {0x03, 0x05, 0x12, 0x34, 0xB2},  // length for another count
        {0x01, 0x03, 0x12, 0x34, 0xB6},  // another type
        {0xDE, 0xAD, 0xBE, 0xEF, 0x00},  // garbage
    };
    const uint16_t one[] = {0x0010};
    for (const Bytes& reply : cases) {
        server->RequestReadScalars(one, receiver, kOk, kFailed);
        peer.read(5);
        peer.write(reply);
        EXPECT_EQ(next(), kRejected) << int(reply[0]);
    }
}

// A read or write made while an identification awaits its reply is refused and sends
// nothing, so the identification's requester always hears how it ended; once it has timed
// out, requests go out again.
TEST_F(DataServerTest, NothingDisplacesAnIdentificationUnderWay) {
    PtyPeer peer;
    ASSERT_EQ(server->OpenPort(peer.path(), kTicks), 0);
    peer.drain(150ms);
    const uint16_t one[] = {0x0010};
    ASSERT_EQ(server->RequestIdentify(receiver, kOk, kFailed, 0), 0);
    EXPECT_EQ(peer.read(5).size(), 5u);
    const int refused = CControllerProtocol::kRefusedWhileIdentifying;
    EXPECT_EQ(server->RequestReadVariables(one, receiver, 1126, 1127), refused);
    EXPECT_EQ(server->RequestReadScalars(one, receiver, 1126, 1127), refused);
    EXPECT_EQ(server->RequestWriteScalar(0x0010, 1, 1, receiver, 1126, 1127), refused);
    EXPECT_EQ(server->PendingType(), kIdentify);
    EXPECT_EQ(next(), kTimedOut);
    EXPECT_TRUE(peer.drain(50ms).empty());
    ASSERT_EQ(server->RequestReadScalars(one, receiver, kOk, kFailed), 0);
    EXPECT_EQ(peer.read(5), (Bytes{0x03, 0x03, 0x00, 0x10, 0xEA}));
}

// A reply that comes after its request was given up is never an answer: it is counted out of
// step as a late reply (which nothing can have taken, so the stray count stays), and the next
// request waits until the line has been quiet for the late-reply window after it.
TEST_F(DataServerTest, ARequestGivenUpIsNeverAnsweredLateAndTheNextWaitsForQuiet) {
    PtyPeer peer;
    ASSERT_EQ(server->OpenPort(peer.path(), kTicks), 0);
    server->SetLateReplyWindow(600ms);
    peer.drain(150ms);
    const uint16_t first[] = {0x0010};
    const uint16_t second[] = {0x0012};
    server->RequestReadScalars(first, receiver, kOk, kFailed);
    EXPECT_EQ(peer.read(5), (Bytes{0x03, 0x03, 0x00, 0x10, 0xEA}));
    EXPECT_EQ(next(), kTimedOut);
    EXPECT_EQ(server->PendingType(), 0);
    EXPECT_TRUE(server->Unsettled());

    ASSERT_EQ(server->RequestReadScalars(second, receiver, kOk, kFailed), 0);
    std::this_thread::sleep_for(200ms);
    peer.write({0x03, 0x03, 0x12, 0x34, 0xB4});  // the first read's reply, late
    // Neither delivered nor followed by the held request while the line settles.
    EXPECT_TRUE(peer.drain(450ms).empty());
    EXPECT_FALSE(next(10ms));
    EXPECT_EQ(server->OutOfStepCount(), 1u);
    EXPECT_EQ(server->LateReplyCount(), 1u);
    EXPECT_EQ(server->StrayCount(), 0u);

    EXPECT_EQ(peer.read(5), (Bytes{0x03, 0x03, 0x00, 0x12, 0xE8}));
    peer.write({0x03, 0x03, 0xBE, 0xEF, 0x4D});
    EXPECT_EQ(next(), kSuccess);
    EXPECT_EQ(server->RequestValues()[0], 0xBEEF);
    EXPECT_FALSE(server->Unsettled());

    // A stop expects no reply: it goes out at once while the line settles, and replaces the
    // request held for the quiet.
    server->RequestReadScalars(first, receiver, kOk, kFailed);
    peer.read(5);
    EXPECT_EQ(next(), kTimedOut);
    server->RequestReadScalars(second, receiver, kOk, kFailed);
    server->RequestStop();
    EXPECT_EQ(peer.read(4, 100ms), (Bytes{0x02, 0x02, 0x01, 0xFB}));
    EXPECT_TRUE(peer.drain(900ms).empty());
    EXPECT_FALSE(next(10ms));
}

// Bytes with no request waiting are ignored; a whole reply among them marks the link as out
// of step (the answers taken before it may have been another request's), line noise does not.
TEST_F(DataServerTest, RepliesToNoRequestAreIgnoredAndAWholeOneIsCountedOutOfStep) {
    PtyPeer peer;
    ASSERT_EQ(server->OpenPort(peer.path(), kTicks), 0);
    peer.drain(150ms);
    const uint16_t one[] = {0x0010};
    server->RequestReadScalars(one, receiver, kOk, kFailed);
    peer.read(5);
    peer.write({0x03, 0x03, 0x12, 0x34, 0xB4});
    ASSERT_EQ(next(), kSuccess);
    EXPECT_EQ(server->OutOfStepCount(), 0u);

    struct Case {
        Bytes bytes;
        uint32_t counted;
    };
    for (const Case& c : {Case{{0x03, 0x03, 0x00, 0x23, 0xD7}, 1},     // a reply nobody asked for
                          Case{{0x07, 0x02, 0x01, 0xF6}, 1},           // a commit reply
                          Case{{0x5A, 0x17}, 0},                       // stray bytes
                          Case{{0x03, 0x03, 0x00, 0x23, 0x00}, 0}}) {  // a reply's wreck
        const uint32_t before = server->OutOfStepCount();
        peer.write(c.bytes);
        server->Settle(100ms, 2s);
        EXPECT_FALSE(next(50ms));
        EXPECT_EQ(server->OutOfStepCount() - before, c.counted) << int(c.bytes.back());
    }
}

TEST_F(DataServerTest, ContinuousReadKeepsReportingUntilStopped) {
    PtyPeer peer;
    ASSERT_EQ(server->OpenPort(peer.path(), kTicks), 0);
    peer.drain(150ms);
    const uint16_t one[] = {0x0010};
    server->RequestReadVariables(one, receiver, kOk, kFailed);
    // Answers for twice the time-out: each reply re-arms it, so no failure comes.
    for (int i = 0; i < 30; ++i) {
        peer.write(Reply(kContinuousRead, {0x00, static_cast<uint8_t>(i)}));
        ASSERT_EQ(next(), kSuccess) << i;
        EXPECT_EQ(server->RequestValues()[0], i);
        std::this_thread::sleep_for(25ms);
    }
    peer.write({0x15});
    EXPECT_EQ(next(), kRejected);
    EXPECT_EQ(server->PendingType(), kContinuousRead);
    server->RequestStop();
    EXPECT_EQ(peer.read(4, 500ms).size(), 4u);
    peer.write(Reply(kContinuousRead, {0x00, 0x01}));
    EXPECT_FALSE(next(600ms));
}

// A controller that answers a continuous read back to back, with no gap between replies,
// right after a longer reply: the link must stay in step with the replies.
TEST_F(DataServerTest, BackToBackRepliesStayInStep) {
    PtyPeer peer;
    ASSERT_EQ(server->OpenPort(peer.path(), kTicks), 0);
    peer.drain(150ms);
    const uint16_t three[] = {0x10, 0x12, 0x14};
    server->RequestReadScalars(three, receiver, kOk, kFailed);
    peer.read(9);
    peer.write(Reply(kReadOnce, {0, 1, 0, 2, 0, 3}));
    ASSERT_EQ(next(), kSuccess);
    // Most likely the receive thread is now in a read that still expects the 9-byte reply.
    std::this_thread::sleep_for(14ms);

    const uint16_t one[] = {0x0100};
    server->RequestReadVariables(one, receiver, kOk, kFailed);
    peer.read(5);
    Bytes burst;
    for (uint8_t i = 0; i < 20; ++i) {
        const Bytes reply = Reply(kContinuousRead, {0x00, i});
        burst.insert(burst.end(), reply.begin(), reply.end());
    }
    peer.write(burst);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(next(), kSuccess) << "reply " << i;
    }
    EXPECT_EQ(server->RequestValues()[0], 19);
    server->RequestStop();
}

TEST_F(DataServerTest, PostingToAReceiverThatIsGoneIsHarmless) {
    open();
    const uint16_t one[] = {0x0010};
    {
        auto shortLived = std::make_shared<QueueReceiver>();
        server->RequestReadScalars(one, shortLived, kOk, kFailed);
    }
    std::this_thread::sleep_for(200ms);
    server->RequestReadScalars(one, receiver, kOk, kFailed);
    EXPECT_EQ(next(), kSuccess);
}

class RecordingView : public DocumentView {
public:
    std::vector<int> hints;
    void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
};

TEST_F(DataServerTest, QuietingTheLinkTellsEveryViewToStop) {
    open();
    RecordingView reading, removed;
    server->AddView(&reading);
    server->AddView(&removed);
    server->RemoveView(&removed);
    server->QuietTheLink();
    EXPECT_EQ(reading.hints, std::vector<int>{kHintStopReading});
    EXPECT_TRUE(removed.hints.empty());
}

TEST_F(DataServerTest, DemoAnswersFromTheStrategy) {
    server->definitions.scalars.insert(
        {.scaling = {'U', 2, 0}, .eepromAddress = 0x20, .fileRaw = 1500, .name = "SET_SPEED"});
    server->definitions.scalars.insert(
        {.scaling = {'U', 1, 0}, .eepromAddress = 0x22, .fileRaw = 7, .name = "TEETH"});
    ASSERT_EQ(server->OpenPort("DEMO", CDataServer::kTimeoutTicks), 0);

    const uint16_t scalars[] = {0x20, 0x22};
    server->RequestReadScalars(scalars, receiver, kOk, kFailed);
    EXPECT_EQ(next(), kSuccess);
    EXPECT_EQ(server->RequestValues()[0], 1500);
    EXPECT_EQ(server->RequestValues()[1] >> 8, 7);  // a one-byte item is the word's high byte

    EXPECT_FALSE(server->AccessOpen());
    server->RequestIdentify(receiver, kOk, kFailed, 0);
    EXPECT_EQ(next(), kSuccess);
    EXPECT_TRUE(server->AccessOpen());

    server->RequestWriteScalar(0x20, 1600, 2, receiver, kOk, kFailed);
    EXPECT_EQ(next(), kSuccess);

    const uint16_t variables[] = {0x100, 0x102};
    const auto start = std::chrono::steady_clock::now();
    server->RequestReadVariables(variables, receiver, kOk, kFailed);
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(next(), kSuccess);
        for (int v = 0; v < 2; ++v)
            EXPECT_LT(server->RequestValues()[v], 32768);
    }
    EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
    server->RequestStop();
    while (next(300ms)) {
    }  // a tick already under way may still report
    EXPECT_FALSE(next(400ms));
}

}  // namespace
}  // namespace zvr
