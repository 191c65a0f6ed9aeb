#include <gtest/gtest.h>

#include "definitions/definition_set.h"

namespace zvr {
namespace {

ScalarDef Scalar(std::string name) {
    ScalarDef def;
    def.name = std::move(name);
    return def;
}

std::vector<std::string> Names(const SortedTable<ScalarDef>& table) {
    std::vector<std::string> names;
    for (const auto& def : table.entries())
        names.push_back(def->name);
    return names;
}

TEST(SortedTable, KeepsByteOrderWithUpperCaseFirst) {
    SortedTable<ScalarDef> scalars;
    for (const char* name : {"B", "A", "C", "a", "AB", "\xE9t\xE9"}) {
        EXPECT_EQ(scalars.insert(Scalar(name)), 0) << name;
    }
    EXPECT_EQ(Names(scalars), (std::vector<std::string>{"A", "AB", "B", "C", "a", "\xE9t\xE9"}));
}

TEST(SortedTable, RefusesASecondEntryOfOneName) {
    SortedTable<ScalarDef> scalars;
    ScalarDef first = Scalar("GAIN");
    first.fileRaw = 1;
    ASSERT_EQ(scalars.insert(first), 0);
    ScalarDef second = Scalar("GAIN");
    second.fileRaw = 2;
    EXPECT_EQ(scalars.insert(second), -1);
    ASSERT_EQ(scalars.count(), 1u);
    EXPECT_EQ(scalars.find("GAIN")->fileRaw, 1u);
}

TEST(SortedTable, FindIsExactAndCaseSensitive) {
    SortedTable<ScalarDef> scalars;
    scalars.insert(Scalar("PASSWORD"));
    scalars.insert(Scalar("PASSWORD_2"));
    EXPECT_EQ(scalars.find("password"), nullptr);
    EXPECT_EQ(scalars.find("PASS"), nullptr);
    ASSERT_NE(scalars.find("PASSWORD"), nullptr);
    EXPECT_EQ(scalars.find("PASSWORD")->name, "PASSWORD");
}

TEST(SortedTable, EntriesKeepTheirAddressWhileOthersAreInserted) {
    SortedTable<ScalarDef> scalars;
    scalars.insert(Scalar("M"));
    const ScalarDef* m = scalars.find("M");
    for (char c = 'A'; c <= 'Z'; ++c)
        scalars.insert(Scalar(std::string(1, c)));
    EXPECT_EQ(scalars.find("M"), m);
}

TEST(SortedTable, RemoveOnlyWhatBelongsToTheTable) {
    SortedTable<ScalarDef> scalars;
    SortedTable<ScalarDef> other;
    scalars.insert(Scalar("A"));
    other.insert(Scalar("A"));
    EXPECT_EQ(scalars.remove(other.find("A")), -1);
    EXPECT_EQ(scalars.remove(nullptr), -1);
    EXPECT_EQ(scalars.count(), 1u);
    EXPECT_EQ(scalars.remove(scalars.find("A")), 0);
    EXPECT_EQ(scalars.count(), 0u);
}

TEST(ViewItemTable, AddRefusesAFullListAndRepeatedNames) {
    ViewItemTable<ViewItemDef> items;
    for (int i = 0; i < 10; ++i) {
        ViewItemDef item;
        item.name = "v" + std::to_string(i);
        EXPECT_EQ(items.add(item), 0);
    }
    ViewItemDef eleventh;
    eleventh.name = "v10";
    EXPECT_EQ(items.add(eleventh), -2);

    items.remove(items.find("v3"));
    ViewItemDef repeated;
    repeated.name = "v0";
    EXPECT_EQ(items.add(repeated), -1);
    EXPECT_EQ(items.count(), 9u);
    EXPECT_EQ(items.add(eleventh), 0);
    EXPECT_EQ(items.entries().back()->name, "v10");
}

TEST(Definitions, ProtectedScalarsAreExactlyTwo) {
    EXPECT_FALSE(isWritableByUser(Scalar("E2BOOT")));
    EXPECT_FALSE(isWritableByUser(Scalar("EEPROM_ITEGRITY")));
    EXPECT_TRUE(isWritableByUser(Scalar("e2boot")));
    EXPECT_TRUE(isWritableByUser(Scalar("EEPROM_INTEGRITY")));
    EXPECT_TRUE(isWritableByUser(Scalar("PASSWORD")));
}

TEST(Definitions, ParseDefValueChecksOnlyTheScalingRange) {
    ScalarDef def = Scalar("LIMIT");
    def.scaling = {'U', 1, 0};
    def.maxRaw = 10;  // the scalar's own limits are not consulted
    uint32_t raw = 77;
    EXPECT_FALSE(parseDefValue(def, "300", raw));
    EXPECT_EQ(raw, 77u);
    EXPECT_FALSE(parseDefValue(def, "-1", raw));
    EXPECT_TRUE(parseDefValue(def, "255", raw));
    EXPECT_EQ(raw, 255u);
    def.scaling = {'$', 2, 0};  // read as a decimal number whatever the type letter
    EXPECT_TRUE(parseDefValue(def, "16rpm", raw));
    EXPECT_EQ(raw, 16u);
    EXPECT_FALSE(parseDefValue(def, "1e999", raw));
}

TEST(Definitions, SetCurrentValueChangesTheThreeRunTimeFields) {
    VariableDef def;
    def.scaling = {'S', 2, 8};
    def.units = "V";
    def.setCurrentValue(0xFF80);
    EXPECT_EQ(def.currentRaw, 0xFF80u);
    EXPECT_EQ(def.currentText, "-0.500");
    EXPECT_EQ(def.currentValue, -0.5);
    EXPECT_EQ(formatDefValue(def, 0x0180), "1.500");
}

}  // namespace
}  // namespace zvr

namespace zvr {
namespace {

TEST(SortedTable, RenameKeepsTheOrderAndTheAddress) {
    SortedTable<ScalarDef> scalars;
    for (const char* name : {"A", "C", "E"})
        scalars.insert(Scalar(name));
    const ScalarDef* a = scalars.find("A");
    EXPECT_EQ(scalars.rename(a, "D"), 0);
    EXPECT_EQ(Names(scalars), (std::vector<std::string>{"C", "D", "E"}));
    EXPECT_EQ(scalars.find("D"), a);
    EXPECT_EQ(scalars.rename(a, "E"), -1);  // taken
    EXPECT_EQ(scalars.find("D"), a);
    SortedTable<ScalarDef> other;
    other.insert(Scalar("X"));
    EXPECT_EQ(scalars.rename(other.find("X"), "Y"), -1);
}

}  // namespace
}  // namespace zvr
