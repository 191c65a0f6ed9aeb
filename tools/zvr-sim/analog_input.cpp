#include "analog_input.h"

#include <algorithm>

namespace zvr::sim {

void AnalogInput::setPedal(double position) { pedal_ = std::clamp(position, 0.0, 1.0); }

double AnalogInput::adc() const { return kAdcAtRest + pedal_ * (kAdcAtFull - kAdcAtRest); }

bool AnalogInput::update(ControllerMemory& memory, const ControllerPoints& points) {
    const double adcNow = adc();
    if (points.adcApp) WriteEng(memory, *points.adcApp, adcNow);
    if (points.switches) {
        const uint32_t address = points.switches->ramAddress;
        const auto mask = static_cast<uint8_t>(1u << kIdleSwitchBit);
        const uint8_t byte = memory.byte(address);
        memory.setByte(address, static_cast<uint8_t>(idleSwitch_ ? byte | mask : byte & ~mask));
    }

    const bool modeIs255 =
        points.analogMode && ReadRaw(memory, *points.analogMode) == kCalibrationMode;
    bool stored = false;
    if (modeIs255) {
        if (!calibrating_) {
            calibrating_ = true;
            lowest_ = highest_ = adcNow;
        }
        lowest_ = std::min(lowest_, adcNow);
        highest_ = std::max(highest_, adcNow);
        if (points.appMin) WriteEng(memory, *points.appMin, lowest_);
        if (points.appRange) WriteEng(memory, *points.appRange, highest_ - lowest_);
    } else {
        if (calibrating_) {
            calibrating_ = false;
            if (points.appMinCal) WriteEng(memory, *points.appMinCal, lowest_);
            if (points.appRangeCal) WriteEng(memory, *points.appRangeCal, highest_ - lowest_);
            stored = points.appMinCal || points.appRangeCal;
        }
        // Outside calibration the working values are the stored ones.
        if (points.appMin && points.appMinCal) {
            WriteEng(memory, *points.appMin, ReadEng(memory, *points.appMinCal));
        }
        if (points.appRange && points.appRangeCal) {
            WriteEng(memory, *points.appRange, ReadEng(memory, *points.appRangeCal));
        }
    }
    if (points.appPercent) {
        WriteEng(memory, *points.appPercent, 100 * calibratedPosition(memory, points));
    }
    return stored;
}

double AnalogInput::calibratedPosition(const ControllerMemory& memory,
                                       const ControllerPoints& points) const {
    if (!points.appMinCal || !points.appRangeCal) return pedal_;
    const double range = ReadEng(memory, *points.appRangeCal);
    if (range <= 0) return 0;
    return std::clamp((adc() - ReadEng(memory, *points.appMinCal)) / range, 0.0, 1.0);
}

}  // namespace zvr::sim
