// The rows of the Parameter View.
#include "monitoring/live_rows.h"

#include <gtest/gtest.h>

#include "monitoring/reply_words.h"

namespace zvr {
namespace {

class LiveRowsTest : public testing::Test {
protected:
    void AddVariable(const std::string& name) {
        set.variables.insert(
            {.ramAddress = static_cast<uint32_t>(0x100 + set.variables.count()), .name = name});
    }
    void AddItem(const std::string& name, uint8_t position) {
        set.viewItems.append({.position = position, .name = name});
    }
    std::string Names() {
        std::string names;
        for (const LiveRow& row : BuildLiveRows(set))
            names += row.item->name + " ";
        return names;
    }
    DefinitionSet set;
};

TEST_F(LiveRowsTest, OrderedByPositionUnmatchedLeftOut) {
    AddVariable("a");
    AddVariable("b");
    AddVariable("c");
    AddItem("c", 2);
    AddItem("missing", 0);
    AddItem("a", 5);
    AddItem("b", 1);
    AddItem("A", 0);  // names compare case-sensitively
    EXPECT_EQ(Names(), "b c a ");
    const auto rows = BuildLiveRows(set);
    EXPECT_EQ(rows[0].variable, set.variables.find("b"));
}

TEST_F(LiveRowsTest, AtMostTenRows) {
    for (int i = 0; i < 11; ++i) {
        AddVariable("v" + std::to_string(i));
        AddItem("v" + std::to_string(i), static_cast<uint8_t>(10 - i));
    }
    const auto rows = BuildLiveRows(set);
    ASSERT_EQ(rows.size(), 10u);
    for (const LiveRow& row : rows)
        EXPECT_NE(row.item->name, "v10");
    EXPECT_EQ(rows.front().item->name, "v9");
}

TEST(ReplyWordsTest, OneByteItemsTakeTheHighByte) {
    EXPECT_EQ(RawFromWord(0x12AB, 1), 0x12u);
    EXPECT_EQ(RawFromWord(0x12AB, 2), 0x12ABu);
    EXPECT_EQ(RawFromWord(0x12AB, 4), 0x12ABu);
}

}  // namespace
}  // namespace zvr
