#include "wizard/zevar740_rules.h"

#include <cmath>

namespace zvr {

bool ReversedSense(int minimumCapture, int maximumCapture) {
    return maximumCapture < minimumCapture - 20;
}

int AnalogModeCode(const AnalogCodeInput& input) {
    int code = 0;
    switch (input.mode) {
        case kAnalogPedal:
            code = 3;
            break;
        case kAnalogTrim:
            code = input.reversed ? 101 : 1;
            break;
        case kAnalogPot:
            code = input.reversed ? 102 : 2;
            break;
        case kAnalogCan:
            code = 40;
            break;
        case kAnalogAutoIdle:
            code = input.reversed ? 123 : 223;
            break;
        default:
            code = 0;
            break;
    }
    if ((code == 2 || code == 3) && input.speedCount > 0) code += 10;
    if (code == 3 && input.ivsPresent) code = input.ivsSetAtMinimum ? 103 : 203;
    return code;
}

AnalogPreselection PreselectAnalog(std::string_view valueText, bool canAndAutoIdle) {
    int digits[3] = {0, 0, 0};
    int count = 0;
    for (auto at = valueText.rbegin(); at != valueText.rend() && count < 3; ++at) {
        if (*at >= '0' && *at <= '9') digits[count++] = *at - '0';
    }
    const int units = digits[0];
    const int tens = digits[1];
    const int hundreds = digits[2];
    switch (units) {
        case 0:
            return {tens == 4 && canAndAutoIdle ? kAnalogCan : kAnalogNone};
        case 1:
            return {kAnalogTrim, -1, hundreds == 1};
        case 2:
            return {kAnalogPot, -1, hundreds == 1};
        case 3:
            if (tens == 2 && hundreds != 0 && canAndAutoIdle) {
                return {kAnalogAutoIdle, -1, hundreds == 1};
            }
            return {kAnalogPedal, hundreds == 0 ? 0 : 1, false, hundreds == 1};
        default:
            return {-1};  // no item is preselected
    }
}

int PulsesPerUpdate(int teeth, int cylinders) {
    if (cylinders == 1) return teeth;
    return static_cast<int>(std::ceil(2.0 * teeth / cylinders));
}

int PulsesPerRevForSparks(int sparks) { return sparks == 1 ? 1 : sparks / 2; }

}  // namespace zvr
