// Change Calibration's engineering-mode edits of scalar definitions: Save Edit, Add As New
// and Delete keep the table sorted, its names unique, and say why they refuse.
#include "viewlist/scalar_definition_edits.h"

#include <gtest/gtest.h>

#include "comm/data_server.h"
#include "support/scripted_prompt.h"

namespace zvr {
namespace {

// What the document told its views.
struct EditRecorder : DocumentView {
    void OnDocumentUpdate(int) override {}
    void OnDefinitionsEdited(const DefinitionEdit& edit) override { edits.push_back(edit); }
    std::vector<DefinitionEdit> edits;
};

// A gain with everything the form does not show set, and a second scalar whose name is taken.
struct Table {
    Table() {
        auto& set = document.definitions;
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
        document.AddView(&view);
    }
    ~Table() { document.RemoveView(&view); }

    ScalarDef& gain() { return *document.definitions.scalars.find("GAIN_P"); }

    CDataServer document;
    DefinitionSet& set = document.definitions;
    test::ScriptedPrompt prompt;
    EditRecorder view;
};

class ScalarDefinitionEditsTest : public testing::Test, protected Table {};

TEST_F(ScalarDefinitionEditsTest, SaveEditRewritesOrRefusesTheDefinition) {
    struct Case {
        const char* what;
        void (*edit)(ScalarFields&);
        ScalarDefinitionEdit::Outcome outcome;
        std::vector<std::string> messages;
        const char* nameAfter;  // the scalar's name in the table afterwards
        std::optional<DefinitionEdit::Action> announced = std::nullopt;
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
         "GAIN_P",
         DefinitionEdit::Action::Changed},
        {"new name",
         [](ScalarFields& f) { f.name = "A_GAIN"; },
         ScalarDefinitionEdit::Rewritten,
         {},
         "A_GAIN",
         DefinitionEdit::Action::Renamed},
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
        const ScalarDef* before = &fresh.gain();
        const ScalarDefinitionEdit edit =
            SaveScalarDefinition(fresh.document, "GAIN_P", fields, fresh.prompt);
        EXPECT_EQ(edit.outcome, c.outcome);
        EXPECT_EQ(fresh.prompt.texts(), c.messages);
        if (c.outcome == ScalarDefinitionEdit::Rewritten) {
            EXPECT_EQ(edit.name, c.nameAfter);
        }
        ASSERT_EQ(fresh.set.scalars.count(), 2u);
        const ScalarDef* after = fresh.set.scalars.find(c.nameAfter);
        ASSERT_NE(after, nullptr);
        EXPECT_EQ(after, before);  // rewritten in place, renamed or not
        if (c.announced) {
            ASSERT_EQ(fresh.view.edits.size(), 1u);
            EXPECT_EQ(fresh.view.edits[0].action, *c.announced);
            EXPECT_EQ(fresh.view.edits[0].name, "GAIN_P");
            EXPECT_EQ(fresh.view.edits[0].nameAfter(), c.nameAfter);
        } else {
            EXPECT_TRUE(fresh.view.edits.empty());
        }
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
    EXPECT_EQ(AddScalarAsNew(document, fields, 5, prompt),
              std::optional<std::string>("IDLE_SPEED"));
    ASSERT_NE(set.scalars.find("IDLE_SPEED"), nullptr);
    EXPECT_EQ(set.scalars.find("IDLE_SPEED")->menuGroup, 5);
    EXPECT_TRUE(prompt.shown.empty());

    EXPECT_EQ(AddScalarAsNew(document, fields, 5, prompt), std::nullopt);
    fields.name = "OTHER";
    fields.binaryPoint = "x";
    EXPECT_EQ(AddScalarAsNew(document, fields, 5, prompt), std::nullopt);
    EXPECT_EQ(prompt.texts(),
              (std::vector<std::string>{"New Item name must be unique. Point NOT added",
                                        "Invalid Data. Point NOT Added"}));
    EXPECT_EQ(set.scalars.count(), 3u);
    ASSERT_EQ(view.edits.size(), 1u);  // only the one that was added
    EXPECT_EQ(view.edits[0].action, DefinitionEdit::Action::Added);
}

TEST_F(ScalarDefinitionEditsTest, DeleteAsksFirst) {
    prompt.answers = {PromptAnswer::No, PromptAnswer::Yes};
    EXPECT_FALSE(DeleteScalar(document, "GAIN_P", prompt));
    EXPECT_NE(set.scalars.find("GAIN_P"), nullptr);
    EXPECT_TRUE(view.edits.empty());
    EXPECT_TRUE(DeleteScalar(document, "GAIN_P", prompt));
    EXPECT_EQ(set.scalars.find("GAIN_P"), nullptr);
    EXPECT_EQ(prompt.texts().back(), "Are you sure you want to delete this parameter?");
    ASSERT_EQ(view.edits.size(), 1u);
    EXPECT_EQ(view.edits[0].action, DefinitionEdit::Action::Deleted);
    // Gone meanwhile (another window deleted it while the question was up): nothing to do.
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_FALSE(DeleteScalar(document, "GAIN_P", prompt));
}

}  // namespace
}  // namespace zvr
