#include "setupdoc/view_setup_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "setupdoc/setup_node.h"
#include "support/sample_definitions.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

using test::ScriptedPrompt;

ViewItemDef Item(std::string name, ScalingSpec scaling, uint8_t position, uint8_t accessLevel = 0,
                 uint8_t listNumber = 0, uint8_t precision = 0) {
    return {.accessLevel = accessLevel,
            .listNumber = listNumber,
            .scaling = scaling,
            .position = position,
            .precision = precision,
            .name = std::move(name)};
}

std::vector<ViewItemDef> Entries(const ViewItems& items) {
    std::vector<ViewItemDef> entries;
    for (const auto& item : items.entries())
        entries.push_back(*item);
    return entries;
}

std::string Document(const std::string& elements) {
    return "  <?xml version=\"1.0\"?>\r\n  <ZVR VER=\"1.0\">\r\n  </ZVR>\r\n" + elements;
}

class ViewSetupFileTest : public testing::Test {
protected:
    ViewItems items;
    ScriptedPrompt prompt;
};

TEST_F(ViewSetupFileTest, SavesOneElementPerItemWithItsAttributesInOrder) {
    items.append(Item("engine_rpm", {'S', 4, -3}, 6, 1, 5, 2));
    items.append(Item("fuel", {'$', 1, 0}, 0));
    ASSERT_EQ(SaveViewSetupFile(items, "view.zvf", prompt), 0);
    EXPECT_EQ(test::ReadBytes("view.zvf"),
              Document("  <engine_rpm ACCESS_LEVEL=\"1\" PRECISION=\"2\" SCALING_BINPT=\"-3\" "
                       "SCALING_SZ=\"4\" SCALING_TYPE=\"83\" LIST_NUM=\"5\" VIEW_POS=\"6\">\r\n"
                       "  </engine_rpm>\r\n"
                       "  <fuel ACCESS_LEVEL=\"0\" PRECISION=\"0\" SCALING_BINPT=\"0\" "
                       "SCALING_SZ=\"1\" SCALING_TYPE=\"36\" LIST_NUM=\"0\" VIEW_POS=\"0\">\r\n"
                       "  </fuel>\r\n"));
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ViewSetupFileTest, SaveThenOpenGivesTheSameItems) {
    items.append(Item("a_unsigned", {'U', 2, 4}, 3, 7, 1, 2));
    items.append(Item("b_signed", {'S', 4, -8}, 0, 255, 255, 255));
    items.append(Item("c_binary", {'B', 1, 0}, 9));
    items.append(Item("d_hex", {'$', 2, 127}, 5));
    ASSERT_EQ(SaveViewSetupFile(items, "view.zvf", prompt), 0);

    ViewItems loaded;
    loaded.append(Item("replaced", {'U', 2, 0}, 1));
    ASSERT_EQ(OpenViewSetupFile("view.zvf", loaded, prompt), 0);
    EXPECT_EQ(Entries(loaded), Entries(items));
    EXPECT_TRUE(prompt.shown.empty());
}

// Positions and count are not checked on load, and the elements "ZVR" and "xml" are no items.
TEST_F(ViewSetupFileTest, OpenTakesTheItemsAsTheyAre) {
    std::string elements;
    for (int i = 0; i < 12; ++i) {
        elements += "<v" + std::to_string(i) + " VIEW_POS=\"3\"/>";
    }
    test::WriteBytes("many.zvf", "<?xml version=1.0?><ZVR VER=1.0/><xml/>" + elements +
                                     "<v0 VIEW_POS=\"4\"/><ZVR/>");
    ASSERT_EQ(OpenViewSetupFile("many.zvf", items, prompt), 0);
    ASSERT_EQ(items.count(), 13u);
    EXPECT_EQ(*items.entries()[11], Item("v11", {'S', 2, 0}, 3));
    EXPECT_EQ(*items.entries()[12], Item("v0", {'S', 2, 0}, 4));
}

TEST_F(ViewSetupFileTest, OpenReadsMissingAndOddAttributes) {
    struct Case {
        const char* element;
        ViewItemDef item;
    };
    const Case cases[] = {
        {"<a/>", Item("a", {'S', 2, 0}, 0)},
        {"<a SCALING_TYPE=\"85\" SCALING_SZ=\"1\" SCALING_BINPT=\"-2\"></a>",
         Item("a", {'U', 1, -2}, 0)},
        {"<a SCALING_TYPE=66 VIEW_POS=' 7'/>", Item("a", {'B', 2, 0}, 0)},
        {"<a SCALING_TYPE=\"66\" VIEW_POS=\" 7\"/>", Item("a", {'B', 2, 0}, 7)},
        {"<a ACCESS_LEVEL=\"-1\" LIST_NUM=\"300\" PRECISION=\"2x\"/>",
         Item("a", {'S', 2, 0}, 0, 255, 44, 2)},
        {"<a VIEW_POS=\"junk\" SCALING_SZ=\"\"/>", Item("a", {'S', 0, 0}, 0)},
    };
    for (const Case& c : cases) {
        test::WriteBytes("one.zvf", c.element);
        ViewItems loaded;
        ASSERT_EQ(OpenViewSetupFile("one.zvf", loaded, prompt), 0) << c.element;
        ASSERT_EQ(loaded.count(), 1u) << c.element;
        EXPECT_EQ(*loaded.entries()[0], c.item) << c.element;
    }
}

