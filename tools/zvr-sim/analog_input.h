#pragma once

#include "controller_memory.h"
#include "controller_points.h"

namespace zvr::sim {

// The pedal (or potentiometer) and its idle validation switch, and the unit's analog
// calibration. adc_app follows the pedal, bit 3 of switch_f_debounced the idle switch. While
// EXTERNAL_ANALOG_MODE is 255 the unit calibrates: app_min and app_range follow the lowest and
// highest adc_app seen since the mode became 255. When the mode is written back to anything
// else the unit stores them into APP_MIN_CAL and APP_RANGE_CAL itself; the calibration wizard
// relies on that and does not write them.
class AnalogInput {
public:
    static constexpr double kAdcAtRest = 102;  // a 10-bit converter, 0.5 V to 4.5 V
    static constexpr double kAdcAtFull = 922;
    static constexpr int kIdleSwitchBit = 3;
    static constexpr uint32_t kCalibrationMode = 255;

    void setPedal(double position);  // 0 at rest .. 1 fully pressed
    void setIdleSwitch(bool closed) { idleSwitch_ = closed; }
    double adc() const;

    // Brings the variables up to date with the pedal and the mode. True when it stored a new
    // calibration into EEPROM.
    bool update(ControllerMemory& memory, const ControllerPoints& points);
    // A calibration under way belongs to the memory it started on: a new memory image ends it
    // without storing anything.
    void forgetCalibration() { calibrating_ = false; }
    // The pedal position as the unit sees it through its stored calibration, 0..1.
    double calibratedPosition(const ControllerMemory& memory, const ControllerPoints& points) const;

private:
    double pedal_ = 0;
    bool idleSwitch_ = true;
    bool calibrating_ = false;
    double lowest_ = 0;
    double highest_ = 0;
};

}  // namespace zvr::sim
