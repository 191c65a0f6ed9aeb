#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "comm/controller_message.h"
#include "definitions/model_kind.h"

namespace zvr {

// One supported controller: how it is named, demonstrated, chosen and calibrated.
struct ControllerModel {
    const char* modelName;  // empty for the ZEVAR 760, which has no identification of its own
    const char* demoKey;    // also the base name of its demo strategy file
    const char* menuText;   // Configure menu entry
    int menuCommand;
    const char* buttonText;  // port dialog button
    int buttonId;
    ModelKind kind;  // Unknown for the ZEVAR 760
    const char* wizardTitle;
};

// In Configure menu order.
const std::array<ControllerModel, 7>& ControllerModels();

// The model whose demo key is exactly this name.
const ControllerModel* ModelForDemoKey(std::string_view key);
// "ZEVAR 620" ... "KMS-2" for kinds 1 to 6, empty otherwise.
std::string ModelNameForKind(ModelKind kind);

// A port name starting "DEMO" (case-sensitive) is a demo key.
bool IsDemoKey(std::string_view portName);
// The number a port name gives from its fourth character on ("COM3" 3); 0 when none.
int PortNumber(std::string_view portName);

// "KMS-2" for a "KMS0" strategy, "LPN" for "RRQ", "ZEVAR" otherwise.
std::string ProductWord(std::string_view strategyName);
// The menu text of a command, with its product word filled in where it has one.
std::optional<std::string> ProductMenuText(int command, std::string_view productWord);

// The Configure entry a port name marks: COM1, COM2, a demo key's entry, or Custom.
int ConfigureEntryFor(std::string_view portName);
// The port dialog button a port name selects: Com 1, Com 2, a demo button, or Custom.
int PortDialogButtonFor(std::string_view portName);
inline constexpr int kButtonCom1 = 1167;
inline constexpr int kButtonCom2 = 1168;
inline constexpr int kButtonCustom = 1169;
inline constexpr size_t kMaxPresetName = 31;   // a longer stored name is not preset
inline constexpr size_t kMaxCustomName = 255;  // device paths can be long

// The wizard a strategy runs, by the model its name gives (ClassifyStrategyName): "ZVX5" 880,
// "ZVX0" 210, "ZVX" 740, "Z99" 620, "RRQ" LPN 310, "KMS0" KMS-2. Nothing for any other name.
const ControllerModel* WizardModelFor(std::string_view strategyName);
std::string WizardRefusalText(std::string_view strategyName);

// The Control Strategy message.
std::string ControlStrategyText(const Identification& identification);

}  // namespace zvr
