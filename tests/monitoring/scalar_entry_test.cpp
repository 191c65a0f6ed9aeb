// Change Calibration's decisions: group tables, new values against the scaling's range, and
// the definition fields of engineering mode.
#include "monitoring/scalar_entry.h"

#include <gtest/gtest.h>

#include "monitoring/scalar_groups.h"

namespace zvr {
namespace {

TEST(ScalarGroupsTest, TablesByStrategyPrefix) {
    struct Case {
        const char* strategy;
        const char* title;
        size_t groups;
        const char* fifth;
    };
    const Case cases[] = {
        {"RRQ31E05", "LPN Value", 7, "Engine Protection Switches"},
        {"ZVX51A04", "ZEVAR Value", 7, "Diagnostics Calibration"},
        {"KMS01K01", "KMS2 Value", 6, "Autocrank/Glow Plug Calibration"},
        {"ZVX41R03", "ZEVAR Value", 7, "Actuator Current Limiting"},
        {"KMS1", "ZEVAR Value", 7, "Actuator Current Limiting"},
        {"RR", "ZEVAR Value", 7, "Actuator Current Limiting"},
    };
    for (const Case& c : cases) {
        const ScalarGroupTable& table = GroupTableFor(c.strategy);
        EXPECT_STREQ(table.valueTitle, c.title) << c.strategy;
        ASSERT_EQ(table.groups.size(), c.groups) << c.strategy;
        EXPECT_STREQ(table.groups[4], c.fifth) << c.strategy;
        EXPECT_STREQ(table.groups.back(), "All Parameters");
    }
}

TEST(ScalarGroupsTest, ScalarsOfAGroupAndOfAll) {
    DefinitionSet set;
    set.scalars.insert({.menuGroup = 2, .name = "B"});
    set.scalars.insert({.menuGroup = 1, .name = "A"});
    set.scalars.insert({.menuGroup = 2, .name = "C"});
    set.scalars.insert({.menuGroup = 0, .name = "D"});
    const ScalarGroupTable& table = GroupTableFor("ZVX41R03");
    auto names = [&](int filter) {
        std::string joined;
        for (const ScalarDef* s : ScalarsOfGroup(set, table, filter))
            joined += s->name;
        return joined;
    };
    EXPECT_EQ(names(0), "A");
    EXPECT_EQ(names(1), "BC");
    EXPECT_EQ(names(2), "");
    EXPECT_EQ(names(6), "ABCD");
}

TEST(NewValueTest, RangeOfTheScalingDecides) {
    struct Case {
        const char* text;
        ScalingSpec scaling;
        NewValueVerdict verdict;
        uint32_t raw;
    };
    const ScalingSpec u8{'U', 1, 0};
    const ScalingSpec s16bp8{'S', 2, 8};
    const ScalingSpec hex16{'$', 2, 0};
    const ScalingSpec bin8{'B', 1, 0};
    const ScalingSpec u16bp4{'U', 2, 4};
    const Case cases[] = {
        {"", u8, NewValueVerdict::Empty, 0},
        {"255", u8, NewValueVerdict::Accepted, 255},
        {"0", u8, NewValueVerdict::Accepted, 0},
        {"256", u8, NewValueVerdict::OutOfRange, 0},
        {"-1", u8, NewValueVerdict::OutOfRange, 0},
        {"abc", u8, NewValueVerdict::OutOfRange, 0},  // not a number: never written as 0
        {"12rpm", u8, NewValueVerdict::Accepted, 12},
        {"-0.5", s16bp8, NewValueVerdict::Accepted, 0xFF80},
        {"-128.00", s16bp8, NewValueVerdict::Accepted, 0x8000},
        {"-128.01", s16bp8, NewValueVerdict::OutOfRange, 0},
        {"4095.94", u16bp4, NewValueVerdict::Accepted, 0xFFFF},  // the Max text itself
        {"4095.95", u16bp4, NewValueVerdict::OutOfRange, 0},
        {"$FFFF", hex16, NewValueVerdict::Accepted, 0xFFFF},
        {"1f", hex16, NewValueVerdict::Accepted, 0x1F},
        {"$10000", hex16, NewValueVerdict::OutOfRange, 0},
        {"$1G", hex16, NewValueVerdict::OutOfRange, 0},
        {"00000101", bin8, NewValueVerdict::Accepted, 5},
        {"00000102", bin8, NewValueVerdict::OutOfRange, 0},
        {"111111111", bin8, NewValueVerdict::OutOfRange, 0},
    };
    for (const Case& c : cases) {
        const NewValueCheck check = CheckNewValue(c.text, c.scaling);
        EXPECT_EQ(check.verdict, c.verdict) << c.text;
        if (c.verdict == NewValueVerdict::Accepted) {
            EXPECT_EQ(check.raw, c.raw) << c.text;
        }
    }
}

TEST(NewValueTest, RangeTexts) {
    EXPECT_EQ(MaxValueText({'U', 1, 0}), "255");
    EXPECT_EQ(MinValueText({'U', 1, 0}), "0");
    EXPECT_EQ(MaxValueText({'S', 2, 8}), "127.996");
    EXPECT_EQ(MinValueText({'S', 2, 8}), "-128.000");
    EXPECT_EQ(MaxValueText({'$', 2, 0}), "$FFFF");
    EXPECT_EQ(UnitsForDisplay("nOnE"), "");
    EXPECT_EQ(UnitsForDisplay("rpm"), "rpm");
}

TEST(ScalarDefinitionTest, FieldsRoundTripAsTheSameDefinition) {
    const ScalarDef scalars[] = {
        {.scaling = {'U', 2, 8}, .eepromAddress = 0x4010, .fileRaw = 640, .name = "GAIN"},
        {.scaling = {'S', 1, 0},
         .eepromAddress = 0x12,
         .fileRaw = 0xFF,
         .name = "D",
         .units = "NONE"},
        {.scaling = {'$', 4, 0}, .eepromAddress = 0x1FE, .fileRaw = 0xDEADBEEF, .name = "P"},
        {.scaling = {'B', 1, 0},
         .eepromAddress = 0x40F0,
         .fileRaw = 5,
         .name = "E",
         .units = "none"},
    };
    for (const ScalarDef& scalar : scalars) {
        EXPECT_EQ(CompareDefinition(FieldsOf(scalar), scalar), DefinitionCompare::Same)
            << scalar.name;
    }
}

TEST(ScalarDefinitionTest, ChangedAndInvalidFields) {
    const ScalarDef scalar{.scaling = {'U', 2, 8},
                           .eepromAddress = 0x4010,
                           .fileRaw = 640,
                           .menuGroup = 1,
                           .name = "GAIN",
                           .units = "rpm"};
    struct Case {
        void (*edit)(ScalarFields&);
        DefinitionCompare result;
    };
    const Case cases[] = {
        {[](ScalarFields& f) { f.address = "4012"; }, DefinitionCompare::Changed},
        {[](ScalarFields& f) { f.units = "%"; }, DefinitionCompare::Changed},
        {[](ScalarFields& f) { f.binaryPoint = "7"; }, DefinitionCompare::Changed},
        {[](ScalarFields& f) { f.calFileValue = "2.75"; }, DefinitionCompare::Changed},
        {[](ScalarFields& f) { f.typeIndex = 0; }, DefinitionCompare::BadType},
        {[](ScalarFields& f) { f.sizeIndex = 0; }, DefinitionCompare::BadSize},
    };
    for (const Case& c : cases) {
        ScalarFields fields = FieldsOf(scalar);
        c.edit(fields);
        EXPECT_EQ(CompareDefinition(fields, scalar), c.result);
    }
}

TEST(ScalarDefinitionTest, BuildingADefinition) {
    ScalarFields fields{.address = "0x41A0",
                        .units = "sec",
                        .name = "NEW_TIME",
                        .typeIndex = 2,
                        .sizeIndex = 1,
                        .binaryPoint = "1",
                        .calFileValue = "-1.5",
                        .baseValue = "2"};
    const std::optional<ScalarDef> built = BuildScalarDef(fields, 3);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->eepromAddress, 0x41A0u);
    EXPECT_EQ(built->scaling, (ScalingSpec{'S', 1, 1}));
    EXPECT_EQ(built->fileRaw, 0xFDu);
    EXPECT_EQ(built->baseRaw, 4u);
    EXPECT_EQ(built->menuGroup, 3);
    EXPECT_EQ(built->maxRaw, 0u);

    for (auto edit :
         {+[](ScalarFields& f) { f.typeIndex = 0; }, +[](ScalarFields& f) { f.sizeIndex = 0; },
          +[](ScalarFields& f) { f.address = "zz"; },
          +[](ScalarFields& f) { f.binaryPoint = "x"; }}) {
        ScalarFields bad = fields;
        edit(bad);
        EXPECT_FALSE(BuildScalarDef(bad, 1));
    }
}

}  // namespace
}  // namespace zvr
