#include "plot/step_texts.h"

#include <algorithm>

#include "common/numbers.h"

namespace zvr {

StepTexts DescribeStep(const StepFigures& figures, int valueDecimals, int secondDecimals) {
    const int decimals = std::clamp(valueDecimals, 0, 10);
    auto seconds = [&](const std::optional<double>& value, const char* missing) {
        if (value) return FormatFixed(*value, secondDecimals) + " s";
        return std::string(figures.complete ? missing : "measuring");
    };
    return {.from = FormatFixed(figures.from, decimals),
            .to = FormatFixed(figures.to, decimals),
            .overshoot = FormatFixed(figures.overshootPercent, 1) + " %",
            .rise = seconds(figures.riseSeconds, "not reached"),
            .settling = seconds(figures.settlingSeconds, "not settled"),
            .error = FormatFixed(figures.error, std::min(decimals + 1, 10))};
}

}  // namespace zvr
