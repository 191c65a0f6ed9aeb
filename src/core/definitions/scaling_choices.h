#pragma once

#include <cstdint>
#include <optional>

namespace zvr {

// The scaling type and size lists of the definition forms (the Parameter List's variables,
// Change Calibration's scalars). Type list: 0 "Cal File Error", then 'U', 'S', 'B', '$'.
// Size list: 0 "Cal File Error", then 1, 2, 4 bytes.
int TypeIndex(char type);
int SizeIndex(int16_t size);
std::optional<char> TypeForIndex(int index);
std::optional<int16_t> SizeForIndex(int index);

}  // namespace zvr
