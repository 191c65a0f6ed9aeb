#pragma once

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>

#include "definitions/definitions.h"

namespace zvr {

// The text pieces the calibration-file commands write into reports. Every line ends in CR LF.

// "Tuesday, March 05, 2024" and CR LF: the date as "%A, %B %d, %Y" gives it in the "C"
// locale, whatever the desktop's language.
std::string DateLine(const std::tm& date);
std::string TodayLine();

// "\r\nModel    : <model>\r\nStrategy : <strategy>\r\n\r\n"
std::string ModelHeading(const std::string& model, const std::string& strategy);

// Typed text with every line end made CR LF (a text field gives LF).
std::string WithCrLf(std::string_view text);

// The comments block around text typed for a report, cut to maxLength characters when given.
// A cut never leaves half a line end behind.
std::string CommentsBlock(std::string_view typed, size_t maxLength = std::string::npos);
inline constexpr size_t kFileCommentLimit = 1536;  // "Convert Cal File to Text"

// The compare report's first lines, naming the file compared with.
std::string CompareHeading(const std::string& path);
// One mismatch: name, the file's and the controller's value (by the scalar's scaling), units.
std::string CompareLine(const ScalarDef& scalar, uint32_t fileRaw, uint32_t controllerRaw);

// One line of the controller calibration as text: name, value, units.
std::string ValueLine(const ScalarDef& scalar, uint32_t raw);

// The path without its extension, offered as the name of the text made from a file: cut at
// the last "." of the file name, unless the name starts with it.
std::string WithoutExtension(const std::string& path);

}  // namespace zvr
