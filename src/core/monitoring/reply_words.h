#pragma once

#include <cstdint>

namespace zvr {

// The controller answers every address with a 16-bit word, high byte first in memory: a
// one-byte item is the byte stored at its own address, the word's high-order byte.
inline uint32_t RawFromWord(uint16_t word, int16_t size) {
    return size == 1 ? static_cast<uint32_t>(word >> 8) : word;
}

}  // namespace zvr
