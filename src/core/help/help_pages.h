#pragma once

#include <span>
#include <string>
#include <string_view>

#include "definitions/definition_set.h"

namespace zvr {

// The help pages of Change Calibration, written at build time from the strategy files ZVR
// ships: one page per scalar of the help-topic table and the contents page. A page says
// only what the strategies say (units, scaling, range, group, default, which models have
// it), and a one-line meaning only where the name states it plainly.

struct HelpSource {
    std::string model;  // "ZEVAR 740"
    const DefinitionSet* set;
};

// The one-line meaning of a scalar whose name states it plainly; empty for any other.
std::string PlainMeaning(std::string_view scalarName);

// Text for HTML: markup characters and bytes above 127 (Latin-1) as character references.
std::string HtmlText(std::string_view text);

std::string ScalarHelpPage(std::string_view scalarName, std::span<const HelpSource> sources);
std::string HelpContentsPage(std::span<const HelpSource> sources);

}  // namespace zvr
