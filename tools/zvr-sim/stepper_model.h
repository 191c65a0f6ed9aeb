#pragma once

#include "controller_memory.h"
#include "controller_points.h"

namespace zvr::sim {

// The ZEVAR 880's stepper actuator. step_position counts motor steps from the centre of
// travel: +STEP_MAX_STEP/2 is full travel, -STEP_MAX_STEP/2 fully closed. With STEP_MODE 2
// the unit drives the motor to one end on its own, the end STEP_CONFIG names: bit 7 set
// drives it to full travel, clear to closed (the direction calibration asks which way it
// went). With STEP_MODE 1 it follows the governor's duty; otherwise it holds still.
class StepperModel {
public:
    static constexpr uint32_t kDriveToEnd = 2;
    static constexpr uint32_t kFollowGovernor = 1;
    static constexpr uint32_t kReverseBit = 0x80;
    static constexpr double kDefaultStepsPerSecond = 400;
    static constexpr double kDefaultTravel = 100;

    void advance(double seconds, double dutyPercent, ControllerMemory& memory,
                 const ControllerPoints& points);

private:
    double position_ = 0;
};

}  // namespace zvr::sim
