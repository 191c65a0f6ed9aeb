#include "controller_unit.h"

#include <algorithm>
#include <utility>

#include "definitions/scaling.h"

namespace zvr::sim {

namespace {

constexpr double kRunningRpm = 300;
constexpr double kChargingVolts = 13.9;
constexpr double kRestingVolts = 12.5;
constexpr double kActuatorAmpsAtFullDuty = 3.0;
constexpr double kWarmTemperature = 45;

}  // namespace

ControllerUnit::ControllerUnit(DefinitionSet definitions, uint32_t seed)
    : definitions_(std::move(definitions)),
      points_(ControllerPoints::Find(definitions_)),
      faults_(definitions_.diagnostics.count()),
      noise_(seed) {
    for (const auto& scalar : definitions_.scalars.entries()) {
        memory_.markEeprom(scalar->eepromAddress, scalar->scaling.size);
        memory_.setRaw(scalar->eepromAddress, scalar->scaling.size, scalar->fileRaw);
        commitAddresses_.insert(scalar->eepromAddress);
    }
    for (const auto& diagnostic : definitions_.diagnostics.entries()) {
        memory_.markEeprom(diagnostic->eepromAddress, 1);
        commitAddresses_.insert(diagnostic->eepromAddress);
    }
    startSteady();
}

bool ControllerUnit::useEepromFile(const std::string& path, std::string& error) {
    if (!memory_.loadEeprom(path, error)) return false;
    eepromPath_ = path;
    // The strategy's values may have started an analog calibration (mode 255); the stored
    // image replaces them, and its calibration must not be overwritten by that one.
    analog_.forgetCalibration();
    // The stored calibration may name other set speeds: start steady at those.
    analog_.update(memory_, points_);
    startSteady();
    return true;
}

void ControllerUnit::startSteady() {
    desired_ = targetRpm();
    engine_.settle(desired_, load_);
    refresh();
    publishEngine(0);
}

bool ControllerUnit::commitWrite(uint16_t address, std::span<const uint8_t> value) {
    if (!commitAddresses_.contains(address)) return false;
    for (size_t i = 0; i < value.size(); ++i)
        memory_.setByte(address + static_cast<uint32_t>(i), value[i]);
    const bool zero = std::all_of(value.begin(), value.end(), [](uint8_t b) { return b == 0; });
    const auto& diagnostics = definitions_.diagnostics.entries();
    for (size_t i = 0; zero && i < diagnostics.size(); ++i) {
        if (diagnostics[i]->eepromAddress == address) faults_.clear(i);
    }
    refresh(/*eepromChanged=*/true);
    return true;
}

bool ControllerUnit::passwordAccepted(uint16_t code) const {
    if (!points_.password) return true;
    return static_cast<uint16_t>(ReadRaw(memory_, *points_.password)) == code;
}

double ControllerUnit::targetRpm() const {
    double base = kDefaultSetSpeed;
    if (points_.setSpeed1) {
        base = ReadEng(memory_, *points_.setSpeed1);
    } else if (points_.setSpeedMin) {
        base = ReadEng(memory_, *points_.setSpeedMin);
    }
    if (!points_.analogMode) return base;
    const uint32_t mode = ReadRaw(memory_, *points_.analogMode);
    if (mode == AnalogInput::kCalibrationMode) return base;
    const double position = analog_.calibratedPosition(memory_, points_);
    switch (mode % 10) {
        case 1:  // trim: the pedal moves the set speed up or down by up to SET_SPEED_TRIM
            if (points_.setSpeedTrim)
                base += (2 * position - 1) * ReadEng(memory_, *points_.setSpeedTrim);
            return base;
        case 2:  // potentiometer
        case 3:  // pedal
            if (points_.setSpeedMin && points_.setSpeedMax) {
                const double low = ReadEng(memory_, *points_.setSpeedMin);
                return low + position * (ReadEng(memory_, *points_.setSpeedMax) - low);
            }
            return base;
        default:
            return base;
    }
}

PidGains ControllerUnit::gains() const {
    PidGains gains = kDefaultGains;
    if (points_.proportionalGain) gains.proportional = ReadEng(memory_, *points_.proportionalGain);
    if (points_.integralGain) gains.integral = ReadEng(memory_, *points_.integralGain);
    if (points_.derivativeGain) gains.derivative = ReadEng(memory_, *points_.derivativeGain);
    return gains;
}

void ControllerUnit::advance(double seconds) {
    if (seconds <= 0) return;
    // The set speed ramps at RAMP_UP_RATE / RAMP_DOWN_RATE where the strategy has them.
    const double target = targetRpm();
    const double up = points_.rampUpRate ? ReadEng(memory_, *points_.rampUpRate) : 0;
    const double down = points_.rampDownRate ? ReadEng(memory_, *points_.rampDownRate) : 0;
    if (target > desired_) {
        desired_ = up > 0 ? std::min(target, desired_ + up * seconds) : target;
    } else {
        desired_ = down > 0 ? std::max(target, desired_ - down * seconds) : target;
    }
    engine_.advance(seconds, desired_, gains(), load_);
    stepper_.advance(seconds, engine_.duty(), memory_, points_);
    publishEngine(seconds);
    refresh();
}

void ControllerUnit::publishEngine(double seconds) {
    std::uniform_real_distribution<double> jitter(-1.0, 1.0);
    const double rpm = engine_.rpm();
    const bool running = rpm > kRunningRpm;
    const double amps = engine_.duty() / 100 * kActuatorAmpsAtFullDuty;
    temperature_ += (kWarmTemperature - temperature_) * std::min(1.0, seconds / 600);
    if (running) hours_ += seconds / 3600;

    auto set = [&](const VariableDef* def, double value) {
        if (def) WriteEng(memory_, *def, value);
    };
    set(points_.engineRpm, rpm + (running ? jitter(noise_) : 0));
    set(points_.nDesired, desired_);
    set(points_.nError, desired_ - rpm);
    set(points_.actDuty, engine_.duty());
    set(points_.actCurrent, amps);
    set(points_.pidOutput, engine_.pidOutput() / 100);
    set(points_.batteryVolts,
        (running ? kChargingVolts : kRestingVolts) - 0.1 * amps + 0.02 * jitter(noise_));
    set(points_.ecuTemp, temperature_);
    set(points_.governorState, running ? 2 : 0);
    set(points_.engineHours, hours_);
}

void ControllerUnit::refresh(bool eepromChanged) {
    eepromChanged = analog_.update(memory_, points_) || eepromChanged;
    eepromChanged = faults_.apply(memory_, definitions_, points_) || eepromChanged;
    if (eepromChanged) saveEeprom();
}

void ControllerUnit::saveEeprom() {
    if (eepromPath_.empty()) return;
    std::string error;
    if (!memory_.saveEeprom(eepromPath_, error)) eepromError_ = error;
}

std::string ControllerUnit::takeEepromError() { return std::exchange(eepromError_, {}); }

void ControllerUnit::setPedal(double position) {
    analog_.setPedal(position);
    refresh();
}

void ControllerUnit::setIdleSwitch(bool closed) {
    analog_.setIdleSwitch(closed);
    refresh();
}

bool ControllerUnit::setFault(size_t diagnostic, int bit, bool on) {
    if (diagnostic < 1 || !faults_.setFlag(diagnostic - 1, bit, on)) return false;
    refresh();
    return true;
}

void ControllerUnit::setUncalibrated(bool on) {
    faults_.setUncalibrated(on);
    refresh();
}

void ControllerUnit::setFatal(bool on) {
    faults_.setFatal(on);
    refresh();
}

void ControllerUnit::setLoad(double percent) { load_ = std::clamp(percent, 0.0, 100.0); }

std::optional<std::string> ControllerUnit::valueText(std::string_view name) const {
    if (const VariableDef* variable = definitions_.variables.find(name)) {
        return FormatValue(ReadRaw(memory_, *variable), variable->scaling);
    }
    if (const ScalarDef* scalar = definitions_.scalars.find(name)) {
        return FormatValue(ReadRaw(memory_, *scalar), scalar->scaling);
    }
    return std::nullopt;
}

}  // namespace zvr::sim
