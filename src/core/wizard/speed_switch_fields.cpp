#include "wizard/speed_switch_fields.h"

namespace zvr {

namespace {

constexpr FieldKind kEdit = FieldKind::Edit;
constexpr FieldKind kCheck = FieldKind::Check;
constexpr int kSwitch = kSpeedSwitchGroup;
constexpr int kCrank = kAutocrankGroup;
constexpr int kGlow = kGlowPlugGroup;

// Tool tips; the KMS-2 shows those of the LPN 310 item that does the same.
constexpr const char* kTipSetSpeed = "Minimum rpm to go to Set condition";
constexpr const char* kTipSetDelay = "Time above Set Speed before going to Set condition (msec)";
constexpr const char* kTipEpA = "Check = go to Set condition on EP-A fault";
constexpr const char* kTipStartSwitch = "Check = Go to Set condition when Start Switch Off";
constexpr const char* kTipLoss = "Check = Go to Set condition on loss of speed signal";
constexpr const char* kTipSequenceL = "Check = Disable Set condition until lower channel Set";
constexpr const char* kTipOverspeed = "Check = Enable Overspeed Fault when set speed exceeded";
constexpr const char* kTipResetDelay =
    "Time below Reset Speed before returning to Reset condition (msec)";
constexpr const char* kTipResetSpeed = "Maximum rpm to return to Reset condition";
constexpr const char* kTipCrankTime = "Maximum time engine will crank without starting (sec)";
constexpr const char* kTipRestTime = "Time engine will rest between crank attempts (sec)";
constexpr const char* kTipTries = "Maximum number of crank attempts without starting";
constexpr const char* kTipNoStart = "Max delay for sensing engine speed (sec)";
constexpr const char* kTipCrankDisable = "Minimum RPM for engine running - stop cranking";
constexpr const char* kTipDisableA = "Check = Disable Autocrank on EP-A fault";

constexpr const char* kSetDelayLabel = "Set Delay (msec) (1000msec = 1sec):";
constexpr const char* kResetDelayLabel = "Reset Delay (msec) (1000msec = 1sec):";

// ---- LPN 310 ------------------------------------------------------------------------------

constexpr const char* kLpnModes[] = {"Normal Speed Switch Mode", "Reverse Speed Switch Mode",
                                     "Autocrank Controller", "Glow Plug Controller"};
constexpr const char* kLpnResetOptions[] = {"Automatic Reset at 80% of Set Speed",
                                            "Automatic Reset at user selectable speed",
                                            "Latched reset", "Reset with Manual Reset switch"};
constexpr uint32_t kLpnResetCodes[] = {0, 1, 2, 3};

// Reset delay with the automatic resets (options 0, 1), reset speed with option 1 only.
constexpr unsigned kAutomaticResets = 0b0011;
constexpr unsigned kUserResetSpeed = 0b0010;

constexpr ScalarField kLpnChannelFields[] = {
    {"set_speed", kEdit, "Set Speed (rpm):", "SET_SPEED_%d", "Reset Set Speed is out of range.",
     kTipSetSpeed, 0, kSwitch, 0, 1},
    {"set_delay", kEdit, kSetDelayLabel, "SET_DELAY_%d", "Reset Set Delay is out of range.",
     kTipSetDelay, 0, kSwitch, 0, 2},
    {"ep_a", kCheck, "Engine Protection A:", "CHNL_%d_CONFIG", "", kTipEpA, 1, kSwitch},
    {"ep_b", kCheck, "Engine Protection B:", "CHNL_%d_CONFIG", "",
     "Check = go to Set condition on EP-B fault", 2, kSwitch},
    {"ep_c", kCheck, "Engine Protection C:", "CHNL_%d_CONFIG", "",
     "Check = go to Set condition on EP-C fault", 4, kSwitch},
    {"start_switch", kCheck, "Start Switch Off = Set", "CHNL_%d_CONFIG", "", kTipStartSwitch, 8,
     kSwitch},
    {"loss", kCheck, "Loss of Speed = Set", "CHNL_%d_CONFIG", "", kTipLoss, 16, kSwitch},
    {"sequence_l", kCheck, "Sequence L ", "CHNL_%d_CONFIG", "", kTipSequenceL, 32, kSwitch},
    {"sequence_h", kCheck, "Sequence H", "CHNL_%d_CONFIG", "",
     "Check = Disable set condition until upper channel Set", 64, kSwitch},
    {"overspeed", kCheck, "Overspeed Fault Enable", "CHNL_%d_CONFIG", "", kTipOverspeed, 128,
     kSwitch},
    {"reset_delay", kEdit, kResetDelayLabel, "RESET_DELAY_%d", "Reset Delay is out of range.",
     kTipResetDelay, 0, kSwitch, kAutomaticResets, 3},
    {"reset_speed", kEdit, "Reset Speed (rpm)", "RESET_SPEED_%d", "Reset Speed is out of range.",
     kTipResetSpeed, 0, kSwitch, kUserResetSpeed, 4},

    {"crank_time", kEdit, "Engine Crank Time (sec)", "AUTOCRANK_CRANK_TIME",
     "Crank Time is out of range", kTipCrankTime, 0, kCrank, 0, 4},
    {"rest_time", kEdit, "Rest Time (sec)", "AUTOCRANK_REST_TIME",
     "Crank Rest Time is out of range", kTipRestTime, 0, kCrank, 0, 3},
    {"tries", kEdit, "Maximum number of crank attempts: ", "AUTOCRANK_MAX_TRIES",
     "Crank Attempt count is out of range", kTipTries, 0, kCrank, 0, 5},
    {"first_delay", kEdit, "Delay before first crank attempt (sec)", "AUTOCRANK_DELAY_TIME",
     "Initial Delay is out of range", "Delay before cranking, for Glow Plug warm up, etc.(sec)", 0,
     kCrank, 0, 2},
    {"no_start", kEdit, "Maximum no-start time (sec):", "AUTOCRANK_NS_TIME",
     "No Start Time is out of range", kTipNoStart, 0, kCrank, 0, 1},
    {"crank_disable", kEdit, " Crank Disable Speed (rpm)", "CRANK_DISABLE",
     "Crank Disable RPM is out of range", kTipCrankDisable, 0, kCrank, 0, 6},
    {"disable_a", kCheck, "Disable crank on Engine Protect A:", "AUTOCRANK_CONFIG", "",
     kTipDisableA, 1, kCrank},
    {"disable_b", kCheck, "Disable crank on Engine Protect B:", "AUTOCRANK_CONFIG", "",
     "Check = Disable Autocrank on EP-B fault", 2, kCrank},
    {"disable_c", kCheck, "Disable crank on Engine Protect C:", "AUTOCRANK_CONFIG", "",
     "Check = Disable Autocrank on EP-C fault", 4, kCrank},

    {"glow_time", kEdit, "Glow Plug time (sec)", "GLOWPLUG_TIME", "No Start Time is out of range",
     "", 0, kGlow},
};

const ChannelLayout kLpnChannel{kLpnModes, kLpnResetOptions, kLpnResetCodes, kLpnChannelFields, {}};

// ---- KMS-2 --------------------------------------------------------------------------------

constexpr const char* kKmsResetOptions[] = {"Automatic Reset on % of Set Speed", "Latched Reset",
                                            "Reset with Manual Reset Switch"};
constexpr uint32_t kKmsResetCodes[] = {0, 2, 3};
constexpr unsigned kAutomaticResetOnly = 0b0001;

constexpr ScalarField kKmsChannelFields[] = {
    {"set_speed_min", kEdit, "Set Speed Min (rpm):", "SET_SPEED_%d_MIN",
     "SetSpeed MIN is out of range.", kTipSetSpeed, 0, kSwitch, 0, 1},
    {"set_speed_max", kEdit, "Set Speed Max (rpm):", "SET_SPEED_%d_MAX",
     "SetSpeed MAX is out of range.", kTipSetSpeed, 0, kSwitch, 0, 2},
    {"set_delay", kEdit, kSetDelayLabel, "SET_DELAY_%d", "Reset Set Delay is out of range.",
     kTipSetDelay, 0, kSwitch, 0, 3},
    {"ep", kCheck, "Engine Protection", "CHNL_%d_CONFIG", "", kTipEpA, 1, kSwitch},
    {"verify", kCheck, "Verify Switch", "CHNL_%d_CONFIG", "", kTipStartSwitch, 8, kSwitch},
    {"loss", kCheck, "Loss of Speed = Set", "CHNL_%d_CONFIG", "", kTipLoss, 16, kSwitch},
    {"sequence", kCheck, "Sequence", "CHNL_%d_CONFIG", "", kTipSequenceL, 32, kSwitch},
    {"overspeed", kCheck, "Overspeed Fault Enable", "CHNL_%d_CONFIG", "", kTipOverspeed, 128,
     kSwitch},
    {"reset_delay", kEdit, kResetDelayLabel, "RESET_DELAY_%d", "Reset Delay is out of range.",
     kTipResetDelay, 0, kSwitch, kAutomaticResetOnly, 4},
    {"reset_pcnt", kEdit, "Reset Percentage (%)", "RESET_PCNT_%d",
     "Reset Percentage needs to be between 0 and 100", kTipResetSpeed, 0, kSwitch,
     kAutomaticResetOnly, 5, EntryRule::Percentage},

    {"crank_time", kEdit, "Engine Crank Time (sec)", "AUTOCRANK_CRANK_TIME",
     "Crank Time is out of range", kTipCrankTime, 0, kCrank, 0, 3},
    {"rest_time", kEdit, "Rest Time (sec)", "AUTOCRANK_REST_TIME",
     "Crank Rest Time is out of range", kTipRestTime, 0, kCrank, 0, 2},
    {"tries", kEdit, "Maximum number of crank attempts: ", "AUTOCRANK_MAX_TRIES",
     "Crank Attempt count is out of range", kTipTries, 0, kCrank, 0, 4},
    {"no_start", kEdit, "Maximum no-start time (sec):", "AUTOCRANK_NS_TIME",
     "No Start Time is out of range", kTipNoStart, 0, kCrank, 0, 1},
    // An autocrank channel's set-speed window holds its crank-disable speeds.
    {"crank_max", kEdit, "Maximum Crank Disable Speed (rpm)", "SET_SPEED_%d_MAX",
     "Maximum Crank Disable RPM is out of range", kTipCrankDisable, 0, kCrank, 0, 5},
    {"crank_min", kEdit, "Minimum Crank Disable Speed (rpm)", "SET_SPEED_%d_MIN",
     "Minimum Crank Disable RPM is out of range", kTipCrankDisable, 0, kCrank, 0, 6},
    {"disable_ep", kCheck, "Disable crank on Engine Protect:", "AUTOCRANK_CONFIG", "", kTipDisableA,
     1, kCrank},

    {"glow_time", kEdit, "Maximum Adjustable Glow Plug time (sec)", "GLOWPLUG_TIME",
     "No Start Time is out of range", "", 0, kGlow},
};

constexpr FieldOrder kKmsOrders[] = {
    {kSwitch, "set_speed_min", "set_speed_max", "set_speed_max", true,
     "Set Speed MIN must be less than Set Speed MAX"},
    {kCrank, "crank_min", "crank_max", "crank_min", false,
     "Maximum Crank Disable RPM is smaller than Minumum Crank Disable RPM"},
};

const ChannelLayout kKmsChannel{kLpnModes, kKmsResetOptions, kKmsResetCodes, kKmsChannelFields,
                                kKmsOrders};

// ---- protection ---------------------------------------------------------------------------

constexpr const char* kSwitchingTypes[] = {"Switch to Ground", "Switch to Vbatt"};
constexpr const char* kTipSwitching = "Electrical characteristic of switch";
constexpr const char* kTipLossTime = "Max Time without speed signal after start switch on (sec)";

// Checked A, B and C enable speeds, then the run times, the debounce times, the loss time.
constexpr ScalarField kLpnProtectionFields[] = {
    {"a_type", FieldKind::Choice, "Switching Type", "SWITCH_CTRL", "", kTipSwitching, 1, 1, 0, 0,
     EntryRule::Limits, kSwitchingTypes, "Engine Protect Channel A"},
    {"a_enable",
     kEdit,
     "Enable RPM",
     "EP_A_ENABLE_RPM",
     "Enable RPM A is out of range",
     "Minimum RPM to Enable EP-A fault detection",
     0,
     1,
     0,
     1,
     EntryRule::Limits,
     {},
     "Engine Protect Channel A"},
    {"a_run",
     kEdit,
     "Run Time (sec):",
     "EP_A_RUN_TIME",
     "Run Time A is out of range",
     "Time above Enable RPM before EP-A fault detection (sec)",
     0,
     1,
     0,
     4,
     EntryRule::Limits,
     {},
     "Engine Protect Channel A"},
    {"a_debounce",
     kEdit,
     "Debounce Time (msec)",
     "EP_A_TIME",
     "Switch Debounce Time A is out of range",
     "EP-A switch debounce time (msec) - Note: 1000 msec = 1 sec",
     0,
     1,
     0,
     7,
     EntryRule::Limits,
     {},
     "Engine Protect Channel A"},
    {"b_type", FieldKind::Choice, "Switching Type", "SWITCH_CTRL", "", kTipSwitching, 2, 1, 0, 0,
     EntryRule::Limits, kSwitchingTypes, "Engine Protect Channel B"},
    {"b_enable",
     kEdit,
     "Enable RPM",
     "EP_B_ENABLE_RPM",
     "Enable RPM B is out of range",
     "Minimum RPM to Enable EP-B fault detection",
     0,
     1,
     0,
     2,
     EntryRule::Limits,
     {},
     "Engine Protect Channel B"},
    {"b_run",
     kEdit,
     "Run Time (sec):",
     "EP_B_RUN_TIME",
     "Run Time B is out of range",
     "Time above Enable RPM before EP-B fault detection (sec)",
     0,
     1,
     0,
     5,
     EntryRule::Limits,
     {},
     "Engine Protect Channel B"},
    {"b_debounce",
     kEdit,
     "Debounce Time (msec)",
     "EP_B_TIME",
     "Switch Debounce Time B is out of range",
     "EP-B switch debounce time (msec) - Note: 1000 msec = 1 sec",
     0,
     1,
     0,
     8,
     EntryRule::Limits,
     {},
     "Engine Protect Channel B"},
    {"c_type", FieldKind::Choice, "Switching Type", "SWITCH_CTRL", "", kTipSwitching, 4, 1, 0, 0,
     EntryRule::Limits, kSwitchingTypes, "Engine Protect Channel C"},
    {"c_enable",
     kEdit,
     "Enable RPM",
     "EP_C_ENABLE_RPM",
     "Enable RPM C is out of range",
     "Minimum RPM to Enable EP-C fault detection",
     0,
     1,
     0,
     3,
     EntryRule::Limits,
     {},
     "Engine Protect Channel C"},
    {"c_run",
     kEdit,
     "Run Time (sec):",
     "EP_C_RUN_TIME",
     "Run Time C is out of range",
     "Time above Enable RPM before EP-C fault detection (sec)",
     0,
     1,
     0,
     6,
     EntryRule::Limits,
     {},
     "Engine Protect Channel C"},
    {"c_debounce",
     kEdit,
     "Debounce Time (msec)",
     "EP_C_TIME",
     "Switch Debounce Time C is out of range",
     "EP-C switch debounce time (msec) - Note: 1000 msec = 1 sec",
     0,
     1,
     0,
     9,
     EntryRule::Limits,
     {},
     "Engine Protect Channel C"},
    {"loss", kEdit, "Loss of Speed Signal time (sec):", "LOSS_TIME",
     "Loss of Speed Time is out of range", kTipLossTime, 0, 1, 0, 10},
};

constexpr ScalarField kKmsProtectionFields[] = {
    {"enable", kEdit, "Enable RPM", "EP_ENABLE_RPM", "Enable RPM A is out of range",
     "Minimum RPM to Enable EP fault detection", 0, 1, 0, 1},
    {"run", kEdit, "Run Time (sec):", "EP_RUN_TIME", "Run Time A is out of range",
     "Time above Enable RPM before EP fault detection (sec)", 0, 1, 0, 2},
    {"debounce", kEdit, "Debounce Time (msec)", "EP_TIME", "Switch Debounce Time A is out of range",
     "EP switch debounce time (msec) - Note: 1000 msec = 1 sec", 0, 1, 0, 3},
    {"loss", kEdit, "Loss of Speed Signal time (sec):", "LOSS_TIME",
     "Loss of Speed Time is out of range", kTipLossTime, 0, 1, 0, 4},
};

}  // namespace

const ChannelLayout& Lpn310Channel() { return kLpnChannel; }
const ChannelLayout& Kms2Channel() { return kKmsChannel; }
std::span<const ScalarField> Lpn310Protection() { return kLpnProtectionFields; }
std::span<const ScalarField> Kms2Protection() { return kKmsProtectionFields; }

}  // namespace zvr
