#include "stepper_model.h"

#include <algorithm>

namespace zvr::sim {

void StepperModel::advance(double seconds, double dutyPercent, ControllerMemory& memory,
                           const ControllerPoints& points) {
    if (!points.stepMode) return;
    const double travel =
        points.stepMaxStep ? ReadEng(memory, *points.stepMaxStep) : kDefaultTravel;
    const double period = points.stepPeriod ? ReadEng(memory, *points.stepPeriod) : 0;
    const double stepsPerSecond = period > 0 ? 1e6 / period : kDefaultStepsPerSecond;

    double target = position_;
    const uint32_t mode = ReadRaw(memory, *points.stepMode);
    if (mode == kDriveToEnd) {
        const bool toFullTravel =
            points.stepConfig && (ReadRaw(memory, *points.stepConfig) & kReverseBit) != 0;
        target = toFullTravel ? travel / 2 : -travel / 2;
    } else if (mode == kFollowGovernor) {
        target = (dutyPercent / 100 - 0.5) * travel;
    }
    const double move = stepsPerSecond * seconds;
    position_ = std::clamp(target, position_ - move, position_ + move);

    if (points.stepPosition) WriteEng(memory, *points.stepPosition, position_);
    if (points.stepTarget) WriteEng(memory, *points.stepTarget, target);
}

}  // namespace zvr::sim
