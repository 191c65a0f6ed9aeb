// Each controller family's rules as the program applies them: what a strategy name gives
// (model kind, the model an identification names, menus' product word, Change Calibration's
// groups, the wizard and what it needs), what a cal file's name gives for report headings,
// the demo keys with their menu entries and port dialog buttons, and the download checks.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "calibration/download_checks.h"
#include "comm/controller_message.h"
#include "connection/command_ids.h"
#include "connection/controller_model.h"
#include "definitions/model_kind.h"
#include "families/family_registry.h"
#include "monitoring/scalar_groups.h"
#include "strategy/strategy_check.h"
#include "support/scripted_prompt.h"
#include "wizard/wizard_families.h"

namespace zvr {
namespace {

// What the wizard of a family needs: its parameter list (count, first, last) and fault word.
struct Needs {
    size_t count = 0;
    const char* first = nullptr;
    const char* last = nullptr;
    const char* faultVariable = nullptr;
};

constexpr Needs k620{11, "OPTIONS", "SET_SPEED_WARMUP", "fault_flags"};
constexpr Needs k740{25, "FACTORY_SETTINGS", "OVERSPEED_RPM", "fault_flags1"};
constexpr Needs k880{29, "FACTORY_SETTINGS", "STEP_CAL", "fault_flags1"};
constexpr Needs k210{7, "PASSWORD", "OVERSPEED_PCNT", "fault_flags1"};
constexpr Needs k310{47, "FACTORY_SETTINGS", "LOSS_TIME", "fault_flags1"};
constexpr Needs kKms2{65, "A2D_NOISE_CNT", "VBAT_K", "fault_flags1"};
constexpr Needs kNone{};

// Change Calibration's group table: column title, number of entries, the fifth entry.
struct Groups {
    const char* title;
    size_t count;
    const char* fifth;
};

constexpr Groups kZevarGroups{"ZEVAR Value", 7, "Actuator Current Limiting"};
constexpr Groups k880Groups{"ZEVAR Value", 7, "Diagnostics Calibration"};
constexpr Groups kLpnGroups{"LPN Value", 7, "Engine Protection Switches"};
constexpr Groups kKms2Groups{"KMS2 Value", 6, "Autocrank/Glow Plug Calibration"};

TEST(FamilyRegistry, StrategyNamesGiveEachFamilysRules) {
    struct Case {
        const char* strategy;
        ModelKind kind;
        const char* identified;  // the model a layout '1' reply naming this file gives
        const char* productWord;
        Groups groups;
        const char* wizardTitle;  // nullptr: no wizard starts
        const char* demoCaption;  // the model name of the kind, as demo mode's caption shows it
        Needs needs;
    };
    const Case cases[] = {
        // The shipped strategies, one per family (the ZEVAR 760's runs as a ZEVAR 740).
        {"Z99620G1", ModelKind::Zevar620, "LPN 310", "ZEVAR", kZevarGroups,
         "ZEVAR 620 Calibration Wizard", "ZEVAR 620", k620},
        {"ZVX41R03", ModelKind::Zevar740, "ZEVAR 740", "ZEVAR", kZevarGroups,
         "ZEVAR 740 Calibration Wizard", "ZEVAR 740", k740},
        {"ZVX61S01", ModelKind::Zevar740, "ZEVAR 740", "ZEVAR", kZevarGroups,
         "ZEVAR 740 Calibration Wizard", "ZEVAR 740", k740},
        {"ZVX51A04", ModelKind::Zevar880, "ZEVAR 880", "ZEVAR", k880Groups,
         "ZEVAR 880 Calibration Wizard", "ZEVAR 880", k880},
        {"ZVX01B02", ModelKind::Zevar210, "ZEVAR 210", "ZEVAR", kZevarGroups,
         "ZEVAR 210 Calibration Wizard", "ZEVAR 210", k210},
        {"RRQ31E05", ModelKind::Lpn310, "LPN 310", "LPN", kLpnGroups, "ECM 310 Calibration Wizard",
         "LPN 310", k310},
        {"KMS01K01", ModelKind::Kms2, "KMS-2", "KMS-2", kKms2Groups, "KMS-2 Calibration Wizard",
         "KMS-2", kKms2},
        // Exactly the prefix is enough; the four-letter prefixes win over "ZVX".
        {"Z99", ModelKind::Zevar620, "LPN 310", "ZEVAR", kZevarGroups,
         "ZEVAR 620 Calibration Wizard", "ZEVAR 620", k620},
        {"ZVX", ModelKind::Zevar740, "ZEVAR 740", "ZEVAR", kZevarGroups,
         "ZEVAR 740 Calibration Wizard", "ZEVAR 740", k740},
        {"ZVX5", ModelKind::Zevar880, "ZEVAR 880", "ZEVAR", k880Groups,
         "ZEVAR 880 Calibration Wizard", "ZEVAR 880", k880},
        {"ZVX0", ModelKind::Zevar210, "ZEVAR 210", "ZEVAR", kZevarGroups,
         "ZEVAR 210 Calibration Wizard", "ZEVAR 210", k210},
        {"RRQ", ModelKind::Lpn310, "LPN 310", "LPN", kLpnGroups, "ECM 310 Calibration Wizard",
         "LPN 310", k310},
        {"KMS0", ModelKind::Kms2, "KMS-2", "KMS-2", kKms2Groups, "KMS-2 Calibration Wizard",
         "KMS-2", kKms2},
        // Case counts, and a name one letter short is nobody's: the ZEVAR defaults, no wizard,
        // and an identification names the LPN 310.
        {"zvx51a04", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
        {"kms01k01", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
        {"KMS1K01", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
        {"RR", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
        {"Z9", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
        {"DEMO740", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
        {"", ModelKind::Unknown, "LPN 310", "ZEVAR", kZevarGroups, nullptr, "", kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.strategy);
        EXPECT_EQ(ClassifyStrategyName(c.strategy), c.kind);
        EXPECT_EQ(ModelNameForStrategyFile(std::string(c.strategy) + ".000"), c.identified);
        EXPECT_EQ(ProductWord(c.strategy), c.productWord);
        EXPECT_EQ(ModelNameForKind(c.kind), c.demoCaption);

        const ScalarGroupTable& groups = GroupTableFor(c.strategy);
        EXPECT_STREQ(groups.valueTitle, c.groups.title);
        ASSERT_EQ(groups.groups.size(), c.groups.count);
        EXPECT_STREQ(groups.groups[4], c.groups.fifth);
        EXPECT_STREQ(groups.groups.back(), "All Parameters");

        const ControllerModel* wizard = WizardModelFor(c.strategy);
        if (c.wizardTitle == nullptr) {
            EXPECT_EQ(wizard, nullptr);
        } else {
            ASSERT_NE(wizard, nullptr);
            EXPECT_STREQ(wizard->wizardTitle, c.wizardTitle);
            EXPECT_EQ(wizard->kind, c.kind);
        }
        EXPECT_EQ(HasWizard(c.kind), c.wizardTitle != nullptr);
        EXPECT_EQ(static_cast<bool>(WizardSheetFor(c.strategy, "unused.000", "A1")),
                  c.wizardTitle != nullptr);

        const WizardRequirements* needs = RequirementsFor(c.kind);
        if (c.needs.first == nullptr) {
            EXPECT_EQ(needs, nullptr);
        } else {
            ASSERT_NE(needs, nullptr);
            ASSERT_EQ(needs->requiredParameters.size(), c.needs.count);
            EXPECT_EQ(needs->requiredParameters.front(), c.needs.first);
            EXPECT_EQ(needs->requiredParameters.back(), c.needs.last);
            EXPECT_EQ(needs->faultVariable, c.needs.faultVariable);
        }
    }
}

// Only the ZEVAR 880 needs the stepper's travel; the 740 and 880 need the analog readings.
TEST(FamilyRegistry, WizardsNeedTheirPagesScalarsAndVariables) {
    struct Case {
        ModelKind kind;
        std::vector<std::string_view> scalars;
        std::vector<std::string_view> variables;
    };
    const std::vector<std::string_view> analog = {"adc_app", "app_min", "app_range",
                                                  "switch_f_debounced"};
    const Case cases[] = {
        {ModelKind::Zevar620, {}, {}},
        {ModelKind::Zevar740, {}, analog},
        {ModelKind::Zevar880, {"STEP_MAX_STEP"}, analog},
        {ModelKind::Zevar210, {}, {}},
        {ModelKind::Lpn310, {}, {}},
        {ModelKind::Kms2, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        const WizardRequirements* needs = RequirementsFor(c.kind);
        ASSERT_NE(needs, nullptr);
        EXPECT_EQ(
            std::vector<std::string_view>(needs->pageScalars.begin(), needs->pageScalars.end()),
            c.scalars);
        EXPECT_EQ(
            std::vector<std::string_view>(needs->pageVariables.begin(), needs->pageVariables.end()),
            c.variables);
    }
    // The ZEVAR 880 asks for the ZEVAR 740's parameters first, in their order.
    const auto& zevar740 = RequirementsFor(ModelKind::Zevar740)->requiredParameters;
    const auto& zevar880 = RequirementsFor(ModelKind::Zevar880)->requiredParameters;
    ASSERT_GT(zevar880.size(), zevar740.size());
    EXPECT_TRUE(std::equal(zevar740.begin(), zevar740.end(), zevar880.begin()));
}

// A cal file's name gives its report heading's model and strategy: four families only, and
// letters of either case.
TEST(FamilyRegistry, FileNamesGiveReportHeadings) {
    struct Case {
        const char* path;
        const char* model;  // nullptr: the name gives nothing
        const char* strategy;
    };
    const Case cases[] = {
        {"Z99620G1.000", "ZEVAR 620", "G1"},   {"ZVX41R03.000", "ZEVAR 740", "R03"},
        {"ZVX61S01.000", "ZEVAR 740", "S01"},  {"ZVX51A04.000", "ZEVAR 880", "1A04"},
        {"ZVX01B02.000", "ZEVAR 740", "B02"},  {"RRQ31E05.000", "LPN 310", "E05"},
        {"KMS01K01.000", nullptr, nullptr},    {"z99620g1.zvr", "ZEVAR 620", "g1"},
        {"Zvx51a04.ZVR", "ZEVAR 880", "1a04"}, {"rRq31e05", "LPN 310", "e05"},
        {"kms01k01.zvr", nullptr, nullptr},    {"DEMO620.000", nullptr, nullptr},
        {"Z9.000", nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        FileNameModel model{"kept", "kept"};
        EXPECT_EQ(ModelFromFileName(c.path, model), c.model != nullptr);
        EXPECT_EQ(model.modelName, c.model ? c.model : "kept");
        EXPECT_EQ(model.strategy, c.strategy ? c.strategy : "kept");
    }
}

// The Configure menu's demo entries and the port dialog's demo buttons, in menu order.
TEST(FamilyRegistry, DemoKeysWithTheirMenuEntriesAndButtons) {
    struct Case {
        const char* demoKey;
        const char* menuText;
        int command;
        const char* buttonText;
        int buttonId;
        const char* modelName;
        ModelKind kind;
    };
    const Case cases[] = {
        {"DEMO880", "ZEVAR 880 DEMO", 32800, "ZEVAR 880", 1173, "ZEVAR 880", ModelKind::Zevar880},
        {"DEMO740", "ZEVAR 740 DEMO", 32797, "ZEVAR 740", 1172, "ZEVAR 740", ModelKind::Zevar740},
        {"DEMO760", "ZEVAR 760 DEMO", 32807, "ZEVAR 760", 1174, "", ModelKind::Unknown},
        {"DEMO620", "ZEVAR 620 DEMO", 32796, "ZEVAR 620", 1170, "ZEVAR 620", ModelKind::Zevar620},
        {"DEMO210", "ZEVAR 210 DEMO", 32814, "ZEVAR 210", 1175, "ZEVAR 210", ModelKind::Zevar210},
        {"DEMO310", "LPN 310 DEMO", 32798, "LPN 310", 1171, "LPN 310", ModelKind::Lpn310},
        {"DEMOKMS2", "KMS-2 DEMO", 32816, "KMS-2", 1176, "KMS-2", ModelKind::Kms2},
    };
    const auto& models = ControllerModels();
    ASSERT_EQ(models.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.demoKey);
        EXPECT_STREQ(models[i].demoKey, c.demoKey);
        const ControllerModel* model = ModelForDemoKey(c.demoKey);
        ASSERT_EQ(model, &models[i]);
        EXPECT_STREQ(model->menuText, c.menuText);
        EXPECT_EQ(model->menuCommand, c.command);
        EXPECT_STREQ(model->buttonText, c.buttonText);
        EXPECT_EQ(model->buttonId, c.buttonId);
        EXPECT_STREQ(model->modelName, c.modelName);
        EXPECT_EQ(model->kind, c.kind);
        EXPECT_TRUE(IsDemoKey(c.demoKey));
        EXPECT_EQ(ConfigureEntryFor(c.demoKey), c.command);
        EXPECT_EQ(PortDialogButtonFor(c.demoKey), c.buttonId);
    }
    // Demo keys are exact: another letter case or a key of no family is a custom port name.
    for (const char* name : {"demo740", "DEMO999", "DEMO74", "DEMO7400"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ModelForDemoKey(name), nullptr);
        EXPECT_EQ(ConfigureEntryFor(name), kCmdCustomPort);
        EXPECT_EQ(PortDialogButtonFor(name), kButtonCustom);
    }
}

// Before a download: a file of another family asks its family's question; the ZEVAR 740 alone
// also compares strategies; a file of no family always asks.
TEST(FamilyRegistry, DownloadChecksAskTheFilesFamilysQuestion) {
    const std::string unknown = kUnknownFamilyQuestion;
    const std::string otherStrategy = kOtherStrategyQuestion;
    struct Case {
        ModelKind fileKind;
        const char* controller;  // the connected controller's model name
        const char* fileStrategy;
        std::vector<std::string> asked;  // each answered No (go on)
    };
    const std::string q620 =
        "Error - This is a 620 series cal file. It does not match your controller. Abort Download?";
    const std::string q740 =
        "Error - This is a 740 series cal file. It does not match your controller. Abort Download?";
    const std::string q310 =
        "Error - This is a 310 series cal file. It does not match your controller.  Abort "
        "Download?";
    const std::string q880 =
        "Error - This is a 880 series cal file. It does not match your controller.  Abort "
        "Download?";
    const std::string q210 =
        "Error - This is a 210 series cal file. It does not match your controller.  Abort "
        "Download?";
    const std::string qKms2 =
        "Error - This is a KMS-2 series cal file. It does not match your controller.  Abort "
        "Download?";
    const Case cases[] = {
        {ModelKind::Zevar620, "ZEVAR 620", "OTHER", {}},
        {ModelKind::Zevar620, "ZEVAR 740", "SAME", {q620}},
        {ModelKind::Zevar740, "ZEVAR 740", "SAME", {}},
        {ModelKind::Zevar740, "ZEVAR 740", "OTHER", {otherStrategy}},
        {ModelKind::Zevar740, "ZEVAR 880", "OTHER", {q740, otherStrategy}},
        {ModelKind::Zevar740, "zevar 740", "SAME", {q740}},
        {ModelKind::Lpn310, "LPN 310", "OTHER", {}},
        {ModelKind::Lpn310, "KMS-2", "SAME", {q310}},
        {ModelKind::Zevar880, "ZEVAR 880", "OTHER", {}},
        {ModelKind::Zevar880, "ZEVAR 740", "OTHER", {q880}},
        {ModelKind::Zevar210, "ZEVAR 210", "OTHER", {}},
        {ModelKind::Zevar210, "ZEVAR 740", "SAME", {q210}},
        {ModelKind::Kms2, "KMS-2", "OTHER", {}},
        {ModelKind::Kms2, "LPN 310", "SAME", {qKms2}},
        {ModelKind::Unknown, "ZEVAR 740", "SAME", {unknown}},
        {ModelKind::Unknown, "", "SAME", {unknown}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.fileKind)) + " into " + c.controller);
        test::ScriptedPrompt prompt;
        prompt.answers = {PromptAnswer::No, PromptAnswer::No};
        EXPECT_TRUE(
            ConfirmDownloadTarget(c.fileKind, c.fileStrategy, c.controller, "SAME", prompt));
        EXPECT_EQ(prompt.texts(), c.asked);
        for (const std::string& question : c.asked)
            EXPECT_TRUE(IsDownloadTargetQuestion(question));

        // Yes to the first question abandons the download.
        if (!c.asked.empty()) {
            test::ScriptedPrompt abort;
            abort.answers = {PromptAnswer::Yes};
            EXPECT_FALSE(
                ConfirmDownloadTarget(c.fileKind, c.fileStrategy, c.controller, "SAME", abort));
            EXPECT_EQ(abort.texts().size(), 1u);
        }
    }
    EXPECT_FALSE(IsDownloadTargetQuestion(kPasswordDiffersQuestion));
    EXPECT_FALSE(IsDownloadTargetQuestion(q740.substr(1)));
}

// What a new record must get right, or some part of the program would quietly treat its
// family as another's or as none.
TEST(FamilyRegistry, EveryRecordIsWholeAndDistinct) {
    std::set<std::string_view> demoKeys, prefixes, menuTexts;
    std::set<int> commands, buttons;
    std::set<ModelKind> kinds;
    std::map<char, int> unmatchedNamers;
    for (const ControllerModel& model : ControllerModels()) {
        SCOPED_TRACE(model.demoKey);
        EXPECT_TRUE(demoKeys.insert(model.demoKey).second);
        EXPECT_TRUE(IsDemoKey(model.demoKey));
        EXPECT_GT(std::string_view(model.demoKey).size(), 4u);
        EXPECT_TRUE(menuTexts.insert(model.menuText).second);
        EXPECT_STRNE(model.menuPrompt, "");
        EXPECT_STRNE(model.buttonText, "");
        // One radio group with COM 1, COM 2 and Custom: 32793 to 32817, none of theirs.
        EXPECT_TRUE(commands.insert(model.menuCommand).second);
        EXPECT_GE(model.menuCommand, kCmdCom1);
        EXPECT_LE(model.menuCommand, 32817);
        EXPECT_NE(model.menuCommand, kCmdCom2);
        EXPECT_NE(model.menuCommand, kCmdCustomPort);
        EXPECT_TRUE(buttons.insert(model.buttonId).second);
        for (int taken : {kButtonCom1, kButtonCom2, kButtonCustom})
            EXPECT_NE(model.buttonId, taken);
        ASSERT_NE(model.helpStrategy, nullptr);

        if (model.strategyPrefix.empty()) {
            // A model that runs as another family: its strategies are that family's.
            EXPECT_EQ(model.kind, ModelKind::Unknown);
            EXPECT_NE(ModelForStrategyName(model.helpStrategy), nullptr);
            EXPECT_EQ(model.identificationLayout, 0);
            continue;
        }
        EXPECT_TRUE(prefixes.insert(model.strategyPrefix).second);
        EXPECT_NE(model.kind, ModelKind::Unknown);
        EXPECT_TRUE(kinds.insert(model.kind).second);
        EXPECT_EQ(ModelForKind(model.kind), &model);
        EXPECT_EQ(ModelForStrategyName(model.helpStrategy), &model);
        EXPECT_EQ(ModelForStrategyName(model.strategyPrefix), &model);
        EXPECT_STRNE(model.modelName, "");
        EXPECT_TRUE(model.identificationLayout == '0' || model.identificationLayout == '1');
        if (model.namesUnmatchedReplies) ++unmatchedNamers[model.identificationLayout];
        EXPECT_LE(model.fileNameStrategyLength, 8u);
        EXPECT_NE(model.downloadQuestion, nullptr);
        EXPECT_NE(model.scalarGroups, nullptr);
        // The wizard: its caption, its needs, and the sheet that the wizard folder makes.
        EXPECT_NE(model.wizardTitle, nullptr);
        ASSERT_NE(model.wizardNeeds, nullptr);
        EXPECT_FALSE(model.wizardNeeds->requiredParameters.empty());
        EXPECT_FALSE(model.wizardNeeds->faultVariable.empty());
        EXPECT_TRUE(HasWizard(model.kind));
    }
    // Each kind a strategy file can hold has its family.
    for (int kind = 1; kind <= static_cast<int>(ModelKind::Kms2); ++kind)
        EXPECT_TRUE(kinds.contains(static_cast<ModelKind>(kind))) << kind;
    // Every identification reply names one model: each layout has one for unknown names.
    EXPECT_EQ(unmatchedNamers, (std::map<char, int>{{'0', 1}, {'1', 1}}));
    EXPECT_FALSE(HasWizard(ModelKind::Unknown));
}

// Identification replies: each layout names its own families' models by the longest prefix,
// and a name no prefix of the layout claims goes to the layout's model for unknown names.
TEST(FamilyRegistry, IdentificationLayoutsNameTheirModels) {
    struct Case {
        char layout;
        const char* fileName;
        const char* model;  // nullptr: no model
    };
    const Case cases[] = {
        {'0', "Z99620G1.000", "ZEVAR 620"}, {'0', "A0799BCD.000", "ZEVAR 620"},
        {'0', "ZVX41R03.000", "ZEVAR 620"}, {'1', "ZVX41R03.000", "ZEVAR 740"},
        {'1', "ZVX51A04.000", "ZEVAR 880"}, {'1', "ZVX01B02.000", "ZEVAR 210"},
        {'1', "KMS01K01.000", "KMS-2"},     {'1', "RRQ31E05.000", "LPN 310"},
        {'1', "Z99620G1.000", "LPN 310"},   {'1', "zvx41r03.000", "LPN 310"},
        {'2', "ZVX41R03.000", nullptr},     {0, "ZVX41R03.000", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.layout) + " " + c.fileName);
        const ControllerModel* model = ModelForIdentification(c.layout, c.fileName);
        if (c.model == nullptr) {
            EXPECT_EQ(model, nullptr);
        } else {
            ASSERT_NE(model, nullptr);
            EXPECT_STREQ(model->modelName, c.model);
        }
    }
}

}  // namespace
}  // namespace zvr
