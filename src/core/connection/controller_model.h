#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "comm/controller_message.h"
#include "families/family_registry.h"

namespace zvr {

// The connection's view of the family registry: port names and demo keys, the menus' product
// word, the Configure menu and port dialog entries, the wizard a strategy runs.

// "ZEVAR 620" ... "KMS-2" for the kinds of the registry, empty otherwise.
std::string ModelNameForKind(ModelKind kind);

// A port name starting "DEMO" (case-sensitive) is a demo key.
bool IsDemoKey(std::string_view portName);
// The number a port name gives from its fourth character on ("COM3" 3); 0 when none.
int PortNumber(std::string_view portName);

// The menu text of a command, with the product word (ProductWord) filled in where it has one.
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

// The model whose wizard a strategy runs, by its strategy name's family (the longest matching
// prefix). Nothing for a name of no family or a family with no wizard.
const ControllerModel* WizardModelFor(std::string_view strategyName);
std::string WizardRefusalText(std::string_view strategyName);

// The Control Strategy message.
std::string ControlStrategyText(const Identification& identification);

}  // namespace zvr
