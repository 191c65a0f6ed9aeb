// Adding, changing, renaming and deleting variables and scalars through the document's
// definition editor: the tables stay sorted with unique names, a rename keeps the definition
// where it is in memory, a variable's view item follows it, and every view hears each edit
// once, after it is made.
#include "viewlist/definition_editor.h"

#include <gtest/gtest.h>

#include "comm/data_server.h"

namespace zvr {
namespace {

using Table = DefinitionEdit::Table;
using Action = DefinitionEdit::Action;

// A view that notes each edit, with whether the name it goes by now is in the table already.
struct EditRecorder : DocumentView {
    explicit EditRecorder(CDataServer& document) : document(document) {}
    void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
    void OnDefinitionsEdited(const DefinitionEdit& edit) override {
        edits.push_back(edit);
        const std::string& now = edit.nameAfter();
        const bool present = edit.table == Table::Scalars
                                 ? document.definitions.scalars.find(now) != nullptr
                                 : document.definitions.variables.find(now) != nullptr;
        madeBeforeTold.push_back(now.empty() != present);
    }
    CDataServer& document;
    std::vector<int> hints;
    std::vector<DefinitionEdit> edits;
    std::vector<bool> madeBeforeTold;
};

std::vector<std::string> Names(const auto& table) {
    std::vector<std::string> names;
    for (const auto& entry : table.entries())
        names.push_back(entry->name);
    return names;
}

struct Document {
    Document() {
        auto& set = document.definitions;
        set.scalars.insert({.scaling = {'U', 2, 8}, .eepromAddress = 0x10, .name = "GAIN_P"});
        set.scalars.insert({.scaling = {'U', 2, 0}, .eepromAddress = 0x20, .name = "SET_SPEED"});
        set.variables.insert({.scaling = {'U', 2, 0}, .ramAddress = 0x100, .name = "engine_rpm"});
        set.variables.insert({.scaling = {'S', 2, 4}, .ramAddress = 0x102, .name = "n_error"});
        set.viewItems.add({.position = 3, .name = "engine_rpm"});
        document.AddView(&view);
    }
    ~Document() { document.RemoveView(&view); }

