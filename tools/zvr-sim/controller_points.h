#pragma once

#include <vector>

#include "definitions/definition_set.h"

namespace zvr::sim {

// The definitions of a strategy that the simulated unit animates, found by name. A name the
// strategy lacks leaves its pointer null, and whatever depends on it simply does not happen.
// The pointers live as long as the definition set they were found in.
struct ControllerPoints {
    // Variables (RAM).
    const VariableDef* engineRpm = nullptr;
    const VariableDef* nDesired = nullptr;
    const VariableDef* nError = nullptr;
    const VariableDef* batteryVolts = nullptr;
    const VariableDef* actDuty = nullptr;
    const VariableDef* actCurrent = nullptr;
    const VariableDef* pidOutput = nullptr;
    const VariableDef* ecuTemp = nullptr;
    const VariableDef* governorState = nullptr;
    const VariableDef* engineHours = nullptr;
    const VariableDef* faultFlags = nullptr;  // "fault_flags1", or "fault_flags" on the 620
    const VariableDef* adcApp = nullptr;
    const VariableDef* appMin = nullptr;
    const VariableDef* appRange = nullptr;
    const VariableDef* appPercent = nullptr;
    const VariableDef* switches = nullptr;  // "switch_f_debounced"
    const VariableDef* stepPosition = nullptr;
    const VariableDef* stepTarget = nullptr;

    // Scalars (EEPROM).
    const ScalarDef* password = nullptr;
    const ScalarDef* proportionalGain = nullptr;
    const ScalarDef* integralGain = nullptr;
    const ScalarDef* derivativeGain = nullptr;
    const ScalarDef* setSpeed1 = nullptr;
    const ScalarDef* setSpeedMin = nullptr;
    const ScalarDef* setSpeedMax = nullptr;
    const ScalarDef* setSpeedTrim = nullptr;
    const ScalarDef* rampUpRate = nullptr;
    const ScalarDef* rampDownRate = nullptr;
    const ScalarDef* analogMode = nullptr;  // "EXTERNAL_ANALOG_MODE"
    const ScalarDef* appMinCal = nullptr;
    const ScalarDef* appRangeCal = nullptr;
    const ScalarDef* stepMode = nullptr;
    const ScalarDef* stepConfig = nullptr;
    const ScalarDef* stepMaxStep = nullptr;
    const ScalarDef* stepPeriod = nullptr;  // "STEP_PRD", microseconds per step
    // EE_FAULTS_1, EE_FAULTS_2, ... up to the first missing number; entry n-1 keeps the
    // history of the n-th diagnostic.
    std::vector<const ScalarDef*> faultHistory;

    static ControllerPoints Find(const DefinitionSet& set);
};

}  // namespace zvr::sim
