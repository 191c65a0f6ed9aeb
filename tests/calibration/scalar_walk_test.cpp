// The whole-calibration walk and the transfer that calibration wizards use, against a
// controller on a pseudo-terminal.
#include "calibration/scalar_walk.h"

#include "calibration/cal_transfer.h"
#include "calibration/restore_points.h"
#include "definitions/cal_file.h"
#include "support/calfile_fixture.h"

#include <algorithm>

namespace zvr {
namespace {

using namespace std::chrono_literals;
using test::Scalar;

// Records what a walk reports.
struct Recorder : ScalarWalkListener {
    std::vector<std::string> steps;
    std::vector<std::pair<std::string, uint32_t>> values;
    std::vector<WalkEnd> ends;
    std::vector<std::string> retries;

    void OnWalkStep(const ScalarDef& scalar, size_t, size_t) override {
        steps.push_back(scalar.name);
    }
    void OnWalkRetry(const ScalarDef& scalar, int attempt) override {
        retries.push_back(scalar.name + "#" + std::to_string(attempt));
    }
    void OnWalkValue(ScalarDef& scalar, uint32_t raw) override {
        values.emplace_back(scalar.name, raw);
    }
    void OnWalkEnd(const WalkEnd& end) override { ends.push_back(end); }
};

class ScalarWalkTest : public test::LinkFixture {
protected:
    void SetUp() override { Connect(); }

    void Run(CScalarWalk& walk) {
        Pump([&](const PostedMessage& m) { walk.Handle(m); }, [&] { return !walk.Running(); });
    }

