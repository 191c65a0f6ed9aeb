// The pure parts of the simulator's line: naming the strategy in the identification reply,
// cutting requests out of the byte stream, and the line faults.
#include <gtest/gtest.h>

#include "comm/controller_message.h"
#include "families/family_registry.h"
#include "identification.h"
#include "line_faults.h"
#include "request_framer.h"

namespace zvr::sim {
namespace {

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

TEST(IdentityTest, NamesThatALayoutCanSpellComeBackAsTheSameFileName) {
    struct Case {
        const char* name;
        bool zevar620;
        const char* model;
        const char* strategyText;
    };
    const Case cases[] = {
        {"ZVX41R03.000", false, "ZEVAR 740", "R03"},
        {"ZVX51A04.000", false, "ZEVAR 880", "A04"},
        {"KMS01K01.000", false, "KMS-2", "K01"},
        {"RRQ31E-5.000", false, "LPN 310", "E-5"},  // a negative revision prints "-5"
        {"Z99620G1.000", true, "ZEVAR 620", "G1"},
        {"Z07ABCDE.000", true, "ZEVAR 620", "DE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        const auto identity = Identity::ForFileName(c.name, c.zevar620, error);
        ASSERT_TRUE(identity) << error;
        // Read back the way the program reads it.
        const auto decoded = DecodeIdentification(identity->reply(true));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->strategyFileName, c.name);
        EXPECT_EQ(decoded->modelName, c.model);
        EXPECT_EQ(decoded->strategyText, c.strategyText);
        EXPECT_TRUE(decoded->accessOpen);
        EXPECT_FALSE(DecodeIdentification(identity->reply(false))->accessOpen);
    }
}

// Each family's shipped strategy, served in its family's layout, identifies as its model.
TEST(IdentityTest, EveryFamilysStrategyIdentifiesAsItsModel) {
    for (const ControllerModel& model : ControllerModels()) {
        if (model.kind == ModelKind::Unknown) continue;  // runs as another family
        SCOPED_TRACE(model.modelName);
        const std::string name = std::string(model.helpStrategy) + ".000";
        std::string error;
        const auto identity = Identity::ForFileName(name, model.identificationLayout == '0', error);
        ASSERT_TRUE(identity) << error;
        const auto decoded = DecodeIdentification(identity->reply(false));
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->strategyFileName, name);
        EXPECT_EQ(decoded->modelName, model.modelName);
    }
}

TEST(IdentityTest, NamesNoLayoutCanSpellAreRefused) {
    const std::pair<const char*, bool> cases[] = {
        {"DEMO740.000", false},    // eleven characters
        {"ZVX41R033.000", false},  // thirteen
        {"ZVX42R03.000", false},   // the fifth character must be '1'
        {"ZVX41RA3.000", false},   // the revision must be two digits
        {"ZVX41R03.001", false},
        {"ZVX41R03.000", true},  // the 620 layout needs digits in places 2 and 3
        {"", false},
    };
    for (const auto& [name, zevar620] : cases) {
        std::string error;
        EXPECT_FALSE(Identity::ForFileName(name, zevar620, error)) << name;
        EXPECT_FALSE(error.empty());
    }
}

class RequestFramerTest : public testing::Test {
protected:
    using Clock = RequestFramer::Clock;

    std::vector<RequestFramer::Event> feed(const Bytes& bytes, Clock::duration gap = 0ms) {
        std::vector<RequestFramer::Event> events;
        for (uint8_t byte : bytes) {
            now += gap;
            for (auto& event : framer.push(byte, now))
                events.push_back(std::move(event));
        }
        return events;
    }

    RequestFramer framer;
    Clock::time_point now{};
};

TEST_F(RequestFramerTest, CutsBackToBackRequestsAtTheirLengthBytes) {
    const Bytes read{0x03, 0x03, 0x00, 0x10, 0xEA};
    const Bytes stop{0x02, 0x02, 0x01, 0xFB};
    Bytes both = read;
    both.insert(both.end(), stop.begin(), stop.end());
    const auto events = feed(both, 1ms);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].frame, read);
    EXPECT_EQ(events[1].frame, stop);
    EXPECT_FALSE(framer.deadline());
}

TEST_F(RequestFramerTest, AnImpossibleStartGivesOneNakAndSkipsTheRestOfItsBytes) {
    // A read whose length byte says 4: the four bytes after it are not taken for requests.
    auto events = feed({0x03, 0x04, 0x03, 0x03, 0x00, 0x10});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].nak);
    // Once the line has been quiet, the next request is read normally.
    now += RequestFramer::kResyncQuiet;
    events = feed({0x07, 0x01, 0xF8});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].frame, (Bytes{0x07, 0x01, 0xF8}));
}

TEST_F(RequestFramerTest, AFrameLeftIncompleteIsDroppedWithANak) {
    EXPECT_TRUE(feed({0x03, 0x03, 0x00}).empty());
    ASSERT_TRUE(framer.deadline());
    EXPECT_TRUE(framer.idle(now + RequestFramer::kIncompleteLimit - 1ms).empty());
    const auto events = framer.idle(now + RequestFramer::kIncompleteLimit);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].nak);
    EXPECT_FALSE(framer.deadline());
}

TEST(LineFaultsTest, EachFaultShapesTheReplyItsOwnWay) {
    const Bytes reply{0x03, 0x03, 0x12, 0x34, 0xB4};
    struct Case {
        const char* name;
        std::vector<LineFaults::Piece> expected;
    };
    const Case cases[] = {
        {"nak", {{.bytes = {kNak}}}},
        {"checksum", {{.bytes = {0x03, 0x03, 0x12, 0x34, 0xB4 ^ 0x5A}}}},
        {"split",
         {{.bytes = {0x03, 0x03}}, {.after = LineFaults::kSplitGap, .bytes = {0x12, 0x34, 0xB4}}}},
        {"drop", {}},
        {"delay", {{.after = LineFaults::kLateBy, .bytes = reply}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineFaults faults(1);
        faults.setProbability(*LineFaultByName(c.name), 1);
        const auto pieces = faults.plan(reply);
        ASSERT_EQ(pieces.size(), c.expected.size());
        for (size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(pieces[i].after, c.expected[i].after);
            EXPECT_EQ(pieces[i].bytes, c.expected[i].bytes);
        }
    }
    LineFaults garbage(1);
    garbage.setProbability(LineFault::Garbage, 1);
    const auto pieces = garbage.plan(reply);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].bytes, reply);
    EXPECT_GE(pieces[1].bytes.size(), 1u);
    EXPECT_EQ(pieces[1].after, LineFaults::kGarbageGap);
    EXPECT_FALSE(LineFaultByName("noise"));
}

TEST(LineFaultsTest, TheSameSeedGivesTheSameFaultsAndACleanLineNone) {
    const Bytes reply{0x07, 0x02, 0x01, 0xF6};
    auto run = [&](uint32_t seed, double probability) {
        LineFaults faults(seed);
        faults.setProbability(LineFault::Drop, probability);
        std::string pattern;
        for (int i = 0; i < 200; ++i)
            pattern += faults.plan(reply).empty() ? 'x' : '.';
        return pattern;
    };
    EXPECT_EQ(run(42, 0.3), run(42, 0.3));
    EXPECT_NE(run(42, 0.3), run(43, 0.3));
    const std::string some = run(42, 0.3);
    const auto dropped = std::count(some.begin(), some.end(), 'x');
    EXPECT_GT(dropped, 30);
    EXPECT_LT(dropped, 90);
    EXPECT_EQ(run(42, 0).find('x'), std::string::npos);
}

}  // namespace
}  // namespace zvr::sim
