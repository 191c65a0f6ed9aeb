#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "analog_input.h"
#include "controller_memory.h"
#include "controller_points.h"
#include "engine_model.h"
#include "fault_model.h"
#include "stepper_model.h"

namespace zvr::sim {

// One simulated controller: the memory image its strategy lays out, and the engine, faults,
// pedal and stepper that keep the RAM variables alive. EEPROM holds the scalars (each at its
// cal-file value until written), RAM the variables.
//
// Not thread-safe: the simulator guards it with one mutex.
class ControllerUnit {
public:
    static constexpr double kDefaultSetSpeed = 1500;  // rpm, for a strategy without set speeds
    static constexpr PidGains kDefaultGains{2.5, 1.25, 0.125};

    ControllerUnit(DefinitionSet definitions, uint32_t seed);

    const DefinitionSet& definitions() const { return definitions_; }
    const ControllerMemory& memory() const { return memory_; }
    const EngineModel& engine() const { return engine_; }

    // Keeps the EEPROM part in this file: loads it now (a missing file is fine) and writes it
    // after every change. false with the reason when the file cannot be used.
    bool useEepromFile(const std::string& path, std::string& error);

    // The protocol's view.
    uint16_t readWord(uint16_t address) const { return memory_.word(address); }
    // A write is committed only to the address of a scalar or of a diagnostic's stored flag
    // word; false (nothing written) for any other address.
    bool commitWrite(uint16_t address, std::span<const uint8_t> value);
    // A strategy without PASSWORD is always open.
    bool passwordAccepted(uint16_t code) const;

    // Moves the unit on by this much simulated time.
    void advance(double seconds);
    // The speed the governor aims at now (after the ramps).
    double desiredRpm() const { return desired_; }

    // What the control channel sets.
    void setPedal(double position);
    void setIdleSwitch(bool closed);
    // diagnostic counts from 1, as the control channel does; false when out of range.
    bool setFault(size_t diagnostic, int bit, bool on);
    void setUncalibrated(bool on);
    void setFatal(bool on);
    void setLoad(double percent);
    // The value of a variable or scalar as the program would show it, or nothing.
    std::optional<std::string> valueText(std::string_view name) const;

    // The last EEPROM file error, emptied when read.
    std::string takeEepromError();

private:
    // The engine running steadily at the set speed the memory names, and the RAM showing it.
    void startSteady();
    double targetRpm() const;
    PidGains gains() const;
    void publishEngine(double seconds);
    // Faults and analog input into memory; saves the EEPROM once when either changed it or
    // the caller already had (eepromChanged).
    void refresh(bool eepromChanged = false);
    void saveEeprom();

    DefinitionSet definitions_;
    ControllerPoints points_;
    ControllerMemory memory_;
    std::set<uint32_t> commitAddresses_;
    FaultModel faults_;
    AnalogInput analog_;
    StepperModel stepper_;
    EngineModel engine_;
    double desired_ = 0;
    double load_ = 0;
    double temperature_ = 25;
    double hours_ = 0;
    std::mt19937 noise_;
    std::string eepromPath_;
    std::string eepromError_;
};

}  // namespace zvr::sim
