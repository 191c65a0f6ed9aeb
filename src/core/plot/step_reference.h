#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "settings/registry_settings.h"

namespace zvr {

// A variable named as a set point: its name holds "desired", "target" or "setpoint" in any
// letter case, as n_desired and step_target do.
bool IsReferenceName(std::string_view name);

// The two plotted traces as reference and response, by index (0 for plot 1, 1 for plot 2).
struct ReferencePair {
    int reference = 1;
    int response = 0;

    friend bool operator==(const ReferencePair&, const ReferencePair&) = default;
};

// Which trace is the reference under the setting, given the names the two plots show ("NO
// PLOT" or empty for none): the chosen trace, or with Automatic the first whose name marks a
// set point. Nothing when there is none or the other trace plots nothing.
std::optional<ReferencePair> ResolveReference(PlotReference setting,
                                              const std::array<std::string, 2>& names);

}  // namespace zvr
