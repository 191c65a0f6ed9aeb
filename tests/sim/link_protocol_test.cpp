// The simulator on a real pseudo-terminal, checked byte for byte by a client that frames its
// requests itself.
#include <gtest/gtest.h>

#include <filesystem>

#include "sim_fixtures.h"

namespace zvr::sim::test {
namespace {

using namespace std::chrono_literals;

const Bytes kStop{0x02, 0x02, 0x01, 0xFB};
const Bytes kCommit{0x07, 0x01, 0xF8};
const Bytes kCommitAccepted{0x07, 0x02, 0x01, 0xF6};
const Bytes kCommitRefused{0x07, 0x02, 0x00, 0xF7};
const Bytes kNak{0x15};

class LinkProtocolTest : public testing::Test {
protected:
    void start(const std::string& strategy, SimOptions options = {}) {
        options.strategy = strategy;
        simulator = StartSimulator(options);
        client = std::make_unique<WireClient>(simulator->linkPath());
        ASSERT_TRUE(client->isOpen());
    }

    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<WireClient> client;
};

TEST_F(LinkProtocolTest, IdentificationSpellsTheStrategyFileInTheLayoutOfItsModel) {
    struct Case {
        std::string (*write)();
        Bytes request;
        Bytes reply;
    };
    const Case cases[] = {
        // Layout '1': "ZVX41R" then revision 3; PASSWORD 0x1234 given: access open.
        {Write740,
         {0x06, 0x03, 0x12, 0x34, 0xB1},
         {0x06, 0x0A, 'Z', 'V', 'X', '4', '1', 'R', 0x03, 0x00, 0x01, 0x2D}},
        // The wrong password code: access closed.
        {Write740,
         {0x06, 0x03, 0xBD, 0xEB, 0x4F},
         {0x06, 0x0A, 'Z', 'V', 'X', '4', '1', 'R', 0x03, 0x00, 0x00, 0x2E}},
        // Layout '0' for the 620: number 99, "0G1", '0', 'Z', "62"; no PASSWORD: open.
        {Write620,
         {0x06, 0x03, 0xBD, 0xEB, 0x4F},
         {0x06, 0x0A, 99, '0', 'G', '1', '0', 'Z', '6', '2', 0x01, 0xF2}},
    };
    for (const Case& c : cases) {
        start(c.write());
        EXPECT_EQ(client->ask(c.request, 12), c.reply);
        client.reset();
        simulator.reset();
    }
}

TEST_F(LinkProtocolTest, ReadOnceAnswersTheStoredWordsInAddressOrder) {
    start(Write740());
    // The example reply of a word 1234 hex; PASSWORD holds it.
    EXPECT_EQ(client->ask({0x03, 0x03, 0x40, 0x00, 0xBA}, 5),
              (Bytes{0x03, 0x03, 0x12, 0x34, 0xB4}));
    // SET_SPEED_1 (1500 = 05DC), then a one-byte item as the high byte of its word: STEP_MODE
    // 0 followed by STEP_CONFIG 131 (0x83).
    EXPECT_EQ(client->ask(WireClient::Read(0x03, {kSetSpeed1, kStepMode}), 7),
              WireClient::Frame(0x03, {0x05, 0xDC, 0x00, 0x83}));
    // No addresses: an empty reply.
    EXPECT_EQ(client->ask({0x03, 0x01, 0xFC}, 3), (Bytes{0x03, 0x01, 0xFC}));
}

TEST_F(LinkProtocolTest, WriteIsEchoedAndAppliedOnlyByACommitToAScalar) {
    start(Write740());
    const Bytes write = WireClient::Frame(0x04, {0x40, 0x20, 0x07, 0x08});  // SET_SPEED_1 1800
    EXPECT_EQ(client->ask(write, write.size()), write);
    // Until the commit the old value stays.
    EXPECT_EQ(client->ask(WireClient::Read(0x03, {kSetSpeed1}), 5),
              WireClient::Frame(0x03, {0x05, 0xDC}));
    // The read dropped the held write: this commit has nothing to apply.
    EXPECT_EQ(client->ask(kCommit, 4), kCommitRefused);

    EXPECT_EQ(client->ask(write, write.size()), write);
    EXPECT_EQ(client->ask(kCommit, 4), kCommitAccepted);
    EXPECT_EQ(client->ask(WireClient::Read(0x03, {kSetSpeed1}), 5),
              WireClient::Frame(0x03, {0x07, 0x08}));

    // A byte write to a diagnostic's stored flag word commits too.
    const Bytes clear = WireClient::Frame(0x04, {0x43, 0x00, 0x00});
    EXPECT_EQ(client->ask(clear, clear.size()), clear);
    EXPECT_EQ(client->ask(kCommit, 4), kCommitAccepted);
}

TEST_F(LinkProtocolTest, WriteToARamAddressIsEchoedButRefusedAtTheCommit) {
    start(Write740());
    for (const Bytes& write : {Bytes{0x04, 0x05, 0x01, 0x00, 0x12, 0x34, 0xB0},
                               Bytes{0x04, 0x04, 0x01, 0x00, 0x05, 0xF2}}) {
        EXPECT_EQ(client->ask(write, write.size()), write);
        EXPECT_EQ(client->ask(kCommit, 4), kCommitRefused);
    }
    EXPECT_EQ(client->ask(kCommit, 4), kCommitRefused);  // nothing held at all
}

TEST_F(LinkProtocolTest, ContinuousReadRepeatsUntilStopped) {
    start(Write740(), {.periodMs = 20});
    client->send(WireClient::Read(0x01, {kSetSpeed1, kEeFaults1}));
    const Bytes reply = WireClient::Frame(0x01, {0x05, 0xDC, 0x00, 0x00});
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(client->receive(reply.size()), reply) << "reply " << i;
    client->send(kStop);
    client->drain(60ms);  // a reply already on its way
    EXPECT_TRUE(client->drain(150ms).empty());
}

TEST_F(LinkProtocolTest, AnotherRequestEndsAContinuousRead) {
    start(Write740(), {.periodMs = 20});
    client->send(WireClient::Read(0x01, {kSetSpeed1}));
    ASSERT_EQ(client->receive(5).size(), 5u);
    client->send(WireClient::Read(0x03, {kPassword}));
    // Whatever streamed before the read, its reply comes last and nothing follows it.
    const Bytes tail = client->drain(150ms);
    ASSERT_GE(tail.size(), 5u);
    EXPECT_EQ(Bytes(tail.end() - 5, tail.end()), (Bytes{0x03, 0x03, 0x12, 0x34, 0xB4}));
}

TEST_F(LinkProtocolTest, BadRequestsGetOneNakEach) {
    start(Write740());
    const Bytes bad[] = {
        {0x03, 0x03, 0x40, 0x00, 0xBB},        // checksum off by one
        {0x05, 0x01, 0xFA},                    // type 5 is never a request
        {0x09},                                // nor is 9
        {0x03, 0x04, 0x40, 0x00, 0x00, 0xB9},  // an even length cannot hold whole addresses
        {0x04, 0x06, 0x40, 0x20, 0x00, 0x00, 0x00, 0x96},  // a write of three bytes
        {0x01, 0x17},                                      // eleven addresses
    };
    for (const Bytes& request : bad) {
        client->send(request);
        EXPECT_EQ(client->receive(1), kNak);
        EXPECT_TRUE(client->drain(60ms).empty()) << "more than one NAK";
    }
    // The line is back in step: a good request is answered.
    EXPECT_EQ(client->ask({0x03, 0x03, 0x40, 0x00, 0xBA}, 5),
              (Bytes{0x03, 0x03, 0x12, 0x34, 0xB4}));
}

TEST_F(LinkProtocolTest, StopAndCloseNoticeAreNotAnswered) {
    start(Write740());
    client->send(kStop);
    client->send({0x08, 0x01, 0xF7});
    EXPECT_TRUE(client->drain(100ms).empty());
}

TEST_F(LinkProtocolTest, EepromPersistsAcrossARestart) {
    const std::string strategy = Write740();
    const SimOptions options{.eeprom = "unit.eeprom"};
    start(strategy, options);
    const Bytes write = WireClient::Frame(0x04, {0x40, 0x20, 0x07, 0x08});
    ASSERT_EQ(client->ask(write, write.size()), write);
    ASSERT_EQ(client->ask(kCommit, 4), kCommitAccepted);
    client.reset();
    simulator.reset();
    EXPECT_EQ(std::filesystem::file_size("unit.eeprom"), 65536u);
    EXPECT_FALSE(std::filesystem::exists("unit.eeprom.tmp"));

    start(strategy, options);
    EXPECT_EQ(client->ask(WireClient::Read(0x03, {kSetSpeed1, kPassword}), 7),
              WireClient::Frame(0x03, {0x07, 0x08, 0x12, 0x34}));
}

TEST_F(LinkProtocolTest, PacedLinkTakesTheWireTimeOfBothMessages) {
    start(Write740(), {.baud = 9600});
    const auto sent = std::chrono::steady_clock::now();
    const Bytes reply = client->ask({0x03, 0x03, 0x40, 0x00, 0xBA}, 5);
    const auto took = std::chrono::steady_clock::now() - sent;
    EXPECT_EQ(reply, (Bytes{0x03, 0x03, 0x12, 0x34, 0xB4}));
    // Ten bytes at 10 bits each cannot cross a 9600 baud line faster than this.
    EXPECT_GE(took, 10 * 10'000'000ns / 9600 - 1ms);
}

}  // namespace
}  // namespace zvr::sim::test
