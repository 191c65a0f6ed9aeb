#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace zvr {

// The family registry: one ControllerModel record for each controller ZVR supports, holding
// everything that sets the family apart: how its strategy names, identification replies and
// cal file names are recognised, its demo, its menu and port dialog entries, its download
// check, its Change Calibration groups, its help strategy and what its calibration wizard
// needs. Every other part reads the family from here; only the wizard pages themselves (and
// the table that makes them, in wizard/wizard_families.cpp) live elsewhere, because they sit
// above everything else in the core. Plain data: this folder uses nothing of the rest.

// The controller family of a strategy, from the start of its strategy name. The numbers are
// those ZVR has always given the families.
enum class ModelKind : int {
    Unknown = 0,
    Zevar620 = 1,
    Zevar740 = 2,
    Lpn310 = 3,
    Zevar880 = 4,
    Zevar210 = 5,
    Kms2 = 6,
};

// The scalar groups Change Calibration offers for a family, and the title of the column that
// shows the controller's value. A scalar of menu group g belongs to the g-th group; the last
// group, "All Parameters", shows every scalar.
struct ScalarGroupTable {
    const char* valueTitle;
    std::span<const char* const> groups;
};

// What a family's calibration wizard needs to find in a strategy: its required-parameter list
// (the Welcome page refuses to go on at the first name missing, in this order), the
// fault-flag variable the Welcome page reads, and the scalars and live variables that later
// pages cannot do without (the stepper travel, the analog calibration readings). The strategy
// check and the wizard both read this, so that the two cannot disagree.
struct WizardRequirements {
    std::span<const std::string_view> requiredParameters;
    std::string_view faultVariable;
    std::span<const std::string_view> pageScalars;
    std::span<const std::string_view> pageVariables;
};

struct ControllerModel {
    // ---- Who it is
    // As the identification reply and the download check name it; empty for a model with no
    // identification of its own (the ZEVAR 760 answers as a ZEVAR 740).
    const char* modelName = "";
    // Unknown for a model whose strategy files are another family's (the ZEVAR 760).
    ModelKind kind = ModelKind::Unknown;

    // ---- Its strategy names
    // The start of its strategy names, compared case-sensitively; empty for none. Where two
    // prefixes match a name the longer one wins, so the ZEVAR 880 and 210 prefixes take their
    // names from the ZEVAR 740's, which is theirs but one letter.
    std::string_view strategyPrefix;
    // Byte 6 of its identification reply: '0' (the ZEVAR 620's layout) or '1'; 0 for none.
    char identificationLayout = 0;
    // The model a reply of its layout names when no prefix of that layout matches the strategy
    // file name (a layout '1' reply of an unknown name reads as an LPN 310).
    bool namesUnmatchedReplies = false;
    // Report headings take the model and strategy from a cal file's name: a name that starts
    // with the prefix, in either letter case, gives this model and its last this many
    // characters. 0: the file-name rule does not know this family (the ZEVAR 210 and KMS-2),
    // so a ZEVAR 210 file name reads as a ZEVAR 740.
    size_t fileNameStrategyLength = 0;
    // The menus' word for the product: "Change %s Calibration".
    const char* productWord = "ZEVAR";

    // ---- Its demo: the Configure menu entry and the port dialog button
    const char* demoKey = "";  // also the base name of its demo strategy file
    const char* menuText = "";
    const char* menuPrompt = "";  // the entry's status-bar prompt
    int menuCommand = 0;
    const char* buttonText = "";  // also the model's name on its help pages
    int buttonId = 0;

    // ---- Working with it
    // Asked (Yes aborts) when a cal file of this family goes into a controller of another model.
    const char* downloadQuestion = nullptr;
    // Its cal files must also carry the loaded strategy's name (ZEVAR 740 files).
    bool downloadChecksStrategy = false;
    // Change Calibration's groups; null: the ZEVAR governors' table.
    const ScalarGroupTable* scalarGroups = nullptr;
    // The shipped strategy (base name) its help pages are written from; null for none.
    const char* helpStrategy = nullptr;
    // The calibration wizard's sheet caption and needs; null when the family has no wizard.
    const char* wizardTitle = nullptr;
    const WizardRequirements* wizardNeeds = nullptr;
};

// Every model, in the order of the Configure menu and the port dialog's demo buttons.
std::span<const ControllerModel> ControllerModels();

// The model of a strategy name: the longest prefix the name starts with. Null for none.
const ControllerModel* ModelForStrategyName(std::string_view strategyName);
// The model of a kind; null for Unknown.
const ControllerModel* ModelForKind(ModelKind kind);
// The model whose demo key is exactly this name.
const ControllerModel* ModelForDemoKey(std::string_view key);
// The model an identification reply of this layout names for its strategy file name: the
// longest prefix of the layout's models that the name starts with, else the layout's model
// for unmatched replies. Null for a layout no model uses.
const ControllerModel* ModelForIdentification(char layout, std::string_view strategyFileName);
// The model the file-name rule gives a cal file's base name (its folder and extension gone):
// the longest prefix, in either letter case, of the models the rule knows. Null for none.
const ControllerModel* ModelForFileName(std::string_view baseName);

// Change Calibration's groups for a strategy name: its family's, else the ZEVAR governors'.
const ScalarGroupTable& GroupTableFor(std::string_view strategyName);
// The menus' product word for a strategy name: its family's, else "ZEVAR".
std::string ProductWord(std::string_view strategyName);
// The requirements of the wizard a strategy of this kind runs; null for an unknown kind.
const WizardRequirements* RequirementsFor(ModelKind kind);

}  // namespace zvr
