#pragma once

#include <algorithm>
#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>

#include "definitions/definitions.h"

namespace zvr::sim {

// The controller's 64 KiB address space. Words are big-endian: a one-byte item is the high
// byte of the word read at its address. The bytes that hold the strategy's scalars (and the
// diagnostics' stored flag words) are EEPROM; everything else is RAM. Addresses beyond 64 KiB
// read as 0 and ignore writes, so a strategy with odd addresses cannot reach outside.
class ControllerMemory {
public:
    static constexpr size_t kSize = 0x10000;

    uint8_t byte(uint32_t address) const;
    void setByte(uint32_t address, uint8_t value);
    uint16_t word(uint32_t address) const;

    // A value of 1, 2 or 4 bytes, high byte first; any other size counts as 4, as the
    // scaling's raw mask does.
    uint32_t raw(uint32_t address, int size) const;
    void setRaw(uint32_t address, int size, uint32_t value);

    void markEeprom(uint32_t address, int size);

    // The EEPROM part as a file: a 64 KiB image of which only the EEPROM bytes count.
    // Loading a missing file is not an error (the unit starts from its strategy values).
    // false with a reason in error for a file that cannot be read or has another size.
    bool loadEeprom(const std::string& path, std::string& error);
    // Written to a temporary file beside path and renamed over it, so a killed simulator
    // leaves either the old image or the new one, never half of one.
    bool saveEeprom(const std::string& path, std::string& error) const;

private:
    std::array<uint8_t, kSize> bytes_{};
    std::bitset<kSize> eeprom_;
};

inline uint32_t AddressOf(const VariableDef& def) { return def.ramAddress; }
inline uint32_t AddressOf(const ScalarDef& def) { return def.eepromAddress; }

// Raw and engineering values of a definition as the memory holds them.
template <typename Def>
uint32_t ReadRaw(const ControllerMemory& memory, const Def& def) {
    return memory.raw(AddressOf(def), def.scaling.size);
}

template <typename Def>
double ReadEng(const ControllerMemory& memory, const Def& def) {
    return RawToEng(ReadRaw(memory, def), def.scaling);
}

template <typename Def>
void WriteEng(ControllerMemory& memory, const Def& def, double value) {
    // Out of range values stop at the nearest end instead of wrapping round.
    const double clamped = std::min(std::max(value, MinEng(def.scaling)), MaxEng(def.scaling));
    memory.setRaw(AddressOf(def), def.scaling.size, EngToRaw(clamped, def.scaling));
}

}  // namespace zvr::sim
