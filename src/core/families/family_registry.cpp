#include "families/family_registry.h"

#include <algorithm>
#include <array>

namespace zvr {

namespace {

// ---- Change Calibration's groups ------------------------------------------------------

constexpr const char* kZevarGroupNames[] = {
    "Governor Gain Calibration",
    "Engine Set Speed Calibration",
    "Speed Input Configuration",
    "Engine Start Calibration",
    "Actuator Current Limiting",
    "Actuator Output Calibration",
    "All Parameters",
};
constexpr const char* kZevar880GroupNames[] = {
    "Governor Gain Calibration",
    "Engine Set Speed Calibration",
    "Speed Input Configuration",
    "Engine Start Calibration",
    "Diagnostics Calibration",
    "Actuator Output Calibration",
    "All Parameters",
};
constexpr const char* kLpnGroupNames[] = {
    "Channel 1 Calibration",   "Channel 2 Calibration",      "Channel 3 Calibration",
    "Speed Input Calibration", "Engine Protection Switches", "Autocrank/Glow Plug Calibration",
    "All Parameters",
};
constexpr const char* kKms2GroupNames[] = {
    "Channel 1 Calibration",    "Channel 2 Calibration",           "Speed Input Calibration",
    "Engine Protection Switch", "Autocrank/Glow Plug Calibration", "All Parameters",
};

constexpr ScalarGroupTable kZevarGroups{"ZEVAR Value", kZevarGroupNames};
constexpr ScalarGroupTable kZevar880Groups{"ZEVAR Value", kZevar880GroupNames};
constexpr ScalarGroupTable kLpnGroups{"LPN Value", kLpnGroupNames};
constexpr ScalarGroupTable kKms2Groups{"KMS2 Value", kKms2GroupNames};

// ---- The wizards' requirements --------------------------------------------------------

constexpr std::string_view kZevar740Parameters[] = {
    "FACTORY_SETTINGS",     "PULSES_PER_REV",      "PULSES_PER_UPDATE",   "SWITCH_CONFIGURATION",
    "SET_SPEED_1",          "SET_SPEED_2",         "SET_SPEED_3",         "SET_SPEED_4",
    "SET_SPEED_MIN",        "SET_SPEED_MAX",       "SET_SPEED_WARMUP",    "EXTERNAL_ANALOG_MODE",
    "APP_MIN_CAL",          "APP_RANGE_CAL",       "SET_SPEED_TRIM",      "AUXILIARY_OUTPUT_MODE",
    "AUX_OUTPUT_RPM",       "WARMUP_TIME",         "RAMP_UP_RATE",        "RAMP_DOWN_RATE",
    "AUTOCRANK_CRANK_TIME", "AUTOCRANK_REST_TIME", "AUTOCRANK_MAX_TRIES", "ENGINE_PRTCT_RUN_TIME",
    "OVERSPEED_RPM",
};

// The ZEVAR 880 wizard asks for the ZEVAR 740's parameters, then its stepper's.
constexpr std::string_view kZevar880StepperParameters[] = {
    "STEP_MODE",
    "STEP_CONFIG",
    "STEP_POWER_DN",
    "STEP_CAL",
};

template <size_t N, size_t M>
constexpr std::array<std::string_view, N + M> Joined(const std::string_view (&first)[N],
                                                     const std::string_view (&then)[M]) {
    std::array<std::string_view, N + M> all{};
    std::copy(std::begin(first), std::end(first), all.begin());
    std::copy(std::begin(then), std::end(then), all.begin() + N);
    return all;
}

constexpr auto kZevar880Parameters = Joined(kZevar740Parameters, kZevar880StepperParameters);

constexpr std::string_view kZevar620Parameters[] = {
    "OPTIONS",       "PULSES_PER_REV", "PULSES_PER_SAMPLE", "SWITCH_CONFIGURATION",
    "SET_SPEED_1",   "SET_SPEED_2",    "SET_SPEED_3",       "SET_SPEED_4",
    "SET_SPEED_MIN", "SET_SPEED_MAX",  "SET_SPEED_WARMUP",
};

constexpr std::string_view kZevar210Parameters[] = {
    "PASSWORD",      "FACTORY_SETTINGS", "PULSES_PER_REV", "PULSES_PER_UPDATE",
    "SET_SPEED_MIN", "SET_SPEED_MAX",    "OVERSPEED_PCNT",
};

constexpr std::string_view kLpn310Parameters[] = {
    "FACTORY_SETTINGS",  "SPEED_TYPE",          "PULSES_PER_REV",      "PULSES_PER_UPDATE",
    "CHNL_1_OP_MODE",    "CHNL_1_RESET",        "CHNL_1_CONFIG",       "SET_SPEED_1",
    "RESET_SPEED_1",     "SET_DELAY_1",         "RESET_DELAY_1",       "CHNL_2_OP_MODE",
    "CHNL_2_RESET",      "CHNL_2_CONFIG",       "SET_SPEED_2",         "RESET_SPEED_2",
    "SET_DELAY_2",       "RESET_DELAY_2",       "CHNL_3_OP_MODE",      "CHNL_3_RESET",
    "CHNL_3_CONFIG",     "SET_SPEED_3",         "RESET_SPEED_3",       "SET_DELAY_3",
    "RESET_DELAY_3",     "SWITCH_CTRL",         "EP_A_ENABLE_RPM",     "EP_A_TIME",
    "EP_A_RUN_TIME",     "EP_B_ENABLE_RPM",     "EP_B_TIME",           "EP_B_RUN_TIME",
    "EP_C_ENABLE_RPM",   "EP_C_TIME",           "EP_C_RUN_TIME",       "AUTOCRANK_CRANK_TIME",
    "AUTOCRANK_NS_TIME", "AUTOCRANK_MAX_TRIES", "AUTOCRANK_REST_TIME", "AUTOCRANK_DELAY_TIME",
    "AUTOCRANK_CONFIG",  "CRANK_DISABLE",       "GLOWPLUG_TIME",       "SW_OPTIONS1",
    "LPN_TIMEOUT",       "NOSTART_2_CRANK",     "LOSS_TIME",
};

constexpr std::string_view kKms2Parameters[] = {
    "A2D_NOISE_CNT",
    "A2D_ORH",
    "A2D_ORL",
    "AUTOCRANK_CONFIG",
    "AUTOCRANK_CRANK_TIME",
    "AUTOCRANK_MAX_TRIES",
    "AUTOCRANK_NS_TIME",
    "AUTOCRANK_REST_TIME",
    "CHNL_1_CONFIG",
    "CHNL_1_MAX_CAL",
    "CHNL_1_MIN_CAL",
    "CHNL_1_OP_MODE",
    "CHNL_1_RESET",
    "CHNL_2_CONFIG",
    "CHNL_2_MAX_CAL",
    "CHNL_2_MIN_CAL",
    "CHNL_2_OP_MODE",
    "CHNL_2_RESET",
    "CRANK_DISABLE",
    "E2BOOT",
    "EEPROM_ITEGRITY",
    "EE_FAULTS_1",
    "EE_FAULTS_2",
    "LPN_TIMEOUT",
    "EP_ENABLE_RPM",
    "EP_RUN_TIME",
    "EP_TIME",
    "FACTORY_SETTINGS",
    "GLOWPLUG_TIME",
    "INPUT_STATE_TEST",
    "LOSS_TIME",
    "PASSWORD",
    "PULSES_PER_REV",
    "PULSES_PER_UPDATE",
    "RELAY_PULL_DELAY",
    "RELAY_VOLTS_H",
    "RELAY_VOLTS_M",
    "RESET_DELAY_1",
    "RESET_DELAY_2",
    "RESET_PCNT_1",
    "RESET_PCNT_2",
    "RLY_DTY_CAL",
    "RLY_DTY_H",
    "RLY_DTY_L",
    "RLY_DTY_M",
    "RLY_PERIOD",
    "SCI_IDLE_TIME",
    "SET_DELAY_1",
    "SET_DELAY_2",
    "SET_SPEED_1",
    "SET_SPEED_1_MAX",
    "SET_SPEED_1_MIN",
    "SET_SPEED_2",
    "SET_SPEED_2_MAX",
    "SET_SPEED_2_MIN",
    "SPEED_CAL_MAX",
    "SPEED_CAL_MIN",
    "SWDB_FRAME_TIME",
    "SW_OPTIONS1",
    "SW_OPTIONS2",
    "TEST_VERIFY_K",
    "USPEED_DLY",
    "VBAT_CAL_MAX",
    "VBAT_CAL_MIN",
    "VBAT_K",
};

// The analog calibration process of the ZEVAR 740 and 880 wizards reads these four.
constexpr std::string_view kAnalogVariables[] = {"adc_app", "app_min", "app_range",
                                                 "switch_f_debounced"};
// The ZEVAR 880 stepper process writes the travel first; without it the wizard ends.
constexpr std::string_view kStepperScalars[] = {"STEP_MAX_STEP"};

constexpr WizardRequirements kZevar620Needs{kZevar620Parameters, "fault_flags", {}, {}};
constexpr WizardRequirements kZevar740Needs{
    kZevar740Parameters, "fault_flags1", {}, kAnalogVariables};
constexpr WizardRequirements kZevar880Needs{kZevar880Parameters, "fault_flags1", kStepperScalars,
                                            kAnalogVariables};
constexpr WizardRequirements kZevar210Needs{kZevar210Parameters, "fault_flags1", {}, {}};
constexpr WizardRequirements kLpn310Needs{kLpn310Parameters, "fault_flags1", {}, {}};
constexpr WizardRequirements kKms2Needs{kKms2Parameters, "fault_flags1", {}, {}};

// ---- The families -----------------------------------------------------------------------
// In the order of the Configure menu. The download questions differ in their spacing before
// "Abort"; they are kept as the program has always shown them.

constexpr ControllerModel kModels[] = {
    {
        .modelName = "ZEVAR 880",
        .kind = ModelKind::Zevar880,
        .strategyPrefix = "ZVX5",
        .identificationLayout = '1',
        .fileNameStrategyLength = 4,
        .productWord = "ZEVAR",
        .demoKey = "DEMO880",
        .menuText = "ZEVAR 880 DEMO",
        .menuPrompt = "Start ZEVAR 880 Demo Mode",
        .menuCommand = 32800,
        .buttonText = "ZEVAR 880",
        .buttonId = 1173,
        .downloadQuestion = "Error - This is a 880 series cal file. It does not match your "
                            "controller.  Abort Download?",
        .scalarGroups = &kZevar880Groups,
        .helpStrategy = "ZVX51A04",
        .wizardTitle = "ZEVAR 880 Calibration Wizard",
        .wizardNeeds = &kZevar880Needs,
    },
    {
        .modelName = "ZEVAR 740",
        .kind = ModelKind::Zevar740,
        .strategyPrefix = "ZVX",
        .identificationLayout = '1',
        .fileNameStrategyLength = 3,
        .productWord = "ZEVAR",
        .demoKey = "DEMO740",
        .menuText = "ZEVAR 740 DEMO",
        .menuPrompt = "Start ZEVAR 740 Demo Mode",
        .menuCommand = 32797,
        .buttonText = "ZEVAR 740",
        .buttonId = 1172,
        .downloadQuestion = "Error - This is a 740 series cal file. It does not match your "
                            "controller. Abort Download?",
        .downloadChecksStrategy = true,
        .scalarGroups = &kZevarGroups,
        .helpStrategy = "ZVX41R03",
        .wizardTitle = "ZEVAR 740 Calibration Wizard",
        .wizardNeeds = &kZevar740Needs,
    },
    {
        // Its strategies are named "ZVX..." and run as the ZEVAR 740's, wizard included.
        .demoKey = "DEMO760",
        .menuText = "ZEVAR 760 DEMO",
        .menuPrompt = "Start ORM 760 Demo Mode",
        .menuCommand = 32807,
        .buttonText = "ZEVAR 760",
        .buttonId = 1174,
        .helpStrategy = "ZVX61S01",
    },
    {
        .modelName = "ZEVAR 620",
        .kind = ModelKind::Zevar620,
        .strategyPrefix = "Z99",
        .identificationLayout = '0',
        .namesUnmatchedReplies = true,
        .fileNameStrategyLength = 2,
        .productWord = "ZEVAR",
        .demoKey = "DEMO620",
        .menuText = "ZEVAR 620 DEMO",
        .menuPrompt = "Start ZEVAR 620 Demo Mode",
        .menuCommand = 32796,
        .buttonText = "ZEVAR 620",
        .buttonId = 1170,
        .downloadQuestion = "Error - This is a 620 series cal file. It does not match your "
                            "controller. Abort Download?",
        .scalarGroups = &kZevarGroups,
        .helpStrategy = "Z99620G1",
        .wizardTitle = "ZEVAR 620 Calibration Wizard",
        .wizardNeeds = &kZevar620Needs,
    },
    {
        .modelName = "ZEVAR 210",
        .kind = ModelKind::Zevar210,
        .strategyPrefix = "ZVX0",
        .identificationLayout = '1',
        .productWord = "ZEVAR",
        .demoKey = "DEMO210",
        .menuText = "ZEVAR 210 DEMO",
        .menuPrompt = "Start ZEVAR 210 Demo Mode",
        .menuCommand = 32814,
        .buttonText = "ZEVAR 210",
        .buttonId = 1175,
        .downloadQuestion = "Error - This is a 210 series cal file. It does not match your "
                            "controller.  Abort Download?",
        .scalarGroups = &kZevarGroups,
        .helpStrategy = "ZVX01B02",
        .wizardTitle = "ZEVAR 210 Calibration Wizard",
        .wizardNeeds = &kZevar210Needs,
    },
    {
        .modelName = "LPN 310",
        .kind = ModelKind::Lpn310,
        .strategyPrefix = "RRQ",
        .identificationLayout = '1',
        .namesUnmatchedReplies = true,
        .fileNameStrategyLength = 3,
        .productWord = "LPN",
        .demoKey = "DEMO310",
        .menuText = "LPN 310 DEMO",
        .menuPrompt = "Start LPN 310 Demo Mode",
        .menuCommand = 32798,
        .buttonText = "LPN 310",
        .buttonId = 1171,
        .downloadQuestion = "Error - This is a 310 series cal file. It does not match your "
                            "controller.  Abort Download?",
        .scalarGroups = &kLpnGroups,
        .helpStrategy = "RRQ31E05",
        .wizardTitle = "ECM 310 Calibration Wizard",
        .wizardNeeds = &kLpn310Needs,
    },
    {
        .modelName = "KMS-2",
        .kind = ModelKind::Kms2,
        .strategyPrefix = "KMS0",
        .identificationLayout = '1',
        .productWord = "KMS-2",
        .demoKey = "DEMOKMS2",
        .menuText = "KMS-2 DEMO",
        .menuPrompt = "Start KSM-2 Demo Mode",
        .menuCommand = 32816,
        .buttonText = "KMS-2",
        .buttonId = 1176,
        .downloadQuestion = "Error - This is a KMS-2 series cal file. It does not match your "
                            "controller.  Abort Download?",
        .scalarGroups = &kKms2Groups,
        .helpStrategy = "KMS01K01",
        .wizardTitle = "KMS-2 Calibration Wizard",
        .wizardNeeds = &kKms2Needs,
    },
};

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    const auto upper = [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (upper(text[i]) != upper(prefix[i])) return false;
    }
    return true;
}

// The model of the longest prefix that matches the name, among those `counts` lets compete.
template <typename Counts, typename Matches>
const ControllerModel* LongestPrefix(Counts counts, Matches matches) {
    const ControllerModel* best = nullptr;
    for (const ControllerModel& model : kModels) {
        if (model.strategyPrefix.empty() || !counts(model) || !matches(model.strategyPrefix)) {
            continue;
        }
        if (best == nullptr || model.strategyPrefix.size() > best->strategyPrefix.size()) {
            best = &model;
        }
    }
    return best;
}

}  // namespace

