#include "controller_points.h"

#include <string>
#include <string_view>

#include "families/family_registry.h"

namespace zvr::sim {

ControllerPoints ControllerPoints::Find(const DefinitionSet& set) {
    auto variable = [&](std::string_view name) -> const VariableDef* {
        return set.variables.find(name);
    };
    auto scalar = [&](const char* name) -> const ScalarDef* { return set.scalars.find(name); };

    ControllerPoints p;
    p.engineRpm = variable("engine_rpm");
    p.nDesired = variable("n_desired");
    p.nError = variable("n_error");
    p.batteryVolts = variable("battery_volts");
    p.actDuty = variable("act_duty");
    p.actCurrent = variable("act_current");
    p.pidOutput = variable("pid_output");
    p.ecuTemp = variable("ecu_temp");
    p.governorState = variable("governor_state");
    p.engineHours = variable("engine_hours");
    // The fault word the family's wizard reads (of no family: "fault_flags1"), else
    // "fault_flags".
    const WizardRequirements* needs = RequirementsFor(set.header.modelKind);
    p.faultFlags = variable(needs != nullptr ? needs->faultVariable : "fault_flags1");
    if (p.faultFlags == nullptr) p.faultFlags = variable("fault_flags");
    p.adcApp = variable("adc_app");
    p.appMin = variable("app_min");
    p.appRange = variable("app_range");
    p.appPercent = variable("app_percent");
    p.switches = variable("switch_f_debounced");
    p.stepPosition = variable("step_position");
    p.stepTarget = variable("step_target");

    p.password = scalar("PASSWORD");
    p.proportionalGain = scalar("PROPORTIONAL_GAIN");
    p.integralGain = scalar("INTEGRAL_GAIN");
    p.derivativeGain = scalar("DERIVATIVE_GAIN");
    p.setSpeed1 = scalar("SET_SPEED_1");
    p.setSpeedMin = scalar("SET_SPEED_MIN");
    p.setSpeedMax = scalar("SET_SPEED_MAX");
    p.setSpeedTrim = scalar("SET_SPEED_TRIM");
    p.rampUpRate = scalar("RAMP_UP_RATE");
    p.rampDownRate = scalar("RAMP_DOWN_RATE");
    p.analogMode = scalar("EXTERNAL_ANALOG_MODE");
    p.appMinCal = scalar("APP_MIN_CAL");
    p.appRangeCal = scalar("APP_RANGE_CAL");
    p.stepMode = scalar("STEP_MODE");
    p.stepConfig = scalar("STEP_CONFIG");
    p.stepMaxStep = scalar("STEP_MAX_STEP");
    p.stepPeriod = scalar("STEP_PRD");
    for (int n = 1;; ++n) {
        const ScalarDef* history = set.scalars.find("EE_FAULTS_" + std::to_string(n));
        if (history == nullptr) break;
        p.faultHistory.push_back(history);
    }
    return p;
}

}  // namespace zvr::sim
