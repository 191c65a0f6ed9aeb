#include "monitoring/scalar_groups.h"

namespace zvr {

namespace {

constexpr const char* kLpnGroups[] = {
    "Channel 1 Calibration",   "Channel 2 Calibration",      "Channel 3 Calibration",
    "Speed Input Calibration", "Engine Protection Switches", "Autocrank/Glow Plug Calibration",
    "All Parameters",
};
constexpr const char* kZevar880Groups[] = {
    "Governor Gain Calibration",
    "Engine Set Speed Calibration",
    "Speed Input Configuration",
    "Engine Start Calibration",
    "Diagnostics Calibration",
    "Actuator Output Calibration",
    "All Parameters",
};
constexpr const char* kKms2Groups[] = {
    "Channel 1 Calibration",    "Channel 2 Calibration",           "Speed Input Calibration",
    "Engine Protection Switch", "Autocrank/Glow Plug Calibration", "All Parameters",
};
constexpr const char* kZevarGroups[] = {
    "Governor Gain Calibration",
    "Engine Set Speed Calibration",
    "Speed Input Configuration",
    "Engine Start Calibration",
    "Actuator Current Limiting",
    "Actuator Output Calibration",
    "All Parameters",
};

const ScalarGroupTable kLpn{"LPN Value", kLpnGroups};
const ScalarGroupTable kZevar880{"ZEVAR Value", kZevar880Groups};
const ScalarGroupTable kKms2{"KMS2 Value", kKms2Groups};
const ScalarGroupTable kZevar{"ZEVAR Value", kZevarGroups};

}  // namespace

const ScalarGroupTable& GroupTableFor(std::string_view strategyName) {
    if (strategyName.starts_with("RRQ")) return kLpn;
    if (strategyName.starts_with("ZVX5")) return kZevar880;
    if (strategyName.starts_with("KMS0")) return kKms2;
    return kZevar;
}

std::vector<ScalarDef*> ScalarsOfGroup(const DefinitionSet& set, const ScalarGroupTable& table,
                                       int filterIndex) {
    const bool all = filterIndex == static_cast<int>(table.groups.size()) - 1;
    std::vector<ScalarDef*> scalars;
    for (const auto& scalar : set.scalars.entries()) {
        if (all || scalar->menuGroup == filterIndex + 1) scalars.push_back(scalar.get());
    }
    return scalars;
}

const char* GroupName(const ScalarGroupTable& table, int menuGroup) {
    if (menuGroup < 1 || menuGroup >= static_cast<int>(table.groups.size())) return nullptr;
    return table.groups[static_cast<size_t>(menuGroup - 1)];
}

}  // namespace zvr
