#include "plot/gain_tuning.h"

#include <gtest/gtest.h>

namespace zvr {
namespace {

constexpr ScalingSpec kGain{.type = 'U', .size = 2, .binaryPoint = 8};  // 0 .. 255.996
constexpr ScalingSpec kByteGain{.type = 'U', .size = 1, .binaryPoint = 4};

TEST(GainTuning, FindsTheGainsTheStrategyHas) {
    SortedTable<ScalarDef> scalars;
    scalars.insert({.eepromAddress = 0x40, .name = "DERIVATIVE_GAIN"});
    scalars.insert({.eepromAddress = 0x20, .name = "PROPORTIONAL_GAIN"});
    scalars.insert({.eepromAddress = 0x30, .name = "proportional_gain"});
    const GainNames names = FindGains(scalars);
    EXPECT_EQ(names, (GainNames{"PROPORTIONAL_GAIN", "", "DERIVATIVE_GAIN"}));
    EXPECT_EQ(GainAddresses(scalars, names), (std::vector<uint16_t>{0x20, 0x40}));
    EXPECT_EQ(FindGains(SortedTable<ScalarDef>{}), GainNames{});
    // A gain kept under a name the table no longer has is not read.
    EXPECT_EQ(GainAddresses(scalars, {"GONE", "", "DERIVATIVE_GAIN"}),
              (std::vector<uint16_t>{0x40}));
}

TEST(GainTuning, UpAndDownArrows) {
    struct Case {
        const char* shown;
        bool up;
        std::optional<std::string> result;
    };
    const Case cases[] = {
        {"1.000", true, "1.100"}, {"1.000", false, "0.900"}, {"0.000", false, "0.000"},
        {"0.000", true, "0.000"}, {"2.5", true, "2.750"},    {"-1.0", true, std::nullopt},
        {"junk", false, "0.000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepGainText(c.shown, c.up), c.result) << c.shown << (c.up ? " up" : " down");
}

TEST(GainTuning, WritesOnlyWhatTheScalingHolds) {
    EXPECT_EQ(GainRawForWrite("1.5", kGain), 384u);
    EXPECT_EQ(GainRawForWrite("0", kGain), 0u);
    EXPECT_EQ(GainRawForWrite("-0.1", kGain), std::nullopt);
    EXPECT_EQ(GainRawForWrite("256", kGain), std::nullopt);
    EXPECT_EQ(GainRawForWrite("15.9375", kByteGain), 255u);
    EXPECT_EQ(GainRawForWrite("16", kByteGain), std::nullopt);
}

TEST(GainTuning, AfterAWriteTheTextIsWhatTheScalingHolds) {
    EXPECT_EQ(RewriteGainText("1.100", kGain), "1.102");  // 282 / 256
    EXPECT_EQ(RewriteGainText("1.5", kGain), "1.500");
    EXPECT_EQ(RewriteGainText("1.03", kByteGain), "1.00");
}

TEST(GainTuning, OneByteItemsTakeTheHighByte) {
    EXPECT_EQ(RawFromWord(0x1234, kGain), 0x1234u);
    EXPECT_EQ(RawFromWord(0x1234, kByteGain), 0x12u);
}

}  // namespace
}  // namespace zvr
