#include "definitions/definitions.h"

#include "common/numbers.h"

namespace zvr {

void VariableDef::setCurrentValue(uint32_t raw) {
    currentRaw = raw;
    currentText = formatDefValue(*this, raw);
    currentValue = RawToEng(raw, scaling);
}

bool isWritableByUser(const ScalarDef& def) {
    return def.name != "E2BOOT" && def.name != "EEPROM_ITEGRITY";
}

bool parseDefValue(ScalingSpec scaling, std::string_view text, uint32_t& raw) {
    const double value = ParseDecimal(text);
    if (CheckRange(value, scaling) != 0) {
        return false;
    }
    raw = EngToRaw(value, scaling);
    return true;
}

}  // namespace zvr
