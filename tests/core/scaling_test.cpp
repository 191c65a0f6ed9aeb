#include "definitions/scaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/scripted_prompt.h"

namespace zvr {
namespace {

constexpr ScalingSpec S1{'S', 1, 0};
constexpr ScalingSpec S2{'S', 2, 0};
constexpr ScalingSpec S2bp8{'S', 2, 8};
constexpr ScalingSpec U1{'U', 1, 0};
constexpr ScalingSpec U2{'U', 2, 0};
constexpr ScalingSpec U2bp4{'U', 2, 4};
constexpr ScalingSpec U4{'U', 4, 0};
constexpr ScalingSpec S4{'S', 4, 0};

struct RawCase {
    ScalingSpec spec;
    uint32_t raw;
    double eng;
};

TEST(RawToEng, SignedUnsignedAndNegativeBinaryPoint) {
    const RawCase cases[] = {
        {S1, 0x80, -128},
        {S1, 0x7F, 127},
        {S1, 0xFF, -1},
        {S2bp8, 0xFF80, -0.5},
        {U2bp4, 0x0018, 1.5},
        {{'U', 2, -2}, 3, 12},
        {{'$', 2, 0}, 0xFFFF, 65535},
        {{'B', 1, 0}, 0xFF, 255},
        {S4, 0x80000000u, -2147483648.0},
        {U4, 0xFFFFFFFFu, 4294967295.0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RawToEng(c.raw, c.spec), c.eng) << c.spec.type << c.spec.size << " raw " << c.raw;
    }
}

struct EngCase {
    ScalingSpec spec;
    double eng;
    uint32_t raw;
};

TEST(EngToRaw, RoundsHalfUpAndWrapsNegativesIntoTheSize) {
    const EngCase cases[] = {
        {S2bp8, -0.5, 0xFF80},
        {U1, 2.5, 3},
        {U1, 2.49, 2},
        {S2, -1.5, 0xFFFF},
        {U1, -1, 0xFF},
        {S1, -128, 0x80},
        {U2bp4, 1.5, 0x18},
        {{'U', 2, -2}, 12, 3},
        {U4, 4294967295.0, 0xFFFFFFFFu},
        {S4, -1, 0xFFFFFFFFu},
        {S4, -2147483648.0, 0x80000000u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EngToRaw(c.eng, c.spec), c.raw) << c.spec.type << c.spec.size << " " << c.eng;
    }
}

// Typed values far outside a scaling must not reach an out-of-range float-to-integer
// conversion (undefined behaviour that UBSan reports); they saturate instead.
TEST(EngToRaw, SaturatesWhenTheScaledValueDoesNotFit32Bits) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(EngToRaw(1e20, U4), 0xFFFFFFFFu);
    EXPECT_EQ(EngToRaw(inf, U4), 0xFFFFFFFFu);
    EXPECT_EQ(EngToRaw(1e20, U2), 0xFFFFu);
    EXPECT_EQ(EngToRaw(-1e20, S4), 0x80000000u);
    EXPECT_EQ(EngToRaw(-inf, S4), 0x80000000u);
    EXPECT_EQ(EngToRaw(4294967295.6, U4), 0xFFFFFFFFu);
    EXPECT_EQ(EngToRaw(std::nan(""), U4), 0u);
    EXPECT_EQ(EngToRaw(1.0, {'U', 4, 127}), 0xFFFFFFFFu);
}

// Sizes outside 1, 2 and 4 come only from damaged files; they act as four bytes.
TEST(EngToRaw, UndefinedSizesActAsFourBytes) {
    for (int16_t size : {0, 3, -1, 300}) {
        ScalingSpec spec{'S', size, 0};
        EXPECT_EQ(EngToRaw(-1, spec), 0xFFFFFFFFu) << size;
        EXPECT_EQ(RawToEng(0xFFFFFFFFu, spec), -1) << size;
        EXPECT_EQ(CheckRange(0, spec), 0) << size;
    }
}

TEST(CheckRange, EdgesOfTheRepresentableRange) {
    struct Case {
        ScalingSpec spec;
        double value;
        int expected;
    };
    const Case cases[] = {
        {S1, 127.6, 1},   {S1, 127, 0},           {S1, -128, 0},         {S1, -128.1, -1},
        {U1, -1, -1},     {U1, 255, 0},           {U1, 256, 1},          {U2bp4, 4095.9375, 0},
        {U2bp4, 4096, 1}, {S4, -2147483648.0, 0}, {U4, 4294967296.0, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CheckRange(c.value, c.spec), c.expected) << c.spec.type << " " << c.value;
    }
    EXPECT_EQ(MaxEng(S2bp8), 127.99609375);
    EXPECT_EQ(MinEng(S2bp8), -128);
    EXPECT_EQ(MaxEng({'$', 1, 0}), 255);
    EXPECT_EQ(MinEng(U2), 0);
}

TEST(DecimalsForBinaryPoint, EveryBand) {
    const std::pair<int, int> table[] = {
        {-128, 0}, {0, 0},  {1, 1},  {3, 1},  {4, 2},   {6, 2},    {7, 3},  {9, 3},
        {10, 4},   {13, 4}, {14, 5}, {16, 5}, {17, 6},  {19, 6},   {20, 7}, {23, 7},
        {24, 8},   {26, 8}, {27, 9}, {29, 9}, {30, 10}, {127, 10},
    };
    for (auto [bp, decimals] : table) {
        EXPECT_EQ(DecimalsForBinaryPoint(static_cast<int8_t>(bp)), decimals) << bp;
    }
}

TEST(FormatValue, EachTypeWithAndWithoutUnits) {
    struct Case {
        uint32_t raw;
        ScalingSpec spec;
        const char* units;
        const char* text;
    };
    const Case cases[] = {
        {0x1A, {'$', 2, 0}, "NONE", "$001A"},     {0x1A, {'$', 2, 0}, "none", "$001A"},
        {0x1A, {'$', 2, 0}, "rpm", "$001Arpm"},   {0xABCDEF01u, {'$', 4, 0}, "", "$ABCDEF01"},
        {5, {'B', 1, 0}, "", "00000101"},         {0x1FF, {'B', 1, 0}, "", "111111111"},
        {0, {'B', 2, 0}, "", "0000000000000000"}, {0x18, U2bp4, "", "1.50"},
        {1000, U2, " rpm", "1000 rpm"},           {1000, U2, " ", "1000"},
        {0xFF80, S2bp8, "V", "-0.500V"},          {3, {'U', 2, -2}, "", "12"},
        {1, {'U', 4, 31}, "", "0.0000000005"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatValue(c.raw, c.spec, c.units), c.text) << c.text;
    }
}

TEST(FormatValue, UnknownTypeLetterReportsASeriousError) {
    test::SeriousErrorCapture capture;
    EXPECT_EQ(FormatValue(1, {'X', 2, 0}, "rpm"), "<ERROR>");
    ASSERT_EQ(capture.prompt.shown.size(), 1u);
    EXPECT_EQ(capture.prompt.shown[0].caption, "Serious Error");
    EXPECT_EQ(capture.prompt.shown[0].text, "Error in file BINPOINT, Line 391, Status = 0");
    EXPECT_EQ(capture.prompt.shown[0].buttons, PromptButtons::Ok);
}

TEST(FormatValue, CallerBufferIsNeverOverrun) {
    test::SeriousErrorCapture capture;
    char small[8];
    EXPECT_STREQ(FormatValue(5, {'B', 2, 0}, small, sizeof small, nullptr), "0000000");
    char buffer[128];
    EXPECT_STREQ(FormatValue(0x18, U2bp4, buffer, sizeof buffer, "NONE"), "1.50");
    EXPECT_STREQ(FormatValue(1, U2, nullptr, 0, nullptr), "<ERROR>");
    ASSERT_EQ(capture.prompt.texts(),
              std::vector<std::string>{"Error in file BINPOINT, Line 360, Status = 0"});
}

TEST(ParseValue, HexBinaryAndDecimalText) {
    struct Case {
        const char* text;
        ScalingSpec spec;
        double value;
    };
    const Case cases[] = {
        {"$1F", {'$', 2, 0}, 31},
        {"1F", {'$', 2, 4}, 31},  // the digits' integer, not divided by 2^bp
        {"$FFFFFFFF", {'$', 4, 0}, -1},
        {"$1FFFFFFFF", {'$', 4, 0}, -1},  // digits beyond 32 bits fall away
        {"$1f", {'$', 2, 0}, 31},
        {"0101", {'B', 1, 0}, 5},
        {"1x1", {'B', 1, 0}, 5},
        {"11111111111111111111111111111111", {'B', 4, 0}, -1},
        {"111111111111111111111111111111111111", {'B', 4, 0}, -1},
        {"12.5abc", S2, 12.5},
        {"  -3.25", S2, -3.25},
        {"+7", U2, 7},
        {".5", U2bp4, 0.5},
        {"1e3", U2, 1000},
        {"abc", U2, 0},
        {"", U2, 0},
        {"0x1F", U2, 0},
        {"nan", U2, 0},
        {"inf", U2, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseValue(c.text, c.spec), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseValue("1e999", U2), std::numeric_limits<double>::infinity());
}

TEST(ParseValue, UnknownTypeLetterReportsASeriousError) {
    test::SeriousErrorCapture capture;
    EXPECT_EQ(ParseValue("12", {'x', 2, 0}), 0.0);
    EXPECT_EQ(capture.prompt.texts(),
              std::vector<std::string>{"Error in file BINPOINT, Line 311, Status = 0"});
}

}  // namespace
}  // namespace zvr
