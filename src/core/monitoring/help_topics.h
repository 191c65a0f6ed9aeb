#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zvr {

// F1 help of Change Calibration. Each scalar with a help topic of its own has the context
// 0x1000 + its first position in the topic table (MASTER_GAIN stands in it twice); every
// other scalar, and no selection, opens the topic of the screen itself.
inline constexpr int kFirstScalarHelpContext = 0x1000;
inline constexpr int kChangeCalibrationHelpContext = 0x1800D;  // 98317
inline constexpr size_t kScalarHelpTopicCount = 182;

const std::array<const char*, kScalarHelpTopicCount>& ScalarHelpTopics();

int HelpContextFor(std::string_view scalarName);

// The help page of a context, a file name in the help folder: the scalar's own page
// ("PROPORTIONAL_GAIN.html"), the page of the Change Calibration screen, or the contents for
// a context that has no page.
std::string HelpPageFor(int context);

inline constexpr const char* kHelpContentsPage = "index.html";
inline constexpr const char* kChangeCalibrationHelpPage = "change_calibration.html";

}  // namespace zvr
