// The comment lines of the cal-file dialog, the comment editor's rules, and the text pieces
// of the reports.
#include "calibration/comment_list.h"

#include <gtest/gtest.h>

#include "calibration/report_text.h"

namespace zvr {
namespace {

using Lines = std::vector<std::string>;

OrderedTable<CommentDef> Comments(std::initializer_list<CommentDef> comments) {
    OrderedTable<CommentDef> table;
    for (const CommentDef& comment : comments)
        table.append(comment);
    return table;
}

TEST(CommentListLines, NumbersOnlyTheCommentsWithText) {
    EXPECT_EQ(CommentListLines(Comments({{0, ""}})), (Lines{"No Comments Found."}));
    EXPECT_EQ(CommentListLines(Comments({})), (Lines{"No Comments Found."}));
    EXPECT_EQ(CommentListLines(Comments({{0, "first"}, {3, ""}, {0, "second"}})),
              (Lines{" 1: first", " 2: second"}));

    OrderedTable<CommentDef> twelve;
    for (int i = 1; i <= 12; ++i)
        twelve.append({0, "c" + std::to_string(i)});
    const Lines lines = CommentListLines(twelve);
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], " 1: c1");
    EXPECT_EQ(lines[8], " 9: c9");
    EXPECT_EQ(lines[11], "12: c12");
}

class CommentEditorTest : public testing::Test {
protected:
    OrderedTable<CommentDef> table = Comments({{5, "one"}, {0, ""}, {2, "two"}, {0, "three"}});
    CommentEditorModel editor{table};
};

TEST_F(CommentEditorTest, StartsOnTheFirstCommentWithTextAndNothingPending) {
    EXPECT_EQ(editor.entries(), (Lines{"one", "two", "three"}));
    EXPECT_EQ(editor.selected(), 0u);
    EXPECT_EQ(editor.editText(), "one");
    EXPECT_FALSE(editor.editsPending());
    EXPECT_FALSE(editor.editButtonsEnabled());
}

TEST_F(CommentEditorTest, EnterAddsAPendingTextThenClosesWithOk) {
    editor.Edit("four");
    EXPECT_TRUE(editor.editButtonsEnabled());
    EXPECT_FALSE(editor.Enter());
    EXPECT_EQ(editor.entries().back(), "four");
    EXPECT_EQ(editor.editText(), "");
    EXPECT_TRUE(editor.Enter());
    editor.Apply(table);
    ASSERT_EQ(table.count(), 4u);
    for (const auto& comment : table.entries())
        EXPECT_EQ(comment->accessLevel, 0);  // whatever level it had
    EXPECT_EQ(table.entries()[3]->text, "four");
}

TEST_F(CommentEditorTest, EscapeDropsAPendingTextThenCloses) {
    editor.Edit("typo");
    EXPECT_FALSE(editor.Escape());
    EXPECT_EQ(editor.editText(), "");
    EXPECT_TRUE(editor.Escape());
    editor.Apply(table);
    EXPECT_EQ(table.count(), 3u);  // the empty comment is gone, nothing added
}

TEST_F(CommentEditorTest, SelectingAnotherEntryDropsTheEditAndSaysSo) {
    editor.Edit("changed");
    EXPECT_TRUE(editor.Select(2));
    EXPECT_EQ(editor.entries()[0], "one");
    EXPECT_EQ(editor.editText(), "three");
    EXPECT_FALSE(editor.Select(1));
}

TEST_F(CommentEditorTest, ASavedEditIsNotAddedAgain) {
    editor.Select(1);
    editor.Edit("TWO");
    editor.SaveEdit();
    EXPECT_FALSE(editor.editsPending());
    EXPECT_TRUE(editor.Enter());
    editor.Apply(table);
    ASSERT_EQ(table.count(), 3u);
    EXPECT_EQ(table.entries()[1]->text, "TWO");
}

TEST_F(CommentEditorTest, FunctionKeysWrapAround) {
    struct Step {
        bool next;
        std::optional<size_t> expected;
    };
    editor.Select(std::nullopt);
    EXPECT_TRUE(editor.SelectPrevious() == false && editor.selected() == 2u);  // none: last
    const Step steps[] = {{true, 0}, {true, 1}, {false, 0}, {false, 2}, {true, 0}};
    for (const Step& step : steps) {
        step.next ? editor.SelectNext() : editor.SelectPrevious();
        EXPECT_EQ(editor.selected(), step.expected);
    }
    editor.Select(std::nullopt);
    editor.SelectNext();
    EXPECT_EQ(editor.selected(), 0u);
}

TEST_F(CommentEditorTest, DeleteRemovesTheSelectedEntry) {
    editor.Select(1);
    editor.DeleteSelected();
    EXPECT_EQ(editor.entries(), (Lines{"one", "three"}));
    EXPECT_FALSE(editor.selected());
    editor.DeleteSelected();
    EXPECT_EQ(editor.entries().size(), 2u);
}

TEST(ReportText, DateLineIsEnglishWhateverTheLocale) {
    std::tm date{};
    date.tm_year = 2024 - 1900;
    date.tm_mon = 2;
    date.tm_mday = 5;
    date.tm_wday = 2;
    EXPECT_EQ(DateLine(date), "Tuesday, March 05, 2024\r\n");
}

TEST(ReportText, TypedTextGetsCrLfAndACutKeepsWholeLineEnds) {
    EXPECT_EQ(WithCrLf("a\nb\r\nc\rd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(CommentsBlock("ab\ncd", 3), "**Comments:\r\nab\r\n**End Comments**\r\n\r\n");
    EXPECT_EQ(CommentsBlock("abc", 2), "**Comments:\r\nab\r\n**End Comments**\r\n\r\n");
}

TEST(ReportText, SuggestedNamesLoseOnlyTheFileExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/cal/ZVX41R03.000", "/cal/ZVX41R03"},
        {"/cal.v2/unit", "/cal.v2/unit"},
        {"/cal/.hidden", "/cal/.hidden"},
        {"name.tar.ZVR", "name.tar"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(WithoutExtension(path), expected) << path;
}

}  // namespace
}  // namespace zvr