    SortedTable<ScalarDef> table;
    Recorder recorder;
};

TEST_F(ScalarWalkTest, ReadsEveryScalarInNameOrderTakingTheHighByteOfOneByteScalars) {
    table.insert(Scalar("C_WORD", 2, 0x4010, 0));
    table.insert(Scalar("A_BYTE", 1, 0x4010, 0));  // the same word: its high byte
    table.insert(Scalar("B_LOW", 1, 0x4011, 0));   // the byte after it
    controller.SetWord(0x4010, 0x12AB);
    controller.SetByte(0x4012, 0x77);
    CScalarWalk walk(*document, receiver);
    ASSERT_EQ(walk.StartRead(table, recorder), 0);
    Run(walk);
    EXPECT_EQ(recorder.steps, (std::vector<std::string>{"A_BYTE", "B_LOW", "C_WORD"}));
    using V = std::vector<std::pair<std::string, uint32_t>>;
    EXPECT_EQ(recorder.values, (V{{"A_BYTE", 0x12}, {"B_LOW", 0xAB}, {"C_WORD", 0x12AB}}));
    ASSERT_EQ(recorder.ends.size(), 1u);
    EXPECT_FALSE(recorder.ends[0].failed);
    EXPECT_EQ(controller.Reads(), (std::vector<uint16_t>{0x4010, 0x4011, 0x4010}));
}

TEST_F(ScalarWalkTest, AFailedRequestIsTriedThreeMoreTimesOnASettledLineThenEndsTheWalk) {
    for (int i = 0; i < 10; ++i)
        table.insert(Scalar("S" + std::to_string(i), 2, 0x4000 + 2 * i, i));
    for (int i = 0; i < 10; ++i)
        controller.SetWord(static_cast<uint16_t>(0x4000 + 2 * i), static_cast<uint16_t>(100 + i));

    // One NAK: the read of S2 goes out again and the walk ends with every value.
    controller.NakRead(3);
    CScalarWalk walk(*document, receiver);
    walk.StartRead(table, recorder);
    Run(walk);
    ASSERT_EQ(recorder.ends.size(), 1u);
    EXPECT_FALSE(recorder.ends[0].failed);
    EXPECT_EQ(recorder.retries, (std::vector<std::string>{"S2#1"}));
    ASSERT_EQ(recorder.values.size(), 10u);
    EXPECT_EQ(recorder.values[2], (std::pair<std::string, uint32_t>{"S2", 102}));

    // A line that falls silent: four tries of S2, then the walk fails naming it.
    recorder = {};
    controller.NakRead(0);
    const size_t before = controller.link().requests().size();
    controller.FallSilentAt(5);  // the writes of S0 and S1 and their commits are answered
    walk.StartWrite(table, recorder);
    Run(walk);
    ASSERT_EQ(recorder.ends.size(), 1u);
    EXPECT_TRUE(recorder.ends[0].failed);
    EXPECT_EQ(recorder.ends[0].reason, kReplyTimedOut);
    EXPECT_EQ(recorder.ends[0].failedScalar->name, "S2");
    EXPECT_EQ(recorder.retries, (std::vector<std::string>{"S2#1", "S2#2", "S2#3"}));
    // Two writes with their commits, then the first write of S2 and its three retries.
    EXPECT_EQ(controller.link().requests().size() - before, 8u);
    EXPECT_FALSE(receiver->wait(400ms));
}

// The late-reply trial: a reply given up on (by an earlier request, or a run that was
// abandoned) lands just before the answer to one of the walk's reads. The walk must never end
// in success holding that stale word, at full speed or at 9600 baud.
TEST(ScalarWalkLateReply, AStaleReplyIsNeverTakenForAValue) {
    constexpr uint16_t kStale = 0x0023;
    constexpr size_t kCount = 12;
    for (const auto perByte : {std::chrono::microseconds(0), std::chrono::microseconds(1042)}) {
        for (const size_t landing : {size_t{1}, size_t{6}, kCount}) {
            SCOPED_TRACE("per byte " + std::to_string(perByte.count()) + " us, landing at read " +
                         std::to_string(landing));
            test::ScalarMemoryController controller(perByte);
            SortedTable<ScalarDef> table;
            for (size_t i = 0; i < kCount; ++i) {
                const auto address = static_cast<uint16_t>(0x4000 + 2 * i);
                table.insert(Scalar("S" + std::to_string(10 + i), 2, address, 0));
                controller.SetWord(address, static_cast<uint16_t>(1000 + i));
            }
            controller.LandLateReplyAt(landing, kStale);
            auto document = std::make_unique<CDataServer>();
            auto receiver = std::make_shared<QueueReceiver>();
            ASSERT_EQ(document->OpenPort(controller.path(), 10), 0);
            Recorder recorder;
            CScalarWalk walk(*document, receiver);
            walk.StartRead(table, recorder);
            while (walk.Running()) {
                auto message = receiver->wait(3s);
                ASSERT_TRUE(message);
                walk.Handle(*message);
            }
            ASSERT_EQ(recorder.ends.size(), 1u);
            if (recorder.ends[0].failed) {
                EXPECT_TRUE(recorder.values.empty());  // a failure is fine; a wrong value is not
                continue;
            }
            ASSERT_EQ(recorder.values.size(), kCount);
            for (size_t i = 0; i < kCount; ++i)
                EXPECT_EQ(recorder.values[i].second, 1000 + i) << recorder.values[i].first;
        }
    }
}

// Behind the link's wait for a quiet line, the walk's own guard: a reply later than that wait
// (here one given up on long before) is taken for a read and shifts the answers after it. The
// stray frame it leaves shows when the line next settles, and the walk reads again from its
// last proven point: the time-out before the shift, whose silence proved the answers before
// it. A retry inside the shifted stretch (a spoiled reply) proves nothing and does not move
// that point.
TEST(ScalarWalkLateReply, AShiftIsReadAgainFromTheLastProvenPointNotFromARetry) {
    constexpr size_t kCount = 12;
    test::ScalarMemoryController controller(std::chrono::microseconds(1042));  // 9600 baud
    SortedTable<ScalarDef> table;
    for (size_t i = 0; i < kCount; ++i) {
        const auto address = static_cast<uint16_t>(0x4000 + 2 * i);
        table.insert(Scalar("S" + std::to_string(10 + i), 2, address, 0));
        controller.SetWord(address, static_cast<uint16_t>(1000 + i));
    }
    // Read requests as the controller counts them: 1 S10; 2 S11, never answered; 3 S11 again;
    // 4 S12; 5 S13, whose reply a stale one precedes; ... 8 S16, its reply spoiled.
    controller.AnswerLate(kReadOnce, 2, std::chrono::hours(1));
    controller.LandLateReplyAt(5, 0x0023);
    controller.SpoilRead(8);
    CDataServer document;
    auto receiver = std::make_shared<QueueReceiver>();
    ASSERT_EQ(document.OpenPort(controller.path(), 10), 0);
    document.SetLateReplyWindow(50ms);
    Recorder recorder;
    CScalarWalk walk(document, receiver);
    walk.StartRead(table, recorder);
    while (walk.Running()) {
        auto message = receiver->wait(3s);
        ASSERT_TRUE(message);
        walk.Handle(*message);
    }
    ASSERT_EQ(recorder.ends.size(), 1u);
    ASSERT_FALSE(recorder.ends[0].failed);
    ASSERT_EQ(recorder.values.size(), kCount);
    for (size_t i = 0; i < kCount; ++i)
        EXPECT_EQ(recorder.values[i].second, 1000 + i) << recorder.values[i].first;
    // The walk went back to S11: S10 was proven by S11's time-out and never read again.
    const std::vector<uint16_t> reads = controller.Reads();
    const auto back = std::adjacent_find(reads.begin(), reads.end(), std::greater<>());
    ASSERT_NE(back, reads.end());
    EXPECT_EQ(*(back + 1), 0x4002);
    EXPECT_EQ(std::count(reads.begin(), reads.end(), 0x4000), 1);
    EXPECT_EQ(document.StrayCount(), 1u);
}

// Two faults in one walk, as a paced line meets them: a reply an earlier session gave up on
// lands after the port opened and shifts the answers by one; later the controller's
// transmitter stalls past the time-out, and the late-reply window swallows both the stalled
// reply and the extra one queued behind it. The walk is back in step with no stray frame left
// to show the shift, and the time-out's silence proves nothing: the walk reads the table again
// and hands over only two readings that agree.
TEST(ScalarWalkLateReply, AShiftSwallowedByALateReplyWindowIsCaughtByReadingAgain) {
    constexpr size_t kCount = 12;
    test::ScalarMemoryController controller;
    SortedTable<ScalarDef> table;
    for (size_t i = 0; i < kCount; ++i) {
        const auto address = static_cast<uint16_t>(0x4000 + 2 * i);
        table.insert(Scalar("S" + std::to_string(10 + i), 2, address, 0));
        controller.SetWord(address, static_cast<uint16_t>(1000 + i));
    }
    // Read requests as the controller counts them: 2 S11, preceded by a stale reply; 6 S15,
    // whose reply the stall holds 300 ms, past the link's 200 ms time-out of S16 (read 7).
    controller.LandLateReplyAt(2, 0x0023);
    controller.StallLate(kReadOnce, 6, 300ms);
    CDataServer document;
    auto receiver = std::make_shared<QueueReceiver>();
    ASSERT_EQ(document.OpenPort(controller.path(), 10), 0);
    Recorder recorder;
    CScalarWalk walk(document, receiver);
    walk.StartRead(table, recorder);
    while (walk.Running()) {
        auto message = receiver->wait(3s);
        ASSERT_TRUE(message);
        walk.Handle(*message);
    }
    ASSERT_EQ(recorder.ends.size(), 1u);
    ASSERT_FALSE(recorder.ends[0].failed);
    ASSERT_EQ(recorder.values.size(), kCount);
    for (size_t i = 0; i < kCount; ++i)
        EXPECT_EQ(recorder.values[i].second, 1000 + i) << recorder.values[i].first;
    // The stall came after the time-out: the window swallowed the stalled reply. (On a loaded
    // machine the time-out can stretch past the stall, and the extra reply then shows as a
    // stray frame instead; the walk must be right either way.)
    EXPECT_GE(document.LateReplyCount(), 1u);
    // The shifted reading, then the reading in step and the one that agreed with it.
    const std::vector<uint16_t> reads = controller.Reads();
    EXPECT_GE(std::count(reads.begin(), reads.end(), 0x4000), 3);
}

TEST_F(ScalarWalkTest, WritesEachScalarWithItsSizeAndNamesThoseOfFourBytes) {
    table.insert(Scalar("A_BYTE", 1, 0x4020, 0x5A));
    table.insert(Scalar("B_LONG", 4, 0x4022, 0x11223344));
    table.insert(Scalar("C_WORD", 2, 0x4026, 0xBEEF));
    controller.SetByte(0x4021, 0x99);
    CScalarWalk walk(*document, receiver);
    walk.StartWrite(table, recorder);
    Run(walk);
    ASSERT_EQ(recorder.ends.size(), 1u);
    EXPECT_FALSE(recorder.ends[0].failed);
    EXPECT_EQ(recorder.ends[0].notWritten, (std::vector<std::string>{"B_LONG"}));
    EXPECT_EQ(controller.Writes(), (std::vector<uint16_t>{0x4020, 0x4026}));
    EXPECT_EQ(controller.Byte(0x4020), 0x5A);
    EXPECT_EQ(controller.Byte(0x4021), 0x99);  // a one-byte write leaves its neighbour alone
    EXPECT_EQ(controller.Word(0x4026), 0xBEEF);
}

// Only a size the link cannot write is passed over: on a link that has closed under the walk
// (its device gone) the write fails rather than reporting every scalar as not written.
TEST_F(ScalarWalkTest, AWriteOnALinkThatHasClosedFails) {
    table.insert(Scalar("A_BYTE", 1, 0x4020, 0x5A));
    table.insert(Scalar("C_WORD", 2, 0x4026, 0xBEEF));
    document->Close();
    CScalarWalk walk(*document, receiver);
    walk.StartWrite(table, recorder);
    Run(walk);
    ASSERT_EQ(recorder.ends.size(), 1u);
    EXPECT_TRUE(recorder.ends[0].failed);
    EXPECT_TRUE(recorder.ends[0].notWritten.empty());
}

TEST_F(ScalarWalkTest, ALateAnswerAfterAStopIsIgnored) {
    table.insert(Scalar("A", 2, 0x4000, 0));
    table.insert(Scalar("B", 2, 0x4002, 0));
    CScalarWalk walk(*document, receiver);
    walk.StartRead(table, recorder);
    walk.Stop();
    auto late = receiver->wait(3s);
    ASSERT_TRUE(late);
    EXPECT_FALSE(walk.Handle(*late));
    EXPECT_TRUE(recorder.values.empty());
    EXPECT_TRUE(recorder.ends.empty());
    EXPECT_EQ(controller.Reads().size(), 1u);
}

TEST_F(ScalarWalkTest, AnEmptyTableStartsNothing) {
    CScalarWalk walk(*document, receiver);
    EXPECT_EQ(walk.StartRead(table, recorder), -1);
    EXPECT_EQ(walk.StartWrite(table, recorder), -1);
    EXPECT_FALSE(walk.Running());
    EXPECT_TRUE(recorder.steps.empty());
}

// Late replies at the program's own time-out, as a controller or adapter that stalls sends
// them: 3 to 5 seconds after the request, once or twice in one walk. The calibration wizard's
// whole read and write (the transfer) end with every value right, and no late reply is ever
// taken for an answer: each is counted as one, and its request goes out again once the line
// has been quiet. A late commit reply leaves the write to be confirmed by reading it back.
struct LateReply {
    uint8_t type;
    size_t nth;  // of that type, counted from 1
    std::chrono::milliseconds by;
};

struct LateCase {
    const char* name;
    WalkDirection direction;
    std::vector<LateReply> late;
    // Late replies the link must have counted; -1 for one at the time-out's very edge, which
    // may come in time or just after it.
    int counted;
    size_t extraReads;
    size_t extraWrites;
};

void PrintTo(const LateCase& c, std::ostream* os) { *os << c.name; }

constexpr size_t kTransferScalars = 10;

class TransferLateReplies : public testing::TestWithParam<LateCase> {};

TEST_P(TransferLateReplies, EveryValueIsRightAndNoLateReplyIsTakenForAnAnswer) {
    const LateCase& c = GetParam();
    constexpr size_t kCount = kTransferScalars;
    test::ScalarMemoryController controller;
    CDataServer link;
    auto receiver = std::make_shared<QueueReceiver>();
    test::ScriptedPrompt prompt;
    test::RecordingUi ui;
    CalTransfer transfer(link, receiver, prompt, ui);
    for (size_t i = 0; i < kCount; ++i) {
        const auto address = static_cast<uint16_t>(0x4000 + 2 * i);
        transfer.definitions().scalars.insert(
            Scalar("S" + std::to_string(10 + i), 2, address, 2000 + i));
        controller.SetWord(address, static_cast<uint16_t>(1000 + i));
    }
    for (const LateReply& late : c.late)
        controller.AnswerLate(late.type, late.nth, late.by);
    ASSERT_EQ(link.OpenPort(controller.path(), CDataServer::kTimeoutTicks), 0);
    const bool read = c.direction == WalkDirection::Read;
    const TransferNotify notify{receiver, 1101, 1102, 1103};
    ASSERT_EQ(read ? transfer.ReadAll(notify) : transfer.WriteAll(notify), 0);
    std::optional<PostedMessage> outcome;
    while (!outcome) {
        auto message = receiver->wait(20s);
        ASSERT_TRUE(message) << "the walk stalled";
        if (!transfer.Handle(*message) && message->message >= 1101) outcome = message;
    }
    EXPECT_EQ(*outcome, (PostedMessage{1101, 0, 0})) << prompt.texts().front();
    for (size_t i = 0; i < kCount; ++i) {
        const auto address = static_cast<uint16_t>(0x4000 + 2 * i);
        if (read) {
            EXPECT_EQ(transfer.definitions().scalars.entries()[i]->controllerRaw, 1000 + i) << i;
        } else {
            EXPECT_EQ(controller.Word(address), 2000 + i) << i;
        }
    }
    if (c.counted >= 0) {
        EXPECT_EQ(link.LateReplyCount(), static_cast<uint32_t>(c.counted));
        EXPECT_EQ(controller.Reads().size(), (read ? kCount : 0) + c.extraReads);
        EXPECT_EQ(controller.Writes().size(), (read ? 0 : kCount) + c.extraWrites);
    }
    EXPECT_EQ(link.StrayCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramTiming, TransferLateReplies,
    testing::Values(
        // A late reply since the walk's start makes it read the table a second time to confirm.
        LateCase{
            "ReadOnce", WalkDirection::Read, {{kReadOnce, 4, 4000ms}}, 1, 1 + kTransferScalars, 0},
        LateCase{"ReadTwice",
                 WalkDirection::Read,
                 {{kReadOnce, 3, 4000ms}, {kReadOnce, 8, 5000ms}},
                 2,
                 2 + kTransferScalars,
                 0},
        LateCase{"ReadAtTheTimeOutsEdge", WalkDirection::Read, {{kReadOnce, 5, 3000ms}}, -1, 0, 0},
        // The late echo's write goes out again; the late commit's is read back, found stored.
        LateCase{"WriteLateEchoAndLateCommit",
                 WalkDirection::Write,
                 {{kWrite, 2, 4000ms}, {kCommit, 6, 4500ms}},
                 2,
                 1,
                 1}),
    [](const testing::TestParamInfo<LateCase>& info) { return std::string(info.param.name); });

// The transfer dialog's walk: posts its outcome to the caller, shows its own progress.
class CalTransferTest : public test::LinkFixture {
protected:
    void SetUp() override { Connect(); }

    void Run() {
        // The walk's own answers arrive at the same receiver; a late one is no outcome.
        auto record = [&](const PostedMessage& m) {
            if (!transfer.Handle(m) && m.message >= 1101 && m.message <= 1103)
                outcomes.push_back(m);
        };
        Pump(record, [&] { return !transfer.running(); });
        while (auto m = receiver->wait(100ms))
            record(*m);
    }

    TransferNotify notify() { return {receiver, 1101, 1102, 1103}; }

    CalTransfer transfer{*document, receiver, prompt, ui};
    std::vector<PostedMessage> outcomes;
};

TEST_F(CalTransferTest, ReadsIntoControllerValuesAndWritesFileValuesBack) {
    transfer.definitions().scalars.insert(Scalar("GAIN", 1, 0x4030, 0));
    transfer.definitions().scalars.insert(Scalar("SPEED", 2, 0x4032, 0));
    controller.SetWord(0x4030, 0x0705);
    controller.SetWord(0x4032, 1500);
    ASSERT_EQ(transfer.ReadAll(notify()), 0);
    EXPECT_EQ(ui.progress.front().line1,
              "Reading Calibration Values from controller. Please wait.");
    EXPECT_EQ(ui.progress.front().position, 0);
    Run();
    EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1101, 0, 0}}));
    EXPECT_FALSE(ui.visible);
    auto& scalars = transfer.definitions().scalars;
    EXPECT_EQ(scalars.find("GAIN")->controllerRaw, 0x07u);
    EXPECT_EQ(scalars.find("SPEED")->controllerRaw, 1500u);

    transfer.CopyControllerToCal();
    scalars.find("SPEED")->fileRaw = 1800;
    outcomes.clear();
    ASSERT_EQ(transfer.WriteAll(notify()), 0);
    Run();
    EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1101, 0, 0}}));
    EXPECT_EQ(controller.Word(0x4032), 1800);
    EXPECT_EQ(controller.Byte(0x4030), 0x07);
    EXPECT_EQ(controller.Byte(0x4031), 0x05);
}

