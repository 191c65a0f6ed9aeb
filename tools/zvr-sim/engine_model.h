#pragma once

#include <array>
#include <cstddef>

namespace zvr::sim {

struct PidGains {
    double proportional = 0;
    double integral = 0;
    double derivative = 0;
};

// A diesel engine with its fuel actuator, closed by the unit's PID speed governor, on a
// simulated clock of its own: advance() moves it on by the given time in 1 ms steps whatever
// the wall clock does, so a step response is the same on every run.
//
// The governor runs every 10 ms: the proportional gain is percent duty per 25 rpm of speed
// error, the integral gain percent duty per second per 5 rpm, the derivative gain percent
// duty per 25 rpm/s of speed change (taken on the measured speed, so a set-speed step does
// not kick the actuator). With gains near 2.5, 1.25 and 0.125 a step settles within about
// two seconds; a proportional gain ten times larger keeps it swinging. The actuator follows its
// duty with a 50 ms lag; the fuel reaches the crankshaft 40 ms later; the engine's speed follows
// fuel and load with a 0.5 s lag. That delay is what makes a much larger proportional gain
// oscillate.
class EngineModel {
public:
    static constexpr double kStepSeconds = 0.001;
    static constexpr double kControlPeriod = 0.010;
    static constexpr double kProportionalUnit = 25;   // rpm
    static constexpr double kIntegralUnit = 5;        // rpm
    static constexpr double kRpmPerPercentFuel = 40;  // unloaded: 100 % fuel is 4000 rpm
    static constexpr double kRpmDropPerPercentLoad = 20;

    // Running steadily at rpm under this load.
    void settle(double rpm, double loadPercent);
    void advance(double seconds, double desiredRpm, const PidGains& gains, double loadPercent);

    double rpm() const { return rpm_; }
    double duty() const { return duty_; }  // percent
    double pidOutput() const { return pidOutput_; }

private:
    static constexpr size_t kDelaySteps = 40;

    void step(double desiredRpm, const PidGains& gains, double loadPercent);
    void control(double desiredRpm, const PidGains& gains);

    double rpm_ = 0;
    double fuel_ = 0;  // actuator position, percent
    double duty_ = 0;
    double integral_ = 0;
    double pidOutput_ = 0;
    double lastControlRpm_ = 0;
    double sinceControl_ = 0;
    std::array<double, kDelaySteps> fuelDelay_{};
    size_t delayIndex_ = 0;
};

}  // namespace zvr::sim
