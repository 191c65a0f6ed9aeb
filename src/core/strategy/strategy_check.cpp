#include "strategy/strategy_check.h"

#include <algorithm>
#include <array>
#include <map>

#include "common/numbers.h"
#include "definitions/definition_set.h"

namespace zvr {

namespace {

// ---- the wizards' requirements --------------------------------------------------------

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

constexpr WizardRequirements kRequirements[] = {
    {ModelKind::Zevar620, kZevar620Parameters, "fault_flags", {}, {}},
    {ModelKind::Zevar740, kZevar740Parameters, "fault_flags1", {}, kAnalogVariables},
    {ModelKind::Lpn310, kLpn310Parameters, "fault_flags1", {}, {}},
    {ModelKind::Zevar880, kZevar880Parameters, "fault_flags1", kStepperScalars, kAnalogVariables},
    {ModelKind::Zevar210, kZevar210Parameters, "fault_flags1", {}, {}},
    {ModelKind::Kms2, kKms2Parameters, "fault_flags1", {}, {}},
};

// ---- the rules ------------------------------------------------------------------------

constexpr int kMaxHistoryScalars = 11;  // Display Faults looks up EE_FAULTS_1 to EE_FAULTS_11

using Problems = std::vector<std::string>;

std::string Quoted(std::string_view name) { return "'" + std::string(name) + "'"; }

void CheckRepeatedRecords(const DefinitionSet& set, Problems& problems) {
    const SectionCounts& counts = set.header.counts;
    const auto repeated = [&](size_t inFile, size_t kept, const char* what) {
        if (inFile > kept) {
            problems.push_back(std::to_string(inFile - kept) + " " + what +
                               " record(s) repeat an earlier name; the loader keeps only the "
                               "first of each");
        }
    };
    repeated(counts.number_of_variables, set.variables.count(), "variable");
    repeated(counts.number_of_scalars, set.scalars.count(), "scalar");

    const auto namedTwice = [&](const auto& table, const char* what) {
        std::map<std::string_view, int> seen;
        for (const auto& entry : table.entries()) {
            if (++seen[entry->name] == 2) {
                problems.push_back(std::string(what) + " " + Quoted(entry->name) +
                                   " is listed more than once");
            }
        }
    };
    namedTwice(set.viewItems, "view item");
    namedTwice(set.diagnostics, "diagnostic");
}

bool IsKnownType(char type) { return type == '$' || type == 'B' || type == 'S' || type == 'U'; }
bool IsKnownSize(int16_t size) { return size == 1 || size == 2 || size == 4; }

void CheckScaling(const char* what, const std::string& name, ScalingSpec scaling,
                  Problems& problems) {
    if (!IsKnownType(scaling.type)) {
        problems.push_back(std::string(what) + " " + Quoted(name) + " has scaling type " +
                           Quoted(std::string(1, scaling.type)) +
                           "; the types are '$', 'B', 'S' and 'U'");
    }
    if (!IsKnownSize(scaling.size)) {
        problems.push_back(std::string(what) + " " + Quoted(name) + " has size " +
                           std::to_string(scaling.size) + "; the sizes are 1, 2 and 4 bytes");
    }
}

void CheckScalings(const DefinitionSet& set, Problems& problems) {
    for (const auto& v : set.variables.entries())
        CheckScaling("variable", v->name, v->scaling, problems);
    for (const auto& s : set.scalars.entries()) {
        CheckScaling("scalar", s->name, s->scaling, problems);
        if (s->scaling.size == 4) {
            problems.push_back("scalar " + Quoted(s->name) +
                               " has size 4; the controller link writes only 1 or 2 bytes, so "
                               "a whole-calibration write stops at it");
        }
    }
    for (const auto& item : set.viewItems.entries())
        CheckScaling("view item", item->name, item->scaling, problems);
}

// Sizes other than 1, 2 and 4 are reported on their own; here they count as 2 bytes.
uint32_t StorageBytes(int16_t size) { return IsKnownSize(size) ? static_cast<uint32_t>(size) : 2; }

void CheckEepromOverlap(const DefinitionSet& set, Problems& problems) {
    std::vector<const ScalarDef*> byAddress;
    for (const auto& s : set.scalars.entries())
        byAddress.push_back(s.get());
    std::stable_sort(byAddress.begin(), byAddress.end(), [](const auto* a, const auto* b) {
        return a->eepromAddress < b->eepromAddress;
    });
    // Compare each scalar with the one whose bytes reach furthest among those before it.
    const ScalarDef* reach = nullptr;
    uint64_t reachEnd = 0;
    for (const ScalarDef* s : byAddress) {
        if (reach != nullptr && s->eepromAddress < reachEnd) {
            problems.push_back("scalars " + Quoted(reach->name) + " and " + Quoted(s->name) +
                               " overlap in EEPROM at " + AddressText(s->eepromAddress));
        }
        const uint64_t end = uint64_t{s->eepromAddress} + StorageBytes(s->scaling.size);
        if (end > reachEnd) {
            reach = s;
            reachEnd = end;
        }
    }
}

void CheckViewItems(const DefinitionSet& set, Problems& problems) {
    for (const auto& item : set.viewItems.entries()) {
        if (set.variables.find(item->name) == nullptr) {
            problems.push_back("view item " + Quoted(item->name) + " names no variable");
        }
    }
    if (set.viewItems.count() > ViewItemTable<ViewItemDef>::kMaxItems) {
        problems.push_back(std::to_string(set.viewItems.count()) +
                           " view items; the Parameter View shows at most 10");
    }
}

std::string HistoryName(int n) { return "EE_FAULTS_" + std::to_string(n); }

// Display Faults takes EE_FAULTS_1, EE_FAULTS_2 ... up to the first number missing.
void CheckFaultHistory(const DefinitionSet& set, Problems& problems) {
    int found = 0;
    while (found < kMaxHistoryScalars && set.scalars.find(HistoryName(found + 1)) != nullptr) {
        ++found;
    }
    for (int n = found + 2; n <= kMaxHistoryScalars; ++n) {
        if (set.scalars.find(HistoryName(n)) != nullptr) {
            problems.push_back("scalar " + Quoted(HistoryName(n)) +
                               " is never read: " + HistoryName(found + 1) + " is missing");
        }
    }
    if (found > 0 && static_cast<size_t>(found) != set.diagnostics.count()) {
        problems.push_back(std::to_string(set.diagnostics.count()) + " diagnostics but " +
                           std::to_string(found) +
                           " EE_FAULTS scalars; Display Faults needs one for each");
    }
}

void CheckModel(const DefinitionSet& set, Problems& problems) {
    const WizardRequirements* needs = RequirementsFor(set.header.modelKind);
    if (needs == nullptr) {
        problems.push_back("strategy name " + Quoted(set.header.strategyName) +
                           " names no controller model (Z99, ZVX5, ZVX0, ZVX, RRQ, KMS0)");
        return;
    }
    const auto missingScalars = [&](std::span<const std::string_view> names, const char* role) {
        for (std::string_view name : names) {
            if (set.scalars.find(name) == nullptr) {
                problems.push_back(std::string(role) + " " + Quoted(name) + " is missing");
            }
        }
    };
    missingScalars(needs->requiredParameters, "wizard parameter");
    missingScalars(needs->pageScalars, "wizard parameter");
    if (set.variables.find(needs->faultVariable) == nullptr) {
        problems.push_back("fault variable " + Quoted(needs->faultVariable) + " is missing");
    }
    for (std::string_view name : needs->pageVariables) {
        if (set.variables.find(name) == nullptr) {
            problems.push_back("wizard variable " + Quoted(name) + " is missing");
        }
    }
}

}  // namespace

const WizardRequirements* RequirementsFor(ModelKind model) {
    for (const WizardRequirements& needs : kRequirements) {
        if (needs.model == model) {
            return &needs;
        }
    }
    return nullptr;
}

std::vector<std::string> CheckStrategy(const DefinitionSet& set) {
    Problems problems;
    CheckRepeatedRecords(set, problems);
    CheckScalings(set, problems);
    CheckEepromOverlap(set, problems);
    CheckViewItems(set, problems);
    CheckFaultHistory(set, problems);
    CheckModel(set, problems);
    return problems;
}

}  // namespace zvr