TEST_F(CalTransferTest, FailuresPostFailedAndAStoppedWriteSaysWhatTheControllerHolds) {
    transfer.definitions().scalars.insert(Scalar("A", 2, 0x4000, 1));
    transfer.definitions().scalars.insert(Scalar("B", 2, 0x4002, 2));
    controller.FallSilentAt(2);  // the read of A is answered
    transfer.ReadAll(notify());
    Run();
    EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1102, 0, 0}}));
    EXPECT_EQ(prompt.texts(), (std::vector<std::string>{"Cal Read Error. Operation Aborted"}));
    // The progress line said that B was tried again.
    EXPECT_TRUE(std::any_of(ui.progress.begin(), ui.progress.end(), [](const ProgressState& p) {
        return p.line2 == "B - no good answer, trying again (3 of 3)";
    }));

    outcomes.clear();
    prompt.shown.clear();
    controller.FallSilentAt(0);
    controller.FallSilentAt(3);  // the write of A and its commit are answered
    transfer.WriteAll(notify());
    Run();
    EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1102, 0, 0}}));
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{
                  "Cal Write Error. Operation Aborted\r\nThe download stopped at B. The controller "
                  "now holds some new and some old values. Running the download again will "
                  "finish it."}));
    EXPECT_EQ(controller.Word(0x4000), 1);
}

