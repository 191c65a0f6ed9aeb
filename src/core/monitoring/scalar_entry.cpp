#include "monitoring/scalar_entry.h"

#include <cctype>
#include <charconv>

#include "common/numbers.h"
#include "definitions/scaling_choices.h"

namespace zvr {

namespace {

bool IsNoUnits(const std::string& units) {
    if (units.empty()) return true;
    if (units.size() != 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        if (std::toupper(static_cast<unsigned char>(units[i])) != "NONE"[i]) return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool StartsDecimalNumber(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
    if (!text.empty() && text.front() == '.') text.remove_prefix(1);
    return !text.empty() && std::isdigit(static_cast<unsigned char>(text.front()));
}

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// "%X": optional white space, optional "0x", then hexadecimal digits up to the first other
// character.
std::optional<uint32_t> ReadHex(std::string_view text) {
    text = Trimmed(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

std::optional<int> ReadDecimal(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

uint32_t RawOfText(std::string_view text, ScalingSpec scaling) {
    return EngToRaw(ParseValue(UpperCase(text.substr(0, kMaxFieldText)), scaling), scaling);
}

}  // namespace

std::string MaxValueText(ScalingSpec scaling) {
    return FormatValue(EngToRaw(MaxEng(scaling), scaling), scaling, "NONE");
}

std::string MinValueText(ScalingSpec scaling) {
    return FormatValue(EngToRaw(MinEng(scaling), scaling), scaling, "NONE");
}

std::string UnitsForDisplay(const std::string& units) { return IsNoUnits(units) ? "" : units; }

bool IsValueText(std::string_view text, ScalingSpec scaling) {
    text = Trimmed(text);
    switch (scaling.type) {
        case '$':
            if (!text.empty() && text.front() == '$') text.remove_prefix(1);
            return !text.empty() &&
                   text.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
        case 'B':
            return !text.empty() && text.find_first_not_of("01") == std::string_view::npos;
        case 'S':
        case 'U':
            return StartsDecimalNumber(text);
        default:
            return false;
    }
}

NewValueCheck CheckNewValue(std::string_view text, ScalingSpec scaling) {
    text = text.substr(0, kMaxFieldText);
    if (text.empty()) return {NewValueVerdict::Empty};
    // Unreadable text would otherwise count as 0 and be written.
    if (!IsValueText(text, scaling)) return {NewValueVerdict::OutOfRange};
    const std::string upper = UpperCase(Trimmed(text));
    const double value = ParseValue(upper, scaling);
    const double max = ParseValue(MaxValueText(scaling), scaling);
    const double min = ParseValue(MinValueText(scaling), scaling);
    if (min > value || value > max) return {NewValueVerdict::OutOfRange};
    return {NewValueVerdict::Accepted, EngToRaw(value, scaling)};
}

int TypeIndexFor(char type) {
    return TypeIndex(static_cast<char>(std::toupper(static_cast<unsigned char>(type))));
}

int SizeIndexFor(int16_t size) { return SizeIndex(size); }

ScalarFields FieldsOf(const ScalarDef& scalar) {
    return {
        .address = AddressText(scalar.eepromAddress),
        .units = UnitsForDisplay(scalar.units),
        .name = scalar.name,
        .typeIndex = TypeIndexFor(scalar.scaling.type),
        .sizeIndex = SizeIndexFor(scalar.scaling.size),
        .binaryPoint = std::to_string(scalar.scaling.binaryPoint),
        .calFileValue = FormatValue(scalar.fileRaw, scalar.scaling),
        .baseValue = FormatValue(scalar.baseRaw, scalar.scaling),
    };
}

DefinitionCompare CompareDefinition(const ScalarFields& fields, const ScalarDef& scalar) {
    const std::optional<char> type = TypeForIndex(fields.typeIndex);
    if (!type) return DefinitionCompare::BadType;
    const std::optional<int16_t> size = SizeForIndex(fields.sizeIndex);
    if (!size) return DefinitionCompare::BadSize;
    const bool sameUnits =
        fields.units == scalar.units || (IsNoUnits(fields.units) && IsNoUnits(scalar.units));
    const ScalingSpec scaling{*type, *size,
                              static_cast<int8_t>(ReadDecimal(fields.binaryPoint).value_or(0))};
    const bool same =
        ReadHex(fields.address).value_or(0) == scalar.eepromAddress && sameUnits &&
        fields.name == scalar.name && fields.typeIndex == TypeIndexFor(scalar.scaling.type) &&
        scaling.size == scalar.scaling.size && scaling.binaryPoint == scalar.scaling.binaryPoint &&
        RawOfText(fields.calFileValue, scalar.scaling) == scalar.fileRaw;
    return same ? DefinitionCompare::Same : DefinitionCompare::Changed;
}

std::optional<ScalarDef> BuildScalarDef(const ScalarFields& fields, uint16_t menuGroup) {
    const std::optional<uint32_t> address = ReadHex(fields.address);
    const std::optional<int> binaryPoint = ReadDecimal(fields.binaryPoint);
    if (!address || !binaryPoint || *binaryPoint < -128 || *binaryPoint > 127) return std::nullopt;
    const std::optional<char> type = TypeForIndex(fields.typeIndex);
    const std::optional<int16_t> size = SizeForIndex(fields.sizeIndex);
    if (!type || !size) return std::nullopt;
    if (fields.name.empty()) return std::nullopt;
    ScalarDef scalar;
    scalar.eepromAddress = *address;
    scalar.units = fields.units;
    scalar.name = fields.name;
    scalar.scaling = {*type, *size, static_cast<int8_t>(*binaryPoint)};
    scalar.maxRaw = 0;
    scalar.minRaw = 0;
    scalar.baseRaw = RawOfText(fields.baseValue, scalar.scaling);
    scalar.fileRaw = RawOfText(fields.calFileValue, scalar.scaling);
    scalar.menuGroup = menuGroup;
    return scalar;
}

}  // namespace zvr
