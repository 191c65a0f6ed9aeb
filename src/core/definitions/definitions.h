#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "definitions/scaling.h"

namespace zvr {

// The records a cal file holds. Raw values are controller values as stored in controller
// memory, before binary-point scaling. Strings are single-byte text of at most 255 bytes.

// A live RAM value of the controller.
struct VariableDef {
    uint8_t accessLevel = 0;
    ScalingSpec scaling;
    uint32_t ramAddress = 0;
    std::string name;
    std::string units;

    // Run-time only, never stored; changed together by setCurrentValue.
    uint32_t currentRaw = 0;
    std::string currentText;
    double currentValue = 0.0;

    void setCurrentValue(uint32_t raw);

    friend bool operator==(const VariableDef&, const VariableDef&) = default;
};

// A calibration parameter in controller EEPROM.
struct ScalarDef {
    uint8_t accessLevel = 0;
    ScalingSpec scaling;
    uint32_t eepromAddress = 0;
    uint32_t fileRaw = 0;  // the value the cal file carries ("FileCal")
    uint32_t baseRaw = 0;  // "BaseCal"
    uint32_t maxRaw = 0;
    uint32_t minRaw = 0;
    uint8_t baseValid = 0;
    uint16_t menuGroup = 0;
    std::string name;
    std::string units;

    // Run-time only: filled when a whole calibration is read from the controller.
    uint32_t controllerRaw = 0;

    friend bool operator==(const ScalarDef&, const ScalarDef&) = default;
};

// One line of the Parameter View list; its name is the name of the variable it shows.
struct ViewItemDef {
    uint8_t accessLevel = 0;
    uint8_t listNumber = 0;
    ScalingSpec scaling;
    uint8_t position = 0;
    uint8_t precision = 0;
    std::string name;

    friend bool operator==(const ViewItemDef&, const ViewItemDef&) = default;
};

// One fault flag word: up to 32 flags, one text per bit.
struct DiagnosticDef {
    static constexpr int kMaxFlags = 32;

    uint8_t accessLevel = 0;
    uint32_t ramAddress = 0;
    uint32_t eepromAddress = 0;
    uint8_t flagCount = 0;
    std::array<std::string, kMaxFlags> bitTexts;  // only the first flagCount are used
    std::string name;

    friend bool operator==(const DiagnosticDef&, const DiagnosticDef&) = default;
};

struct CommentDef {
    uint8_t accessLevel = 0;
    std::string text;

    friend bool operator==(const CommentDef&, const CommentDef&) = default;
};

// Scalars that only engineering mode may change.
bool isWritableByUser(const ScalarDef& def);

// The display text of raw without units, by the definition's scaling.
template <typename Def>
std::string formatDefValue(const Def& def, uint32_t raw) {
    return FormatValue(raw, def.scaling);
}

// Reads text as a decimal number. False, leaving raw untouched, when the number lies outside
// what the scaling can represent; the definition's own limits are not consulted.
bool parseDefValue(ScalingSpec scaling, std::string_view text, uint32_t& raw);

template <typename Def>
bool parseDefValue(const Def& def, std::string_view text, uint32_t& raw) {
    return parseDefValue(def.scaling, text, raw);
}

}  // namespace zvr
