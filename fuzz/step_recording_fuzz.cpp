// Reads arbitrary bytes as a monitor recording and measures its steps, with the columns chosen
// by default and by name: whatever is measured must be complete and finite, so that
// step-response never prints a number that is not one.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "plot/response_recording.h"

namespace {

void Check(const zvr::RecordingSteps& result) {
    for (const zvr::StepFigures& step : result.steps) {
        if (!step.complete) __builtin_trap();
        for (double value :
             {step.time, step.from, step.to, step.overshootPercent, step.error, step.seconds,
              step.riseSeconds.value_or(0), step.settlingSeconds.value_or(0)}) {
            if (!std::isfinite(value)) __builtin_trap();
        }
        if (step.overshootPercent < 0 || step.from == step.to) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    zvr::RecordingSteps result;
    std::string error;
    if (zvr::MeasureRecording(text, {}, 2.0, result, error)) Check(result);
    if (zvr::MeasureRecording(text, {"b", "a"}, 0.5, result, error)) Check(result);
    return 0;
}
