#include "comm/controller_message.h"

#include <gtest/gtest.h>

namespace zvr {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(ControllerMessage, RequestsOnTheWire) {
    const uint16_t one[] = {0x0010};
    const uint16_t eleven[11] = {};
    EXPECT_EQ(StopRequest(), (Bytes{0x02, 0x02, 0x01, 0xFB}));
    EXPECT_EQ(*ReadRequest(kReadOnce, one), (Bytes{0x03, 0x03, 0x00, 0x10, 0xEA}));
    EXPECT_EQ(*ReadRequest(kContinuousRead, {}), (Bytes{0x01, 0x01, 0xFE}));
    EXPECT_EQ(*ReadRequest(kReadOnce, {}), (Bytes{0x03, 0x01, 0xFC}));
    EXPECT_FALSE(ReadRequest(kReadOnce, eleven));
    EXPECT_EQ(*WriteRequest(0x0100, 0x05, 1), (Bytes{0x04, 0x04, 0x01, 0x00, 0x05, 0xF2}));
    EXPECT_EQ(*WriteRequest(0x0100, 0x1234, 2), (Bytes{0x04, 0x05, 0x01, 0x00, 0x12, 0x34, 0xB0}));
    EXPECT_FALSE(WriteRequest(0x0100, 1, 4));
    EXPECT_FALSE(WriteRequest(0x0100, 1, 0));
    EXPECT_EQ(CommitRequest(), (Bytes{0x07, 0x01, 0xF8}));
    EXPECT_EQ(CloseNotice(), (Bytes{0x08, 0x01, 0xF7}));
    EXPECT_EQ(IdentifyRequest(0x1234), (Bytes{0x06, 0x03, 0x12, 0x34, 0xB1}));
}

TEST(ControllerMessage, ExpectedReplyLengths) {
    const uint16_t two[] = {1, 2};
    EXPECT_EQ(ExpectedReplyLength(*ReadRequest(kContinuousRead, two)), 7u);
    EXPECT_EQ(ExpectedReplyLength(*ReadRequest(kReadOnce, {})), 3u);
    EXPECT_EQ(ExpectedReplyLength(*WriteRequest(1, 2, 1)), 6u);
    EXPECT_EQ(ExpectedReplyLength(*WriteRequest(1, 2, 2)), 7u);
    EXPECT_EQ(ExpectedReplyLength(IdentifyRequest(0)), 12u);
    EXPECT_EQ(ExpectedReplyLength(CommitRequest()), 4u);
    EXPECT_EQ(ExpectedReplyLength(StopRequest()), 0u);
    EXPECT_EQ(ExpectedReplyLength(CloseNotice()), 0u);
}

TEST(ControllerMessage, ReadRepliesAreCheckedInOrder) {
    struct Case {
        const char* what;
        Bytes reply;
        bool valid;
    };
    const Case cases[] = {
        {"good", {0x03, 0x03, 0x12, 0x34, 0xB4}, true},
        {"NAK", {0x15}, false},
        {"other type", {0x01, 0x03, 0x12, 0x34, 0xB6}, false},
        {"wrong length byte", {0x03, 0x05, 0x12, 0x34, 0xB2}, false},
        {"wrong checksum", {0x03, 0x03, 0x12, 0x34, 0xB5}, false},
        {"cut short", {0x03, 0x03, 0x12}, false},
        {"empty", {}, false},
    };
    for (const auto& c : cases) {
        std::array<uint16_t, kMaxAddresses> words{};
        EXPECT_EQ(ValidReadReply(c.reply, kReadOnce, 1, words), c.valid) << c.what;
        EXPECT_EQ(words[0], c.valid ? 0x1234 : 0) << c.what;
    }
}

TEST(ControllerMessage, WriteEchoAndCommitReplies) {
    const Bytes request = *WriteRequest(0x0100, 0x05, 1);
    EXPECT_TRUE(ValidWriteEcho(request, request));
    Bytes changed = request;
    changed[4] = 0x06;
    changed[5] = Checksum({changed.data(), 5});
    EXPECT_FALSE(ValidWriteEcho(changed, request));
    EXPECT_FALSE(ValidWriteEcho(Bytes{0x15}, request));
    EXPECT_TRUE(ValidCommitReply(Bytes{0x07, 0x02, 0x01, 0xF6}));
    EXPECT_FALSE(ValidCommitReply(Bytes{0x07, 0x02, 0x00, 0xF7}));
    EXPECT_FALSE(ValidCommitReply(Bytes{0x07, 0x02, 0x01, 0xF7}));
    EXPECT_FALSE(ValidCommitReply(Bytes{0x15}));
}

Bytes IdentifyReply(Bytes elevenBytes) {
    elevenBytes.push_back(Checksum(elevenBytes));
    return elevenBytes;
}

TEST(ControllerMessage, IdentificationLayouts) {
    struct Case {
        Bytes reply;
        Identification expected;
    };
    const Case cases[] = {
        // Layout '1': six characters of the name, the revision as two digits.
        {IdentifyReply({6, 10, 'Z', 'V', 'X', 'A', '1', 'S', 7, 0, 0x01}),
         {"ZEVAR 740", "S07", "ZVXA1S07.000", true}},
        {IdentifyReply({6, 10, 'Z', 'V', 'X', '0', '1', 'B', 42, 0, 0x10}),
         {"ZEVAR 210", "B42", "ZVX01B42.000", false}},
        {IdentifyReply({6, 10, 'Z', 'V', 'X', '5', '1', 'C', 3, 0, 0x0F}),
         {"ZEVAR 880", "C03", "ZVX51C03.000", true}},
        {IdentifyReply({6, 10, 'K', 'M', 'S', '0', '1', 'D', 1, 0, 0x00}),
         {"KMS-2", "D01", "KMS01D01.000", false}},
        {IdentifyReply({6, 10, 'R', 'R', 'Q', '3', '1', 'E', 12, 0, 0x01}),
         {"LPN 310", "E12", "RRQ31E12.000", true}},
        // Layout '0', the ZEVAR 620: a strategy number that may be negative.
        {IdentifyReply({6, 10, 0xFB, 'A', 'B', 'C', '0', 'Z', '9', '9', 0x02}),
         {"ZEVAR 620", "BC", "Z-599ABC.000", true}},
        {IdentifyReply({6, 10, 7, 'A', 'B', 'C', '0', 'Z', '9', '9', 0x00}),
         {"ZEVAR 620", "BC", "Z0799ABC.000", false}},
    };
    for (const auto& c : cases) {
        const auto id = DecodeIdentification(c.reply);
        ASSERT_TRUE(id) << c.expected.strategyFileName;
        EXPECT_EQ(*id, c.expected);
    }
}

TEST(ControllerMessage, IdentificationRejections) {
    const Bytes good = IdentifyReply({6, 10, 'Z', 'V', 'X', 'A', '1', 'S', 7, 0, 1});
    Bytes eleven(good.begin(), good.end() - 1);
    Bytes thirteen = good;
    thirteen.push_back(0);
    Bytes badSum = good;
    badSum[11] ^= 1;
    const Bytes layout2 = IdentifyReply({6, 10, 'Z', 'V', 'X', 'A', '2', 'S', 7, 0, 1});
    for (const Bytes& reply : {eleven, thirteen, badSum, layout2, Bytes{0x15}}) {
        EXPECT_FALSE(DecodeIdentification(reply));
    }
}

// The checksum covers the bytes the reply's own length byte names and is compared with its
// last byte: a reply whose length byte is wrong fails unless its sum fits that length.
TEST(ControllerMessage, IdentificationChecksumFollowsTheLengthByte) {
    const Bytes body = {6, 10, 'Z', 'V', 'X', 'A', '1', 'S', 7, 0, 1};
    auto withLength = [&](uint8_t length, size_t summed) {
        Bytes reply = body;
        reply[1] = length;
        reply.push_back(Checksum({reply.data(), summed}));
        return reply;
    };
    struct Case {
        const char* what;
        Bytes reply;
        bool accepted;
    };
    const Case cases[] = {
        {"length 10, sum of 11 bytes", withLength(10, 11), true},
        {"length 9, sum of 11 bytes", withLength(9, 11), false},
        {"length 9, sum of the 10 bytes it names", withLength(9, 10), true},
        {"length 11 reaches the checksum itself", withLength(11, 11), false},
        {"length 255 reaches past the reply", withLength(255, 11), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DecodeIdentification(c.reply).has_value(), c.accepted) << c.what;
    }
}

TEST(ControllerMessage, TrafficLogLines) {
    EXPECT_EQ(TrafficLine("SEND", Bytes{0x03, 0x03, 0x00, 0x10, 0xEA}),
              " SEND 5 Bytes:  03 03 00 10 EA");
    EXPECT_EQ(TrafficLine("RECV", Bytes{0x15}), " RECV 1 Bytes:  15");
    EXPECT_EQ(TrafficLine("RECV", Bytes{}), " RECV 0 Bytes: ");
}

}  // namespace
}  // namespace zvr