std::span<const ControllerModel> ControllerModels() { return kModels; }

const ControllerModel* ModelForStrategyName(std::string_view name) {
    return LongestPrefix([](const ControllerModel&) { return true; },
                         [name](std::string_view prefix) { return name.starts_with(prefix); });
}

const ControllerModel* ModelForKind(ModelKind kind) {
    if (kind == ModelKind::Unknown) return nullptr;
    for (const ControllerModel& model : kModels) {
        if (model.kind == kind) return &model;
    }
    return nullptr;
}

const ControllerModel* ModelForDemoKey(std::string_view key) {
    for (const ControllerModel& model : kModels) {
        if (key == model.demoKey) return &model;
    }
    return nullptr;
}

const ControllerModel* ModelForIdentification(char layout, std::string_view fileName) {
    const auto ofLayout = [layout](const ControllerModel& m) {
        return m.identificationLayout == layout;
    };
    if (const ControllerModel* model = LongestPrefix(
            ofLayout, [fileName](std::string_view p) { return fileName.starts_with(p); })) {
        return model;
    }
    for (const ControllerModel& model : kModels) {
        if (ofLayout(model) && model.namesUnmatchedReplies) return &model;
    }
    return nullptr;
}

const ControllerModel* ModelForFileName(std::string_view baseName) {
    return LongestPrefix(
        [](const ControllerModel& m) { return m.fileNameStrategyLength > 0; },
        [baseName](std::string_view prefix) { return StartsWithIgnoringCase(baseName, prefix); });
}

const ScalarGroupTable& GroupTableFor(std::string_view strategyName) {
    const ControllerModel* model = ModelForStrategyName(strategyName);
    return model != nullptr && model->scalarGroups != nullptr ? *model->scalarGroups : kZevarGroups;
}

std::string ProductWord(std::string_view strategyName) {
    const ControllerModel* model = ModelForStrategyName(strategyName);
    return model != nullptr ? model->productWord : "ZEVAR";
}

const WizardRequirements* RequirementsFor(ModelKind kind) {
    const ControllerModel* model = ModelForKind(kind);
    return model != nullptr ? model->wizardNeeds : nullptr;
}

}  // namespace zvr
