#include "engine_model.h"

#include <algorithm>

namespace zvr::sim {

namespace {

constexpr double kActuatorLag = 0.05;
constexpr double kEngineLag = 0.5;

double Percent(double value) { return std::clamp(value, 0.0, 100.0); }

}  // namespace

void EngineModel::settle(double rpm, double loadPercent) {
    rpm_ = std::max(rpm, 0.0);
    fuel_ = Percent((rpm_ + kRpmDropPerPercentLoad * loadPercent) / kRpmPerPercentFuel);
    duty_ = fuel_;
    integral_ = fuel_;
    pidOutput_ = fuel_;
    lastControlRpm_ = rpm_;
    sinceControl_ = 0;
    fuelDelay_.fill(fuel_);
}

void EngineModel::advance(double seconds, double desiredRpm, const PidGains& gains,
                          double loadPercent) {
    for (double t = 0; t + kStepSeconds / 2 < seconds; t += kStepSeconds)
        step(desiredRpm, gains, loadPercent);
}

void EngineModel::step(double desiredRpm, const PidGains& gains, double loadPercent) {
    sinceControl_ += kStepSeconds;
    if (sinceControl_ + kStepSeconds / 2 >= kControlPeriod) {
        sinceControl_ = 0;
        control(desiredRpm, gains);
    }
    fuel_ += (duty_ - fuel_) * kStepSeconds / kActuatorLag;
    const double delayedFuel = fuelDelay_[delayIndex_];
    fuelDelay_[delayIndex_] = fuel_;
    delayIndex_ = (delayIndex_ + 1) % kDelaySteps;
    const double target =
        kRpmPerPercentFuel * delayedFuel - kRpmDropPerPercentLoad * Percent(loadPercent);
    rpm_ = std::max(0.0, rpm_ + (target - rpm_) * kStepSeconds / kEngineLag);
}

void EngineModel::control(double desiredRpm, const PidGains& gains) {
    const double error = desiredRpm - rpm_;
    const double speedRate = (rpm_ - lastControlRpm_) / kControlPeriod / kProportionalUnit;
    lastControlRpm_ = rpm_;
    // The integral stops at the ends of the duty range, so it cannot wind up while the
    // actuator is saturated.
    integral_ = Percent(integral_ + gains.integral * error / kIntegralUnit * kControlPeriod);
    pidOutput_ =
        gains.proportional * error / kProportionalUnit + integral_ - gains.derivative * speedRate;
    duty_ = Percent(pidOutput_);
}

}  // namespace zvr::sim