    CDataServer document;
    EditRecorder view{document};
};

TEST(DefinitionEditor, EditsKeepTheTablesInOrderAndAreAnnounced) {
    struct Case {
        const char* what;
        int (*edit)(DefinitionEditor&);
        int result;
        std::optional<DefinitionEdit> announced;
        std::vector<std::string> scalars;
        std::vector<std::string> variables;
        std::vector<std::string> viewItems = {"engine_rpm"};
    };
    const std::vector<std::string> scalars = {"GAIN_P", "SET_SPEED"};
    const std::vector<std::string> variables = {"engine_rpm", "n_error"};
    const Case cases[] = {
        {"add a scalar",
         [](DefinitionEditor& e) { return e.AddScalar({.eepromAddress = 0x30, .name = "IDLE"}); },
         0,
         DefinitionEdit{Table::Scalars, Action::Added, "IDLE", ""},
         {"GAIN_P", "IDLE", "SET_SPEED"},
         variables},
        {"add a scalar whose name is taken",
         [](DefinitionEditor& e) { return e.AddScalar({.name = "SET_SPEED"}); }, -1, std::nullopt,
         scalars, variables},
        {"rename a scalar",
         [](DefinitionEditor& e) { return e.RenameScalar("GAIN_P", "A_GAIN"); },
         0,
         DefinitionEdit{Table::Scalars, Action::Renamed, "GAIN_P", "A_GAIN"},
         {"A_GAIN", "SET_SPEED"},
         variables},
        {"rename a scalar to a name that is taken",
         [](DefinitionEditor& e) { return e.RenameScalar("GAIN_P", "SET_SPEED"); }, -1,
         std::nullopt, scalars, variables},
        {"rename a scalar that is not there",
         [](DefinitionEditor& e) { return e.RenameScalar("gain_p", "X"); }, -1, std::nullopt,
         scalars, variables},
        {"rename a scalar to its own name",
         [](DefinitionEditor& e) { return e.RenameScalar("GAIN_P", "GAIN_P"); }, 0, std::nullopt,
         scalars, variables},
        {"change a scalar's address",
         [](DefinitionEditor& e) {
             return e.ChangeScalar("SET_SPEED", {.eepromAddress = 0x22, .name = "SET_SPEED"});
         },
         0, DefinitionEdit{Table::Scalars, Action::Changed, "SET_SPEED", ""}, scalars, variables},
        {"delete a scalar",
         [](DefinitionEditor& e) { return e.DeleteScalar("GAIN_P"); },
         0,
         DefinitionEdit{Table::Scalars, Action::Deleted, "GAIN_P", ""},
         {"SET_SPEED"},
         variables},
        {"delete a scalar that is not there",
         [](DefinitionEditor& e) { return e.DeleteScalar("engine_rpm"); }, -1, std::nullopt,
         scalars, variables},
        {"add a variable",
         [](DefinitionEditor& e) { return e.AddVariable({.ramAddress = 0x104, .name = "m"}); },
         0,
         DefinitionEdit{Table::Variables, Action::Added, "m", ""},
         scalars,
         {"engine_rpm", "m", "n_error"}},
        {"rename a variable on the view list",
         [](DefinitionEditor& e) { return e.RenameVariable("engine_rpm", "speed"); },
         0,
         DefinitionEdit{Table::Variables, Action::Renamed, "engine_rpm", "speed"},
         scalars,
         {"n_error", "speed"},
         {"speed"}},
        {"rename a variable to a name that is taken",
         [](DefinitionEditor& e) { return e.RenameVariable("n_error", "engine_rpm"); }, -1,
         std::nullopt, scalars, variables},
        {"delete a variable on the view list",
         [](DefinitionEditor& e) { return e.DeleteVariable("engine_rpm"); },
         0,
         DefinitionEdit{Table::Variables, Action::Deleted, "engine_rpm", ""},
         scalars,
         {"n_error"},
         {}},
        {"delete a variable that is not there",
         [](DefinitionEditor& e) { return e.DeleteVariable("GAIN_P"); }, -1, std::nullopt, scalars,
         variables},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Document d;
        DefinitionEditor editor(d.document);
        EXPECT_EQ(c.edit(editor), c.result);
        const auto& set = d.document.definitions;
        EXPECT_EQ(Names(set.scalars), c.scalars);
        EXPECT_EQ(Names(set.variables), c.variables);
        EXPECT_EQ(Names(set.viewItems), c.viewItems);
        if (c.announced) {
            EXPECT_EQ(d.view.edits, std::vector<DefinitionEdit>{*c.announced});
            EXPECT_EQ(d.view.madeBeforeTold, std::vector<bool>{true});
        } else {
            EXPECT_TRUE(d.view.edits.empty());
        }
        EXPECT_TRUE(d.view.hints.empty());  // the edit itself, not a bare hint, reaches a view
    }
}

TEST(DefinitionEditor, RenameKeepsTheDefinitionAndEveryOtherField) {
    Document d;
    DefinitionEditor editor(d.document);
    auto& set = d.document.definitions;
    const ScalarDef* gain = set.scalars.find("GAIN_P");
    const ViewItemDef* item = set.viewItems.find("engine_rpm");
    const VariableDef* rpm = set.variables.find("engine_rpm");
    ASSERT_EQ(editor.RenameScalar("GAIN_P", "Z_GAIN"), 0);
    ASSERT_EQ(editor.RenameVariable("engine_rpm", "rpm"), 0);
    // A holder of the old address reads the same definition under its new name.
    EXPECT_EQ(set.scalars.find("Z_GAIN"), gain);
    EXPECT_EQ(gain->eepromAddress, 0x10u);
    EXPECT_EQ(gain->scaling.binaryPoint, 8);
    EXPECT_EQ(set.variables.find("rpm"), rpm);
    EXPECT_EQ(set.viewItems.find("rpm"), item);
    EXPECT_EQ(item->position, 3);
}

TEST(DefinitionEditor, ViewsThatKeepNoDefinitionsHearTheBareHint) {
    struct HintOnly : DocumentView {
        void OnDocumentUpdate(int hint) override { hints.push_back(hint); }
        std::vector<int> hints;
    } view;
    Document d;
    d.document.AddView(&view);
    DefinitionEditor(d.document).DeleteVariable("n_error");
    EXPECT_EQ(view.hints, std::vector<int>{kHintDefinitionsEdited});
    d.document.RemoveView(&view);
}

TEST(DefinitionEdit, AHeldNameFollowsItsOwnTableOnly) {
    struct Case {
        DefinitionEdit edit;
        Table held;
        const char* name;
        const char* after;
    };
    const Case cases[] = {
        {{Table::Scalars, Action::Renamed, "GAIN_P", "P"}, Table::Scalars, "GAIN_P", "P"},
        {{Table::Scalars, Action::Renamed, "GAIN_P", "P"}, Table::Scalars, "OTHER", "OTHER"},
        {{Table::Scalars, Action::Renamed, "x", "y"}, Table::Variables, "x", "x"},
        {{Table::Variables, Action::Deleted, "x", ""}, Table::Variables, "x", ""},
        {{Table::Variables, Action::Changed, "x", ""}, Table::Variables, "x", "x"},
        {{Table::Variables, Action::Added, "x", ""}, Table::Variables, "x", "x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.edit.follow(c.held, c.name), c.after) << c.name;
    }
}

}  // namespace
}  // namespace zvr
