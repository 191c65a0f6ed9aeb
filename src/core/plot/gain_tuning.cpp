#include "plot/gain_tuning.h"

#include "common/numbers.h"
#include "monitoring/reply_words.h"

namespace zvr {

GainNames FindGains(const SortedTable<ScalarDef>& scalars) {
    GainNames names;
    for (size_t g = 0; g < kGainNames.size(); ++g) {
        if (scalars.find(kGainNames[g]) != nullptr) names[g] = kGainNames[g];
    }
    return names;
}

std::vector<uint16_t> GainAddresses(const SortedTable<ScalarDef>& scalars, const GainNames& names) {
    std::vector<uint16_t> addresses;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (const ScalarDef* scalar = scalars.find(name)) {
            addresses.push_back(static_cast<uint16_t>(scalar->eepromAddress));
        }
    }
    return addresses;
}

std::optional<std::string> StepGainText(std::string_view shown, bool up) {
    const double value = ParseDecimal(shown) * (up ? 1.1 : 0.9);
    if (value < 0.0) return std::nullopt;
    return FormatFixed(value, 3);
}

std::optional<uint32_t> GainRawForWrite(std::string_view text, ScalingSpec scaling) {
    const double value = ParseValue(text, scaling);
    if (!(value >= MinEng(scaling) && value <= MaxEng(scaling))) return std::nullopt;
    return EngToRaw(value, scaling);
}

std::string RewriteGainText(std::string_view text, ScalingSpec scaling) {
    return FormatValue(EngToRaw(ParseValue(text, scaling), scaling), scaling);
}

uint32_t RawFromWord(uint16_t word, ScalingSpec scaling) { return RawFromWord(word, scaling.size); }

}  // namespace zvr