TEST_F(CalTransferTest, AbortPostsAbortedOnceAndDoneNever) {
    for (int i = 0; i < 5; ++i)
        transfer.definitions().scalars.insert(
            Scalar("S" + std::to_string(i), 2, 0x4000 + 2 * i, i));
    transfer.WriteAll(notify());
    ASSERT_TRUE(controller.link().waitForRequests(3));  // identify, then the first write
    transfer.Abort();
    transfer.Abort();
    Run();
    EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1103, 0, 0}}));
    EXPECT_EQ(controller.Writes().size(), 1u);
}

TEST_F(CalTransferTest, FourByteScalarsAreNamedBeforeDone) {
    transfer.definitions().scalars.insert(Scalar("HOURS", 4, 0x4040, 7));
    transfer.definitions().scalars.insert(Scalar("SPEED", 2, 0x4044, 9));
    transfer.WriteAll(notify());
    Run();
    EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1101, 0, 0}}));
    EXPECT_EQ(transfer.notWritten(), (std::vector<std::string>{"HOURS"}));
    ASSERT_EQ(prompt.shown.size(), 1u);
    EXPECT_NE(prompt.shown[0].text.find("HOURS"), std::string::npos);
    EXPECT_EQ(controller.Word(0x4044), 9);
}

// With a store of restore points, the write after a whole read keeps the read as a point and
// sends only what the controller may not hold: the values changed since the read, and those a
// write on the link may have changed since (another request's, one sharing a byte with it, the
// input's range the controller stores in its analog calibration). It reads back exactly what
// it sent; with nothing left to send it sends nothing and keeps no second point.
TEST_F(CalTransferTest, AfterAWholeReadOnlyWhatTheControllerMayNotHoldIsWritten) {
    struct Case {
        const char* name;
        uint16_t address;  // written on the link between the read and the write; 0 none
        int size;
        std::vector<uint16_t> writes;  // in name order
    };
    const Case cases[] = {
        {"nothing written since", 0, 0, {0x4000}},
        {"a value written by another request", 0x4002, 1, {0x4002, 0x4000}},
        {"a word over two one-byte values", 0x4002, 2, {0x4002, 0x4000, 0x4003}},
        {"the analog mode", 0x4004, 1, {0x4006, 0x4008, 0x4004, 0x4000}},
    };
    auto& scalars = transfer.definitions().scalars;
    scalars.insert(Scalar("SPEED", 2, 0x4000, 0));
    scalars.insert(Scalar("GAIN", 1, 0x4002, 0));
    scalars.insert(Scalar("TRIM", 1, 0x4003, 0));
    scalars.insert(Scalar("EXTERNAL_ANALOG_MODE", 1, 0x4004, 0));
    scalars.insert(Scalar("APP_MIN_CAL", 2, 0x4006, 0));
    scalars.insert(Scalar("APP_RANGE_CAL", 2, 0x4008, 0));
    RestorePoints store("points");
    transfer.setRestorePoints(&store);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (uint16_t address = 0x4000; address < 0x400A; address += 2)
            controller.SetWord(address, static_cast<uint16_t>(address - 0x3F00));
        outcomes.clear();
        ASSERT_EQ(transfer.ReadAll(notify()), 0);
        Run();
        ASSERT_EQ(outcomes, (std::vector<PostedMessage>{{1101, 0, 0}}));
        outcomes.clear();
        transfer.CopyControllerToCal();
        scalars.find("SPEED")->fileRaw = 1800;
        if (c.address != 0) {
            const uint16_t held = controller.Word(c.address);
            const uint16_t value = c.size == 1 ? held >> 8 : held;  // what it holds already
            ASSERT_EQ(document->RequestWriteScalar(c.address, value, c.size, receiver, 1201, 1202),
                      0);
            ASSERT_EQ(receiver->wait(3s), (PostedMessage{1201, 1, 0}));
        }
        const size_t writesBefore = controller.Writes().size();
        const size_t readsBefore = controller.Reads().size();
        const size_t pointsBefore = store.List().size();
        ASSERT_EQ(transfer.WriteAll(notify()), 0);
        Run();
        EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1101, 0, 0}}));
        const auto writes = controller.Writes();
        const auto reads = controller.Reads();
        EXPECT_EQ(std::vector<uint16_t>(writes.begin() + writesBefore, writes.end()), c.writes);
        EXPECT_EQ(std::vector<uint16_t>(reads.begin() + readsBefore, reads.end()), c.writes);
        EXPECT_EQ(controller.Word(0x4000), 1800);
        // The point keeps what the read found.
        ASSERT_EQ(store.List().size(), pointsBefore + 1);
        EXPECT_EQ(store.List().front().path, transfer.restorePoint());
        DefinitionSet point;
        ASSERT_EQ(LoadCalFile(point, transfer.restorePoint(), prompt), 0);
        EXPECT_EQ(point.scalars.find("SPEED")->fileRaw, 0x100u);

        // Everything is held now: nothing goes out, done comes, no point is added.
        outcomes.clear();
        ASSERT_EQ(transfer.WriteAll(notify()), 0);
        Run();
        EXPECT_EQ(outcomes, (std::vector<PostedMessage>{{1101, 0, 0}}));
        EXPECT_EQ(controller.Writes().size(), writes.size());
        EXPECT_EQ(store.List().size(), pointsBefore + 1);
    }
}

TEST_F(CalTransferTest, AnEmptyTablePostsNothing) {
    EXPECT_EQ(transfer.ReadAll(notify()), -1);
    EXPECT_EQ(transfer.WriteAll(notify()), -1);
    EXPECT_FALSE(receiver->wait(200ms));
    EXPECT_TRUE(ui.progress.empty());
}

}  // namespace
}  // namespace zvr