TEST_F(ViewSetupFileTest, OpenOfOnlyTheEmptyDocumentClearsTheList) {
    items.append(Item("gone", {'U', 2, 0}, 1));
    test::WriteBytes("empty.zvf", std::string(kEmptySetupDocument));
    ASSERT_EQ(OpenViewSetupFile("empty.zvf", items, prompt), 0);
    EXPECT_EQ(items.count(), 0u);
    EXPECT_TRUE(prompt.shown.empty());
}

TEST_F(ViewSetupFileTest, OpenFailuresShowTheirMessageAndKeepTheItems) {
    struct Case {
        const char* what;
        std::optional<std::string> bytes;
        const char* text;
        PromptIcon icon;
        PromptButtons buttons;
        int result;
    };
    const Case cases[] = {
        {"missing file", std::nullopt, "Could not open file for reading", PromptIcon::Warning,
         PromptButtons::OkCancel, -1},
        {"empty file", "", "There are no items saved in list or invalid file.", PromptIcon::Error,
         PromptButtons::Ok, -2},
        {"no element", "plain text <!-- only a comment -->",
         "There are no items saved in list or invalid file.", PromptIcon::Error, PromptButtons::Ok,
         -2},
        {"unterminated tag", "<v0 VIEW_POS=\"1\"",
         "There are no items saved in list or invalid file.", PromptIcon::Error, PromptButtons::Ok,
         -2},
    };
    items.append(Item("kept", {'U', 2, 0}, 1));
    const auto before = Entries(items);
    for (const Case& c : cases) {
        ScriptedPrompt casePrompt;
        if (c.bytes) test::WriteBytes("bad.zvf", *c.bytes);
        const std::string path = c.bytes ? "bad.zvf" : "missing.zvf";
        EXPECT_EQ(OpenViewSetupFile(path, items, casePrompt), c.result) << c.what;
        ASSERT_EQ(casePrompt.shown.size(), 1u) << c.what;
        EXPECT_EQ(casePrompt.shown[0].text, c.text) << c.what;
        EXPECT_EQ(casePrompt.shown[0].icon, c.icon) << c.what;
        EXPECT_EQ(casePrompt.shown[0].buttons, c.buttons) << c.what;
        EXPECT_EQ(Entries(items), before) << c.what;
    }
}

// Saving an empty list used to leave the chosen file empty; a file that held a setup keeps it.
TEST_F(ViewSetupFileTest, SaveWithNoItemsKeepsAnExistingFile) {
    test::WriteBytes("old.zvf", "old setup");
    EXPECT_EQ(SaveViewSetupFile(items, "old.zvf", prompt), -2);
    EXPECT_EQ(test::ReadBytes("old.zvf"), "old setup");
    ASSERT_EQ(prompt.texts(), std::vector<std::string>{"There are no item on list to save."});
    EXPECT_EQ(prompt.shown[0].icon, PromptIcon::Error);
}

TEST_F(ViewSetupFileTest, SaveWithNoItemsLeavesANewFileEmpty) {
    EXPECT_EQ(SaveViewSetupFile(items, "new.zvf", prompt), -2);
    EXPECT_TRUE(std::filesystem::exists("new.zvf"));
    EXPECT_EQ(test::ReadBytes("new.zvf"), "");
    EXPECT_EQ(prompt.texts(), std::vector<std::string>{"There are no item on list to save."});
}

TEST(ViewSetupFile, DialogsAndCaption) {
    const FileChoice save = ViewSetupFileChoice(FileChoiceMode::Save);
    EXPECT_EQ(save.title, "Choose or create a file to save the view setup to.");
    EXPECT_EQ(save.filter, "ZVR View Setup Files (*.zvf)|*.zvf||");
    EXPECT_EQ(save.defaultExtension, "*.zvf");
    const FileChoice open = ViewSetupFileChoice(FileChoiceMode::Open);
    EXPECT_EQ(open.mode, FileChoiceMode::Open);
    EXPECT_EQ(open.title, "Choose a file to open the view setup info.");
    EXPECT_EQ(open.filter, save.filter);
    EXPECT_EQ(ParameterListCaption("/home/tech/setups/pump.zvf"), "Parameter List : pump.zvf");
    EXPECT_EQ(ParameterListCaption("C:\\setups\\pump.zvf"), "Parameter List : pump.zvf");
    EXPECT_EQ(ParameterListCaption("pump.zvf"), "Parameter List : pump.zvf");
}

}  // namespace
}  // namespace zvr
