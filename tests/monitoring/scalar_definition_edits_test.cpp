// Change Calibration's engineering-mode edits of scalar definitions: Save Edit, Add As New
// and Delete keep the table sorted, its names unique, and say why they refuse.
#include "viewlist/scalar_definition_edits.h"

#include <gtest/gtest.h>

#include "support/scripted_prompt.h"

namespace zvr {
namespace {

// A gain with everything the form does not show set, and a second scalar whose name is taken.
struct Table {
    Table() {
        set.scalars.insert({.accessLevel = 2,
                            .scaling = {'U', 2, 0},
                            .eepromAddress = 0x10,
                            .fileRaw = 100,
                            .baseValid = 1,
                            .menuGroup = 3,
                            .name = "GAIN_P",
                            .units = "RPM",
                            .controllerRaw = 77});
        set.scalars.insert({.scaling = {'U', 1, 0}, .eepromAddress = 0x20, .name = "SET_SPEED"});
    }

    ScalarDef& gain() { return *set.scalars.find("GAIN_P"); }

    DefinitionSet set;
    test::ScriptedPrompt prompt;
};

class ScalarDefinitionEditsTest : public testing::Test, protected Table {};

TEST_F(ScalarDefinitionEditsTest, SaveEditRewritesOrRefusesTheDefinition) {
    struct Case {
        const char* what;
        void (*edit)(ScalarFields&);
        ScalarDefinitionEdit::Outcome outcome;
        std::vector<std::string> messages;
        const char* nameAfter;  // the scalar's name in the table afterwards
    };
    const Case cases[] = {
        {"unchanged", [](ScalarFields&) {}, ScalarDefinitionEdit::WriteNewValue, {}, "GAIN_P"},
        {"bad type",
         [](ScalarFields& f) { f.typeIndex = 0; },
         ScalarDefinitionEdit::WriteNewValue,
         {"Scaling type is invalid"},
         "GAIN_P"},
        {"bad size",
         [](ScalarFields& f) { f.sizeIndex = 0; },
         ScalarDefinitionEdit::WriteNewValue,
         {"Scaling size is invalid"},
         "GAIN_P"},
        {"new units",
         [](ScalarFields& f) { f.units = "%"; },
         ScalarDefinitionEdit::Rewritten,
         {},
         "GAIN_P"},
        {"new name",
         [](ScalarFields& f) { f.name = "A_GAIN"; },
         ScalarDefinitionEdit::Rewritten,
         {},
         "A_GAIN"},
        {"name taken",
         [](ScalarFields& f) { f.name = "SET_SPEED"; },
         ScalarDefinitionEdit::Refused,
         {"Invalid Data. Please correct"},
         "GAIN_P"},
        {"bad address",
         [](ScalarFields& f) { f.address = "zz"; },
         ScalarDefinitionEdit::Refused,
         {"Invalid Data. Please correct"},
         "GAIN_P"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Table fresh;
        ScalarFields fields = FieldsOf(fresh.gain());
        c.edit(fields);
        const ScalarDefinitionEdit edit =
            SaveScalarDefinition(fresh.set, fresh.gain(), fields, fresh.prompt);
        EXPECT_EQ(edit.outcome, c.outcome);
        EXPECT_EQ(fresh.prompt.texts(), c.messages);
        if (c.outcome == ScalarDefinitionEdit::Rewritten) {
            EXPECT_EQ(edit.name, c.nameAfter);
        }
        ASSERT_EQ(fresh.set.scalars.count(), 2u);
        const ScalarDef* after = fresh.set.scalars.find(c.nameAfter);
        ASSERT_NE(after, nullptr);
        EXPECT_NE(fresh.set.scalars.find("SET_SPEED"), nullptr);
        // What the form does not show survives a rewrite.
        EXPECT_EQ(after->accessLevel, 2);
        EXPECT_EQ(after->baseValid, 1);
        EXPECT_EQ(after->menuGroup, 3);
        EXPECT_EQ(after->controllerRaw, 77u);
        EXPECT_EQ(after->units, std::string(c.what) == "new units" ? "%" : "RPM");
    }
}

TEST_F(ScalarDefinitionEditsTest, AddAsNewNeedsReadableFieldsAndAUniqueName) {
    ScalarFields fields = FieldsOf(gain());
    fields.name = "IDLE_SPEED";
    EXPECT_EQ(AddScalarAsNew(set, fields, 5, prompt), std::optional<std::string>("IDLE_SPEED"));
    ASSERT_NE(set.scalars.find("IDLE_SPEED"), nullptr);
    EXPECT_EQ(set.scalars.find("IDLE_SPEED")->menuGroup, 5);
    EXPECT_TRUE(prompt.shown.empty());

    EXPECT_EQ(AddScalarAsNew(set, fields, 5, prompt), std::nullopt);
    fields.name = "OTHER";
    fields.binaryPoint = "x";
    EXPECT_EQ(AddScalarAsNew(set, fields, 5, prompt), std::nullopt);
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{"New Item name must be unique. Point NOT added",
                                        "Invalid Data. Point NOT Added"}));
    EXPECT_EQ(set.scalars.count(), 3u);
}

TEST_F(ScalarDefinitionEditsTest, DeleteAsksFirst) {
    prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(DeleteScalar(set, gain(), prompt));
    EXPECT_NE(set.scalars.find("GAIN_P"), nullptr);
    EXPECT_TRUE(DeleteScalar(set, gain(), prompt));
    EXPECT_EQ(set.scalars.find("GAIN_P"), nullptr);
    EXPECT_EQ(prompt.texts().back(), "Are you sure you want to delete this parameter?");
}

}  // namespace
}  // namespace zvr
