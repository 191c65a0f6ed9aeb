#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/definition_tables.h"
#include "definitions/definitions.h"

namespace zvr {

// The governor gains the Parameter Plot tunes, in P, I, D order.
enum class Gain { P = 0, I = 1, D = 2 };
inline constexpr std::array<const char*, 3> kGainNames = {"PROPORTIONAL_GAIN", "INTEGRAL_GAIN",
                                                          "DERIVATIVE_GAIN"};

// The gains the plot tunes, by the names of their scalars in P, I, D order; a gain the strategy
// lacks has no name.
using GainNames = std::array<std::string, 3>;

// The gains the strategy has, by their own names.
GainNames FindGains(const SortedTable<ScalarDef>& scalars);

// The EEPROM addresses to read the named gains: only those the table has, in P, I, D order.
std::vector<uint16_t> GainAddresses(const SortedTable<ScalarDef>& scalars, const GainNames& names);

// The shown gain raised by 10 % (up) or lowered by 10 %, as "%0.3f"; nothing when the result
// would be negative, so the shown text stays.
std::optional<std::string> StepGainText(std::string_view shown, bool up);

// The raw value to write for a typed gain; nothing when the scaling cannot hold it.
std::optional<uint32_t> GainRawForWrite(std::string_view text, ScalingSpec scaling);

// After a write, the text as the scaling holds it: typed "1.23456" may come back as "1.234".
std::string RewriteGainText(std::string_view text, ScalingSpec scaling);

// The raw value of a definition from a returned word: a one-byte item takes the high byte.
uint32_t RawFromWord(uint16_t word, ScalingSpec scaling);

}  // namespace zvr
