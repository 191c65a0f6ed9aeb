#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "definitions/definitions.h"

namespace zvr {

// Change Calibration's decisions on typed text: a new value for the controller, and, in
// engineering mode, a scalar's definition.

inline constexpr const char* kOutOfRange = "New Value out of range";
inline constexpr size_t kMaxFieldText = 127;  // characters of a field that are read

// The largest and smallest value the scalar's scaling can hold, as the view shows them.
std::string MaxValueText(ScalingSpec scaling);
std::string MinValueText(ScalingSpec scaling);

// Units as the view shows them: "NONE" in any letter case shows as nothing.
std::string UnitsForDisplay(const std::string& units);

// True when the text is something the scaling can read: hexadecimal digits after an
// optional "$" for '$', binary digits for 'B', a decimal number (trailing text such as units
// ignored) for 'S' and 'U'. Lower-case hexadecimal digits count as upper case.
bool IsValueText(std::string_view text, ScalingSpec scaling);

enum class NewValueVerdict {
    Empty,       // nothing to write
    OutOfRange,  // "New Value out of range" (also text the scaling cannot read)
    Accepted,
};

struct NewValueCheck {
    NewValueVerdict verdict;
    uint32_t raw = 0;  // the value to write when accepted
};

// The value typed into New Value, checked against the range of the scalar's scaling (its
// own minimum and maximum are not consulted) and converted to raw.
NewValueCheck CheckNewValue(std::string_view text, ScalingSpec scaling);

// The definition fields of the form, as the user left them.
struct ScalarFields {
    std::string address;  // hexadecimal, "0x" allowed
    std::string units;
    std::string name;
    int typeIndex = 0;  // 1 'U', 2 'S', 3 'B', 4 '$'; 0 "Cal File Error"
    int sizeIndex = 0;  // 1 byte, 2 word, 3 long; 0 "Cal File Error"
    std::string binaryPoint;
    std::string calFileValue;
    std::string baseValue;
};

inline constexpr const char* kScalingTypeNames[] = {"Cal File Error", "Unsigned", "Signed",
                                                    "Binary", "Hex"};
inline constexpr const char* kScalingSizeNames[] = {"Cal File Error", "Byte", "Word", "Long"};

// Combo indexes of a scaling; letters of either case are shown.
int TypeIndexFor(char type);
int SizeIndexFor(int16_t size);

// The fields that show a scalar's definition.
ScalarFields FieldsOf(const ScalarDef& scalar);

enum class DefinitionCompare { Same, Changed, BadType, BadSize };

// Whether the fields describe another definition than the scalar's. Units that both mean
// "no units" ("" and "NONE") are the same.
DefinitionCompare CompareDefinition(const ScalarFields& fields, const ScalarDef& scalar);

// A definition made from the fields, with the given menu group and minimum and maximum 0;
// nothing when a field cannot be read (no scaling type or size, an address or binary point
// that is not a number).
std::optional<ScalarDef> BuildScalarDef(const ScalarFields& fields, uint16_t menuGroup);

}  // namespace zvr
