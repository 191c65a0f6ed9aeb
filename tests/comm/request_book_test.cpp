#include "comm/request_book.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "support/pty_peer.h"
#include "support/scalar_memory_controller.h"

namespace zvr {
namespace {

using namespace std::chrono_literals;
using Kind = RequestOutcome::Kind;
using test::Bytes;
using test::Reply;
using test::ScalarMemoryController;
using test::ScriptedController;

constexpr int kTicks = 20;  // about 400 ms of silence before a time-out
constexpr uint16_t kFirst = 0x0010;
constexpr uint16_t kSecond = 0x0020;
constexpr uint16_t kThird = 0x0030;

// A link to a controller on a pty, with a book whose host receiver the test hands on from.
// The controller is declared first and goes last: the link closes before its far end.
struct Line {
    Line() {
        controller.SetWord(kFirst, 0x1234);
        controller.SetWord(kSecond, 0x0042);
    }

    void Open() { ASSERT_EQ(link.Open(controller.path(), kTicks), 0); }

    // The next message the host received; fails the test when none comes.
    PostedMessage Next() {
        const std::optional<PostedMessage> message = host->wait(3s);
        EXPECT_TRUE(message.has_value());
        return message.value_or(PostedMessage{});
    }

    ScalarMemoryController controller;
    std::shared_ptr<QueueReceiver> host = std::make_shared<QueueReceiver>();
    CControllerProtocol link{"request-book-test-log.txt"};
    RequestBook book{link, host};
};

// Collects what each completion heard.
struct Heard {
    std::vector<RequestOutcome> outcomes;
    RequestCompletion Completion() {
        return [this](const RequestOutcome& outcome) { outcomes.push_back(outcome); };
    }
};

// Hands on what arrives within a short while; how many of those the book took.
int HandOnTheRest(Line& line) {
    int taken = 0;
    while (const auto message = line.host->wait(200ms))
        taken += line.book.Handle(*message) ? 1 : 0;
    return taken;
}

TEST(RequestBookTest, EachRequestHearsHowItEndedOnce) {
    const uint16_t both[] = {kFirst, kSecond};
    const auto read = [&](RequestBook& book, RequestCompletion done) {
        return book.ReadScalars(both, std::move(done));
    };
    const auto write = [](RequestBook& book, RequestCompletion done) {
        return book.WriteScalar(kThird, 0x0102, 2, std::move(done));
    };
    struct Case {
        const char* what;
        std::function<void(ScalarMemoryController&)> fault;
        std::function<RequestResult(RequestBook&, RequestCompletion)> request;
        Kind kind;
        std::vector<uint16_t> words;     // an answered read's
        std::optional<uint16_t> stored;  // what the controller holds at kThird afterwards
    };
    const Case cases[] = {
        {"read answered", {}, read, Kind::Ok, {0x1234, 0x0042}, std::nullopt},
        {"read refused with a NAK",
         [](auto& unit) { unit.NakRead(1); },
         read,
         Kind::Rejected,
         {},
         std::nullopt},
        {"read answered after the time-out",
         [](auto& unit) { unit.AnswerLate(kReadOnce, 1, 2s); },
         read,
         Kind::TimedOut,
         {},
         std::nullopt},
        {"write answered", {}, write, Kind::Ok, {}, 0x0102},
        {"write refused with a NAK",
         [](auto& unit) { unit.NakWrite(1); },
         write,
         Kind::Rejected,
         {},
         0x0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Line line;
        if (c.fault) c.fault(line.controller);
        line.Open();
        Heard heard;
        ASSERT_EQ(c.request(line.book, heard.Completion()), RequestResult::Sent);
        EXPECT_TRUE(line.book.Handle(line.Next()));
        EXPECT_EQ(HandOnTheRest(line), 0);
        ASSERT_EQ(heard.outcomes.size(), 1u);
        EXPECT_EQ(heard.outcomes[0].kind, c.kind);
        for (size_t i = 0; i < c.words.size(); ++i)
            EXPECT_EQ(heard.outcomes[0].values[i], c.words[i]) << i;
        if (c.stored) {
            EXPECT_EQ(line.controller.Word(kThird), *c.stored);
        }
    }
}

// The host hands answers on later than they come: each completion still gets its own
// request's words, not those of a request made after it (a later read's, or the value a
// later write carries).
TEST(RequestBookTest, RequestsWaitingInOneReceiverNeverCross) {
    Line line;
    line.Open();
    Heard first;
    Heard second;
    Heard third;
    ASSERT_EQ(line.book.ReadScalars(std::span(&kFirst, 1), first.Completion()),
              RequestResult::Sent);
    const PostedMessage firstAnswer = line.Next();
    ASSERT_EQ(line.book.ReadScalars(std::span(&kSecond, 1), second.Completion()),
              RequestResult::Sent);
    const PostedMessage secondAnswer = line.Next();
    ASSERT_EQ(line.book.WriteScalar(kThird, 0x0707, 2, third.Completion()), RequestResult::Sent);
    const PostedMessage thirdAnswer = line.Next();
    EXPECT_NE(firstAnswer.message, secondAnswer.message);

    for (const PostedMessage& answer : {firstAnswer, secondAnswer, thirdAnswer})
        EXPECT_TRUE(line.book.Handle(answer));
    ASSERT_EQ(first.outcomes.size(), 1u);
    ASSERT_EQ(second.outcomes.size(), 1u);
    ASSERT_EQ(third.outcomes.size(), 1u);
    EXPECT_EQ(first.outcomes[0].values[0], 0x1234);
    EXPECT_EQ(second.outcomes[0].values[0], 0x0042);
    EXPECT_TRUE(third.outcomes[0].ok());
}

// An answer to a request given up by CancelAll is dropped, whether it was already waiting in
// the host's receiver or came after the cancel; the book goes on with new requests.
TEST(RequestBookTest, AnswersToCancelledRequestsAreDropped) {
    Line line;
    line.controller.AnswerLate(kReadOnce, 2, 150ms);  // within the time-out: a slow answer
    line.Open();
    Heard cancelled;
    ASSERT_EQ(line.book.ReadScalars(std::span(&kFirst, 1), cancelled.Completion()),
              RequestResult::Sent);
    const PostedMessage waiting = line.Next();
    ASSERT_EQ(line.book.ReadScalars(std::span(&kSecond, 1), cancelled.Completion()),
              RequestResult::Sent);
    line.book.CancelAll();
    const PostedMessage late = line.Next();
    EXPECT_FALSE(line.book.Handle(waiting));
    EXPECT_FALSE(line.book.Handle(late));
    EXPECT_TRUE(cancelled.outcomes.empty());

    Heard after;
    ASSERT_EQ(line.book.ReadScalars(std::span(&kSecond, 1), after.Completion()),
              RequestResult::Sent);
    EXPECT_TRUE(line.book.Handle(line.Next()));
    EXPECT_EQ(HandOnTheRest(line), 0);
    ASSERT_EQ(after.outcomes.size(), 1u);
    EXPECT_EQ(after.outcomes[0].values[0], 0x0042);
    EXPECT_TRUE(cancelled.outcomes.empty());
}

// A request the link does not send is forgotten at once: its completion never runs.
TEST(RequestBookTest, RefusedRequestsSayWhyAndNeverComplete) {
    const uint16_t eleven[11] = {};
    struct Case {
        const char* what;
        bool open;
        std::function<RequestResult(RequestBook&, RequestCompletion)> request;
        RequestResult result;
    };
    const Case cases[] = {
        {"eleven addresses", true,
         [&](RequestBook& book, RequestCompletion done) {
             return book.ReadScalars(eleven, std::move(done));
         },
         RequestResult::NotSent},
        {"a four-byte write", true,
         [](RequestBook& book, RequestCompletion done) {
             return book.WriteScalar(kThird, 1, 4, std::move(done));
         },
         RequestResult::UnwritableSize},
        {"a link that is not open", false,
         [](RequestBook& book, RequestCompletion done) {
             return book.ReadVariables(std::span(&kFirst, 1), std::move(done));
         },
         RequestResult::NotSent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Line line;
        if (c.open) line.Open();
        Heard heard;
        EXPECT_EQ(c.request(line.book, heard.Completion()), c.result);
        EXPECT_FALSE(line.book.reading());
        EXPECT_EQ(HandOnTheRest(line), 0);
        EXPECT_TRUE(heard.outcomes.empty());
    }
}

// A unit that streams: a continuous read of one address is answered with five sets, the
// word counting 1 to 5, 30 ms apart; a write is echoed and committed.
class StreamingUnit {
public:
    StreamingUnit()
        : unit_([this](const Bytes& request) -> std::vector<Bytes> {
              switch (request[0]) {
                  case kContinuousRead:
                      for (uint8_t set = 2; set <= 5; ++set)
                          unit_.sendLater(Reply(kContinuousRead, {0, set}), 30ms * (set - 1));
                      return {Reply(kContinuousRead, {0, 1})};
                  case kWrite:
                      return {request};
                  case kCommit:
                      return {Reply(kCommit, {1})};
                  default:
                      return {};
              }
          }) {}

    const std::string& path() const { return unit_.path(); }

private:
    ScriptedController unit_;
};

// A continuous read's completion hears every set with its own words until the read ends,
// however it ends; sets that were still on their way then are dropped.
TEST(RequestBookTest, AContinuousReadIsHeardSetBySetUntilItEnds) {
    struct Ender {
        const char* what;
        std::function<void(RequestBook&, Heard&)> end;
        size_t writesHeard;
    };
    const Ender enders[] = {
        {"stopped", [](RequestBook& book, Heard&) { book.StopReading(); }, 0},
        {"cancelled", [](RequestBook& book, Heard&) { book.CancelAll(); }, 0},
        {"replaced by a write",
         [](RequestBook& book, Heard& write) {
             ASSERT_EQ(book.WriteScalar(kThird, 9, 2, write.Completion()), RequestResult::Sent);
         },
         1},
    };
    for (const Ender& ender : enders) {
        SCOPED_TRACE(ender.what);
        StreamingUnit unit;
        auto host = std::make_shared<QueueReceiver>();
        CControllerProtocol link("request-book-test-log.txt");
        RequestBook book(link, host);
        ASSERT_EQ(link.Open(unit.path(), kTicks), 0);

        Heard sets;
        ASSERT_EQ(book.ReadVariables(std::span(&kFirst, 1), sets.Completion()),
                  RequestResult::Sent);
        EXPECT_TRUE(book.reading());
        std::vector<PostedMessage> arrived;
        while (arrived.size() < 5) {
            const auto message = host->wait(3s);
            ASSERT_TRUE(message.has_value());
            arrived.push_back(*message);
        }
        for (size_t i = 0; i < 3; ++i)
            EXPECT_TRUE(book.Handle(arrived[i]));

        Heard write;
        ender.end(book, write);
        EXPECT_FALSE(book.reading());
        for (size_t i = 3; i < arrived.size(); ++i)
            EXPECT_FALSE(book.Handle(arrived[i]));
        // The write's answer, however slow the machine, then anything that still comes.
        while (write.outcomes.size() < ender.writesHeard) {
            const auto message = host->wait(3s);
            ASSERT_TRUE(message.has_value());
            book.Handle(*message);
        }
        while (const auto message = host->wait(200ms))
            book.Handle(*message);

        ASSERT_EQ(sets.outcomes.size(), 3u);
        for (uint16_t set = 1; set <= 3; ++set) {
            EXPECT_TRUE(sets.outcomes[set - 1].ok());
            EXPECT_EQ(sets.outcomes[set - 1].values[0], set);
        }
        EXPECT_EQ(write.outcomes.size(), ender.writesHeard);
        link.Close();
    }
}

// A requester that reports by number (a whole-calibration transfer): whichever of its three
// numbers comes first completes it with its kind; the others, coming after, are dropped.
TEST(RequestBookTest, ARequesterThatReportsByNumberCompletesOnce) {
    struct Case {
        const char* what;
        uint32_t OutcomeNumbers::*first;
        Kind kind;
    };
    const Case cases[] = {
        {"done", &OutcomeNumbers::ok, Kind::Ok},
        {"failed", &OutcomeNumbers::failed, Kind::Rejected},
        {"aborted", &OutcomeNumbers::cancelled, Kind::Cancelled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Line line;
        Heard heard;
        const OutcomeNumbers numbers = line.book.Expect(heard.Completion());
        EXPECT_TRUE(line.book.waiting(numbers.failed));
        PostTo(line.book.receiver(), {numbers.*c.first, 0, 0});
        for (uint32_t number : {numbers.ok, numbers.failed, numbers.cancelled})
            PostTo(line.book.receiver(), {number, 0, 0});
        EXPECT_EQ(HandOnTheRest(line), 1);
        ASSERT_EQ(heard.outcomes.size(), 1u);
        EXPECT_EQ(heard.outcomes[0].kind, c.kind);
        EXPECT_FALSE(line.book.waiting(numbers.ok));
    }
}

}  // namespace
}  // namespace zvr
