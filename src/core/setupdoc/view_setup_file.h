#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/user_prompt.h"
#include "definitions/definition_tables.h"
#include "definitions/definitions.h"

namespace zvr {

class SetupNode;

// View setup files (*.zvf): the Parameter View's items as a setup document. After the
// declaration and the "ZVR" element comes one element per view item, named after its
// variable, with the attributes ACCESS_LEVEL, PRECISION, SCALING_BINPT, SCALING_SZ,
// SCALING_TYPE (the letter's character code), LIST_NUM and VIEW_POS as decimal integers.

using ViewItems = ViewItemTable<ViewItemDef>;

inline constexpr const char* kViewSetupFilter = "ZVR View Setup Files (*.zvf)|*.zvf||";
inline constexpr const char* kViewSetupExtension = "*.zvf";

// The file dialog of Save (asking before overwriting) or Open.
FileChoice ViewSetupFileChoice(FileChoiceMode mode);

std::unique_ptr<SetupNode> BuildViewSetup(const ViewItems& items);
// One view item per top-level element other than "ZVR" and "xml", as many as there are and
// with whatever positions they hold. A missing attribute reads as 0, SCALING_SZ as 2 and
// SCALING_TYPE as 'S'.
std::vector<ViewItemDef> ReadViewSetup(const SetupNode& root);

// Saves the items to path. Results: 0 saved; -1 the file cannot be written; -2 there are no
// items ("There are no item on list to save."); -3 a write error. The message is shown; an
// existing file keeps its content on every failure, and a new one is left empty after -2.
int SaveViewSetupFile(const ViewItems& items, const std::string& path, UserPrompt& prompt);

// Replaces items by the file's. Results: 0 replaced; -1 the file cannot be read; -2 it holds
// no element ("There are no items saved in list or invalid file."). On failure the message
// is shown and items are kept.
int OpenViewSetupFile(const std::string& path, ViewItems& items, UserPrompt& prompt);

// "Parameter List : " and the file's name, the Parameter List caption after an open.
std::string ParameterListCaption(std::string_view path);

}  // namespace zvr
