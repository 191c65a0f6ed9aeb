#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zvr {

// Number text in the "C" conventions, whatever locale the process runs under: a German
// desktop must not turn "1.50" into "1,50" in a report or a typed value.

// printf's "%.*f": fixed notation with the given number of decimals, correctly rounded.
std::string FormatFixed(double value, int decimals);

// The shortest text that reads back as the same double ("1500", "12.5", "1e+20").
std::string FormatShortest(double value);

// Reads a decimal number the way the C library's atof does in the "C" locale: leading
// white space is skipped, an optional sign, digits with an optional fraction and exponent;
// reading stops at the first character that cannot continue the number. Text that does not
// start a decimal number gives 0 (so do "inf", "nan" and hexadecimal forms, which a typed
// calibration value never means). Overflow gives plus or minus infinity.
double ParseDecimal(std::string_view text);

// A plain decimal number that is the whole text ("12", "-0.5"), finite; nothing for anything
// else. For options and commands, where a typo must not read as 0.
std::optional<double> ParsePlainDecimal(std::string_view text);

// An address as strategies show it: "0x" and at least four upper-case hexadecimal digits,
// "0x0120".
std::string AddressText(uint32_t address);

}  // namespace zvr
