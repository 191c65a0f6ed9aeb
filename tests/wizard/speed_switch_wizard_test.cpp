// The LPN 310 and KMS-2 wizards: their derived values as tables, the parse-and-check of every
// edit against the shipped strategies' scalars, and both wizards against zvr-sim on a
// pseudo-terminal with RRQ31E05 (LPN 310) and KMS01K01 (KMS-2).

#include <cmath>
#include <functional>

#include "definitions/cal_file.h"
#include "wizard/kms2_wizard.h"
#include "wizard/lpn310_wizard.h"
#include "wizard/wizard_fixture.h"

namespace zvr::test {
namespace {

// ---- derived values ---------------------------------------------------------------------

struct DeriveCase {
    const char* what;
    std::vector<ChannelSpeed> channels;
    double pulsesPerRev;
    double lowest;
    double noStart;
    double timeout;
    std::optional<double> crankDisable;
    double perUpdate;
};

TEST(Lpn310Derived, LowestSetSpeedDecidesTimingsAndPulsesPerUpdate) {
    const DeriveCase cases[] = {
        {"all glow plug", {{3, 500}, {3, 600}, {3, 700}}, 60, kNoSetSpeed, 50, 50, 700, 60},
        {"300 rpm at 2 pulses is 10 per second",
         {{0, 300}, {1, 900}, {3, 100}},
         2,
         300,
         50,
         50,
         210,
         2},
        {"just under 10 pulses per second",
         {{0, 290}, {0, 900}, {0, 900}},
         2,
         290,
         50,
         200,
         203,
         2},
        {"below 250 rpm", {{0, 200}, {0, 900}, {0, 900}}, 60, 200, 40, 50, 140, 1},
        {"exactly 250 rpm", {{1, 250}, {0, 900}, {0, 900}}, 60, 250, 50, 50, 175, 60},
        {"999 rpm", {{0, 999}, {0, 1500}, {0, 1500}}, 60, 999, 50, 50, 699.3, 60},
        {"an autocrank channel keeps its own crank disable",
         {{2, 100}, {0, 1500}, {3, 50}},
         60,
         1500,
         50,
         50,
         std::nullopt,
         60},
    };
    for (const DeriveCase& c : cases) {
        const Lpn310Derived derived = DeriveLpn310(c.channels, c.pulsesPerRev);
        EXPECT_EQ(derived.lowest, c.lowest) << c.what;
        EXPECT_DOUBLE_EQ(derived.noStartToCrank, c.noStart) << c.what;
        EXPECT_EQ(derived.timeout, c.timeout) << c.what;
        ASSERT_EQ(derived.crankDisable.has_value(), c.crankDisable.has_value()) << c.what;
        if (c.crankDisable) {
            EXPECT_DOUBLE_EQ(*derived.crankDisable, *c.crankDisable) << c.what;
        }
        EXPECT_EQ(derived.pulsesPerUpdate, c.perUpdate) << c.what;
    }
}

TEST(Kms2PulsesPerUpdate, FollowsTheLowestSetSpeedMinimumOfTheSpeedSwitches) {
    struct Case {
        std::vector<ChannelSpeed> channels;
        double perUpdate;
    };
    const Case cases[] = {
        {{{0, 250}, {1, 3000}}, 30},
        {{{0, 3000}, {1, 249}}, 1},
        // Autocrank and glow-plug channels have no set speed, whatever their window holds.
        {{{2, 100}, {3, 100}}, 30},
        {{{2, 100}, {0, 260}}, 30},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PulsesPerUpdateAt(30, LowestSetSpeed(c.channels)), c.perUpdate)
            << c.channels[0].setSpeed << " " << c.channels[1].setSpeed;
    }
}

// ---- parse-and-check against the strategies' own limits -----------------------------------

std::string Text(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

TEST(ParseWithinLimits, TakesEachScalarsMinimumAndMaximumAndNotOneRawStepBeyond) {
    DefinitionSet lpn;
    DefinitionSet kms;
    ScriptedPrompt prompt;
    ASSERT_EQ(LoadCalFile(lpn, std::string(ZVR_STRATEGY_DIR) + "/RRQ31E05.000", prompt), 0);
    ASSERT_EQ(LoadCalFile(kms, std::string(ZVR_STRATEGY_DIR) + "/KMS01K01.000", prompt), 0);
    struct Case {
        const DefinitionSet& set;
        const char* scalar;
    };
    // Whole numbers, binary points 4 and 14, bytes and words.
    const Case cases[] = {
        {lpn, "SET_SPEED_1"}, {lpn, "AUTOCRANK_REST_TIME"}, {lpn, "AUTOCRANK_MAX_TRIES"},
        {lpn, "EP_B_TIME"},   {kms, "SET_SPEED_2_MIN"},     {kms, "RESET_PCNT_1"},
        {kms, "LOSS_TIME"}};
    for (const Case& c : cases) {
        const ScalarDef& def = *c.set.scalars.find(c.scalar);
        const double step = std::ldexp(1.0, -def.scaling.binaryPoint);
        const double low = RawToEng(def.minRaw, def.scaling);
        const double high = RawToEng(def.maxRaw, def.scaling);
        EXPECT_EQ(ParseWithinLimits(def, Text(low)), def.minRaw) << c.scalar;
        EXPECT_EQ(ParseWithinLimits(def, Text(high)), def.maxRaw) << c.scalar;
        EXPECT_FALSE(ParseWithinLimits(def, Text(low - step))) << c.scalar;
        EXPECT_FALSE(ParseWithinLimits(def, Text(high + step))) << c.scalar;
    }
    const ScalarDef& speed = *lpn.scalars.find("SET_SPEED_1");
    EXPECT_EQ(ParseWithinLimits(speed, " 1200 "), 1200u);
    // Not a number, or too long for the edit: never read as some other number.
    for (const std::string& bad :
         {std::string(), std::string("abc"), std::string("x1200"), std::string(60, '0') + "1200"}) {
        EXPECT_FALSE(ParseWithinLimits(speed, bad)) << bad;
    }
    EXPECT_EQ(ParseWithinLimits(speed, std::string(59, '0') + "1200"), 1200u);
}

// ---- the wizards against the simulator ----------------------------------------------------

class SpeedSwitchWizardTest : public WizardFixture {
protected:
    void TearDown() override {
        sheet_.reset();
        WizardFixture::TearDown();
    }

    // Starts the family's wizard and lets it read the fault flags.
    template <typename Wizard>
    bool startFamily(const std::string& strategy) {
        strategy_ = strategy;
        link_ = std::make_unique<CDataServer>("wizard-test-log.txt");
        if (link_->OpenPort(simulator_->linkPath(), 50) != 0) return false;
        transfer_ =
            std::make_unique<CalTransfer>(*link_, pump_.transferReceiver(), prompt_, progress_);
        sheet_ = std::make_unique<Wizard>(
            StrategyPath(strategy), WizardLinks{*link_, pump_.sheetReceiver(), *transfer_, prompt_,
                                                presenter_, &settings_});
        pump_.Bind(*sheet_, *transfer_);
        if (!sheet_->Start()) return false;
        return settle() && !sheet_->ended();
    }

    WizardForm& form() { return sheet_->page().form; }
    const std::string& heading() { return sheet_->page().heading(); }
    void choose(const std::string& id, int item) {
        form().at(id).selection = item;
        sheet_->Changed(id);
    }
    void type(const std::string& id, const std::string& text) { form().at(id).text = text; }
    void check(const std::string& id, bool on) { choose(id, on ? 1 : 0); }
    void next() {
        sheet_->Next();
        ASSERT_TRUE(settle());
    }
    void back() {
        sheet_->Back();
        ASSERT_TRUE(settle());
    }
    bool awaitEnd() {
        const auto until = std::chrono::steady_clock::now() + kLimit;
        while (!sheet_->ended() && std::chrono::steady_clock::now() < until) {
            pump_.Poll(std::chrono::milliseconds(50));
        }
        return sheet_->ended();
    }

    // Welcome: the start mode, then the whole read.
    void passWelcome(int startMode) {
        if (form().at(kWelcomeStart).visible) choose(kWelcomeStart, startMode);
        next();
        ASSERT_EQ(heading(), "Configure Engine Speed Input");
    }

    // An entry the page must refuse: the field, what is typed, the refusal's own text.
    struct Bad {
        const char* field;
        std::string text;
        const char* failure;
    };
    void expectEachRefused(std::initializer_list<Bad> entries) {
        for (const Bad& bad : entries)
            expectRefused(bad.field, bad.text, bad.failure);
    }

    // A refused entry shows the field's own text, no icon, and keeps the page on its step.
    void expectRefused(const std::string& id, const std::string& bad, const std::string& failure) {
        const size_t page = sheet_->pageIndex();
        const int step = sheet_->page().step;
        const std::string good = form().text(id);
        type(id, bad);
        prompt_.shown.clear();
        next();
        ASSERT_EQ(prompt_.shown.size(), 1u) << id << " " << bad;
        EXPECT_EQ(prompt_.shown[0].text, failure) << id << " " << bad;
        EXPECT_EQ(prompt_.shown[0].icon, PromptIcon::None) << id;
        EXPECT_EQ(sheet_->pageIndex(), page) << id;
        EXPECT_EQ(sheet_->page().step, step) << id;
        type(id, good);
    }

    uint32_t eepromOf(const std::string& name) {
        DefinitionSet set;
        LoadCalFile(set, StrategyPath(strategy_), prompt_);
        const ScalarDef* def = set.scalars.find(name);
        EXPECT_NE(def, nullptr) << name;
        return def == nullptr ? 0 : read(def->eepromAddress, def->scaling.size);
    }

    // Writes a raw value into the simulator's EEPROM before the wizard reads it.
    void store(const std::string& name, uint32_t raw) {
        DefinitionSet set;
        LoadCalFile(set, StrategyPath(strategy_), prompt_);
        const ScalarDef* def = set.scalars.find(name);
        ASSERT_NE(def, nullptr) << name;
        const auto size = static_cast<size_t>(def->scaling.size);
        const uint8_t bytes[] = {static_cast<uint8_t>(size == 1 ? raw : raw >> 8),
                                 static_cast<uint8_t>(raw)};
        const auto address = static_cast<uint16_t>(def->eepromAddress);
        ASSERT_TRUE(simulator_->withUnit([&](sim::ControllerUnit& unit) {
            return unit.commitWrite(address, std::span(bytes, size));
        }));
    }

    std::unique_ptr<WizardSheet> sheet_;
};

TEST_F(SpeedSwitchWizardTest, Lpn310FromCurrentValuesDerivesTheSpeedsAndWritesThem) {
    strategy_ = "RRQ31E05";
    startSimulator("RRQ31E05");
    ASSERT_TRUE(startFamily<Lpn310Wizard>("RRQ31E05"));
    EXPECT_EQ(sheet_->caption(), "ECM 310 Calibration Wizard");
    passWelcome(1);
    EXPECT_EQ(form().selection("engine.type"), 0);
    EXPECT_EQ(form().text("engine.teeth"), "120.00");
    EXPECT_TRUE(sheet_->page().retainOffered());
    type("engine.teeth", "60");
    next();

    // Channel 1: a normal speed switch resetting at 80% of its set speed.
    ASSERT_EQ(heading(), "Configure Channel 1");
    EXPECT_EQ(form().at("ch1.set_speed").toolTip, "Minimum rpm to go to Set condition");
    choose("ch1.mode", kNormalSwitch);
    next();
    EXPECT_FALSE(form().at("ch1.mode").enabled);
    choose("ch1.reset", 0);
    next();
    EXPECT_TRUE(form().at("ch1.reset_delay").visible);
    EXPECT_FALSE(form().at("ch1.reset_speed").visible);  // option 1 only
    type("ch1.set_speed", "1200");
    check("ch1.ep_b", true);
    check("ch1.overspeed", true);
    next();

    // Channel 2 tried as a speed switch, then made a glow-plug controller: its speed-switch
    // scalars go back to the controller's values although a refused step had stored some.
    ASSERT_EQ(heading(), "Configure Channel 2");
    choose("ch2.mode", kReverseSwitch);
    next();
    choose("ch2.reset", 1);
    next();
    type("ch2.set_speed", "3333");
    check("ch2.loss", true);
    expectRefused("ch2.set_delay", "60001", "Reset Set Delay is out of range.");
    back();
    back();
    EXPECT_EQ(sheet_->page().step, 1);
    choose("ch2.mode", kGlowPlug);
    next();
    EXPECT_FALSE(form().at("ch2.set_speed").visible);
    type("ch2.glow_time", "12.5");
    next();

    ASSERT_EQ(heading(), "Configure Channel 3");
    EXPECT_EQ(form().selection("ch3.mode"), kAutocrank);  // the controller's mode
    next();
    type("ch3.crank_disable", "650");
    check("ch3.disable_c", true);
    next();

    ASSERT_EQ(heading(), "Engine Protection Setup");
    EXPECT_EQ(form().at("protect.b_type").box, "Engine Protect Channel B");
    choose("protect.b_type", 1);
    type("protect.loss", "7");
    next();

    ASSERT_TRUE(sheet_->onSummary());
    const std::vector<SummaryRow> expected = {
        {"Number of flywheel teeth", "60", ""},
        {"Channel 1 Configuration", "Normal Speed Switch", ""},
        {"Channel 1 Reset Type", "80% of Set Speed", ""},
        {"Channel 1 Set Speed", "1200", "rpm"},
        {"Channel 1 Reset Speed", "960", "rpm"},
        {"Channel 2 Configuration", "Glow Plug", ""},
        {"Channel 2 Glow Time", "12.50", "sec"},
        {"Channel 3 Configuration", "AutoCrank", ""},
        {"Channel 3 Rest Time", "15.00", "sec"},
        {"Channel 3 Max Retry Count", "3", ""},
        {"Channel 3 Crank Disable", "650", "rpm"},
    };
    EXPECT_EQ(sheet_->summaryRows(), expected);
    next();
    ASSERT_TRUE(sheet_->onComplete());
    EXPECT_EQ(heading(), "The LPN 310 Calibration Wizard is complete!");
    EXPECT_EQ(form().at("complete.instruction").label, "Click Finish to return to the main menu.");
    EXPECT_FALSE(form().at(kCompletePlot).visible);
    sheet_->Finish();
    EXPECT_EQ(sheet_->end(), WizardEnd::Finished);
    EXPECT_TRUE(presenter_.commands.empty());  // Finish only closes

    const std::pair<const char*, uint32_t> written[] = {
        {"PULSES_PER_REV", 60 * 16},
        // D = 1200 rpm: every pulse counts, 1200 pulses per second.
        {"PULSES_PER_UPDATE", 60},
        {"PULSES_PER_SAMPLE", 60},
        {"LPN_TIMEOUT", 50},
        {"NOSTART_2_CRANK", 50 * 16},
        {"CRANK_DISABLE", 650},  // an autocrank channel's own entry
        {"SPEED_TYPE", 0},
        {"SW_OPTIONS1", 1},
        {"CHNL_1_OP_MODE", 0},
        {"CHNL_1_RESET", 0},
        {"CHNL_1_CONFIG", 2 + 128},
        {"SET_SPEED_1", 1200},
        {"RESET_SPEED_1", 960},
        {"CHNL_2_OP_MODE", 3},
        {"SET_SPEED_2", 2000},
        {"CHNL_2_RESET", 0},
        {"CHNL_2_CONFIG", 0},
        {"GLOWPLUG_TIME", 200},
        {"CHNL_3_OP_MODE", 2},
        {"AUTOCRANK_CONFIG", 4},
        {"SWITCH_CTRL", 2},
        {"LOSS_TIME", 7 * 16},
    };
    for (const auto& [name, raw] : written)
        EXPECT_EQ(eepromOf(name), raw) << name;
}

TEST_F(SpeedSwitchWizardTest, Lpn310RetainedEngineAndThePasswordInBothStartModes) {
    struct Case {
        int startMode;
        const char* setSpeedShown;  // the page's starting value
        uint32_t pulsesPerRev;      // the whole write sends the cal-file value
        uint32_t timeout;
    };
    const Case cases[] = {
        // The strategy's defaults; nothing is derived from a retained engine set-up.
        {0, "1000", 120 * 16, 50},
        // The controller's own values stay.
        {1, "1500", 90 * 16, 300},
    };
    for (const Case& c : cases) {
        TearDown();
        strategy_ = "RRQ31E05";
        startSimulator("RRQ31E05");
        store("SET_SPEED_1", 1500);
        store("PASSWORD", 0x1234);
        store("PULSES_PER_REV", 90 * 16);
        store("LPN_TIMEOUT", 300);
        ASSERT_TRUE(startFamily<Lpn310Wizard>("RRQ31E05"));
        passWelcome(c.startMode);
        sheet_->Retain();
        ASSERT_TRUE(settle());
        ASSERT_EQ(heading(), "Configure Channel 1");
        EXPECT_EQ(form().text("ch1.set_speed"), c.setSpeedShown);
        choose("ch1.mode", kNormalSwitch);
        next();
        choose("ch1.reset", 0);
        next();
        type("ch1.set_speed", "1200");
        next();
        for (const char* mode : {"ch2.mode", "ch3.mode"}) {
            choose(mode, kGlowPlug);
            next();
            next();
        }
        next();
        ASSERT_TRUE(sheet_->onSummary());
        EXPECT_EQ(sheet_->summaryRows().front().description, "Engine Setup skipped");
        next();
        ASSERT_TRUE(sheet_->onComplete()) << c.startMode;
        // The controller's password goes back as it was read, also when starting from the
        // file's values.
        EXPECT_EQ(eepromOf("PASSWORD"), 0x1234u) << c.startMode;
        EXPECT_EQ(eepromOf("PULSES_PER_REV"), c.pulsesPerRev) << c.startMode;
        EXPECT_EQ(eepromOf("LPN_TIMEOUT"), c.timeout) << c.startMode;
        // The 80% reset follows the set speed without the engine set-up.
        EXPECT_EQ(eepromOf("RESET_SPEED_1"), 960u) << c.startMode;
    }
}

TEST_F(SpeedSwitchWizardTest, Lpn310RefusesEveryBadEntryWithItsOwnText) {
    strategy_ = "RRQ31E05";
    startSimulator("RRQ31E05");
    ASSERT_TRUE(startFamily<Lpn310Wizard>("RRQ31E05"));
    passWelcome(1);
    next();

    choose("ch1.mode", -1);
    prompt_.shown.clear();
    next();
    EXPECT_EQ(prompt_.texts().back(), "You must select a 'Channel Configuration'");
    EXPECT_EQ(prompt_.shown.back().icon, PromptIcon::Error);
    choose("ch1.mode", kNormalSwitch);
    next();
    choose("ch1.reset", -1);
    next();
    EXPECT_EQ(prompt_.texts().back(), "You must select a 'Reset Option'");
    choose("ch1.reset", 1);
    next();
    expectEachRefused({
        {"ch1.set_speed", "49", "Reset Set Speed is out of range."},
        {"ch1.set_speed", "fast", "Reset Set Speed is out of range."},
        {"ch1.set_speed", std::string(64, '1'), "Reset Set Speed is out of range."},
        {"ch1.set_delay", "-1", "Reset Set Delay is out of range."},
        {"ch1.reset_delay", "60001", "Reset Delay is out of range."},
        {"ch1.reset_speed", "8001", "Reset Speed is out of range."},
    });

    back();
    back();
    choose("ch1.mode", kAutocrank);
    next();
    expectEachRefused({
        {"ch1.no_start", "0", "No Start Time is out of range"},
        {"ch1.first_delay", "120.0625", "Initial Delay is out of range"},
        {"ch1.rest_time", "300.0625", "Crank Rest Time is out of range"},
        {"ch1.crank_time", "61", "Crank Time is out of range"},
        {"ch1.tries", "0", "Crank Attempt count is out of range"},
        {"ch1.crank_disable", "3001", "Crank Disable RPM is out of range"},
    });
    back();
    choose("ch1.mode", kGlowPlug);
    next();
    expectRefused("ch1.glow_time", "600.0625", "No Start Time is out of range");
    for (int i = 0; i < 6; ++i)  // channel 2 (3 steps), channel 3 (autocrank, 2 steps)
        next();
    ASSERT_EQ(heading(), "Engine Protection Setup");
    expectEachRefused({
        {"protect.a_enable", "8001", "Enable RPM A is out of range"},
        {"protect.b_enable", "8001", "Enable RPM B is out of range"},
        {"protect.c_enable", "8001", "Enable RPM C is out of range"},
        {"protect.a_run", "601", "Run Time A is out of range"},
        {"protect.b_run", "601", "Run Time B is out of range"},
        {"protect.c_run", "601", "Run Time C is out of range"},
        {"protect.a_debounce", "9", "Switch Debounce Time A is out of range"},
        {"protect.b_debounce", "9", "Switch Debounce Time B is out of range"},
        {"protect.c_debounce", "9", "Switch Debounce Time C is out of range"},
        {"protect.loss", "600.0625", "Loss of Speed Time is out of range"},
    });
    // The edge values themselves are taken.
    type("protect.a_enable", "8000");
    type("protect.a_debounce", "10");
    next();
    EXPECT_TRUE(sheet_->onSummary());
}

TEST_F(SpeedSwitchWizardTest, LineFaultDuringTheWriteKeepsTheAnswersForAnotherWrite) {
    strategy_ = "RRQ31E05";
    startSimulator("RRQ31E05");
    ASSERT_TRUE(startFamily<Lpn310Wizard>("RRQ31E05"));
    passWelcome(1);
    type("engine.teeth", "60");
    // Engine, channels 1 and 2 (3 steps each), channel 3's mode.
    for (int i = 0; i < 8; ++i)
        next();
    ASSERT_EQ(form().at("ch3.crank_time").visible, true);
    type("ch3.crank_time", "11");
    next();
    next();
    ASSERT_TRUE(sheet_->onSummary());
    // Silent from the write's first request on: waiting for a first written value instead
    // races the few changed values of start mode 1 to the end of the write.
    control("line silent 30");
    const std::vector<SummaryRow> rows = sheet_->summaryRows();
    prompt_.answers.push_back(PromptAnswer::Cancel);  // to the Retry/Cancel question
    sheet_->Next();
    ASSERT_TRUE(settle());
    // The wizard's own message only: what the controller holds, and Retry or the Summary.
    EXPECT_FALSE(sheet_->ended());
    EXPECT_TRUE(sheet_->lineFailed());
    EXPECT_TRUE(sheet_->partlyWritten());
    ASSERT_EQ(prompt_.shown.size(), 1u);
    EXPECT_EQ(prompt_.shown.back().text, kWizardWriteFailed);
    EXPECT_EQ(prompt_.shown.back().buttons, PromptButtons::RetryCancel);
    EXPECT_EQ(prompt_.shown.back().icon, PromptIcon::Error);
    // Back on the Summary with the answers kept: Next writes the same calibration again.
    EXPECT_TRUE(sheet_->onSummary());
    EXPECT_EQ(sheet_->buttons(), kWizardBackNext);
    EXPECT_EQ(sheet_->summaryRows(), rows);
    control("line clear");
    next();
    ASSERT_TRUE(sheet_->onComplete());
    EXPECT_FALSE(sheet_->partlyWritten());
    for (const auto& def : sheet_->document().scalars.entries())
        EXPECT_EQ(read(def->eepromAddress, def->scaling.size), def->fileRaw) << def->name;
}

TEST_F(SpeedSwitchWizardTest, Kms2WritesSetSpeedWindowsPercentagesAndPulsesPerUpdate) {
    strategy_ = "KMS01K01";
    startSimulator("KMS01K01", {"uncalibrated on"});
    ASSERT_TRUE(startFamily<Kms2Wizard>("KMS01K01"));
    EXPECT_EQ(sheet_->caption(), "KMS-2 Calibration Wizard");
    EXPECT_FALSE(form().at(kWelcomeStart).visible);
    passWelcome(0);
    EXPECT_EQ(form().at("engine.info").label,
              "This KSM-2 unit is intended for use with a mag pickup.");
    type("engine.teeth", "30");
    next();

    choose("ch1.mode", kNormalSwitch);
    next();
    EXPECT_EQ(form().at("ch1.reset").items.size(), 3u);
    choose("ch1.reset", 0);
    next();
    type("ch1.set_speed_min", "200");
    type("ch1.set_speed_max", "900");
    check("ch1.verify", true);
    check("ch1.overspeed", true);
    expectRefused("ch1.reset_pcnt", "0", "Reset Percentage needs to be between 0 and 100");
    type("ch1.reset_pcnt", "100");
    next();

    // An autocrank channel's crank-disable speeds go into its set-speed window; equal ones
    // are fine.
    choose("ch2.mode", kAutocrank);
    next();
    type("ch2.crank_max", "500");
    type("ch2.crank_min", "500");
    check("ch2.disable_ep", true);
    next();
    ASSERT_EQ(heading(), "Engine Protection Setup");
    type("protect.enable", "700");
    next();
    ASSERT_TRUE(sheet_->onSummary());
    const auto& rows = sheet_->summaryRows();
    const auto row = [&rows](const std::string& description) {
        for (const SummaryRow& r : rows) {
            if (r.description == description) return r.selection;
        }
        return std::string("(none)");
    };
    EXPECT_EQ(row("Channel 1 Reset Type"), "Automatic Reset on % of Set Speed");
    EXPECT_EQ(row("Channel 1 Reset Percentage"), "1.00");
    EXPECT_EQ(row("Channel 2 Max Crank Disable"), "500");
    EXPECT_EQ(row("Protection:Enable RPM"), "700");
    next();
    ASSERT_TRUE(sheet_->onComplete());
    EXPECT_EQ(heading(), "The KMS-2 Calibration Wizard is complete!");

    const std::pair<const char*, uint32_t> written[] = {
        {"PULSES_PER_REV", 30 * 16},
        // The lowest set speed is 200 rpm (the autocrank channel counts as none).
        {"PULSES_PER_UPDATE", 1},
        {"CHNL_1_RESET", 0},
        {"CHNL_1_CONFIG", 8 + 128},
        {"SET_SPEED_1_MIN", 200},
        {"SET_SPEED_1_MAX", 900},
        {"RESET_PCNT_1", 1u << 14},
        {"CHNL_2_OP_MODE", 2},
        {"SET_SPEED_2_MIN", 500},
        {"SET_SPEED_2_MAX", 500},
        {"AUTOCRANK_CONFIG", 1},
        {"EP_ENABLE_RPM", 700},
    };
    for (const auto& [name, raw] : written)
        EXPECT_EQ(eepromOf(name), raw) << name;
}

TEST_F(SpeedSwitchWizardTest, Kms2RefusesEveryBadEntryWithItsOwnText) {
    strategy_ = "KMS01K01";
    startSimulator("KMS01K01");
    ASSERT_TRUE(startFamily<Kms2Wizard>("KMS01K01"));
    passWelcome(1);
    next();
    choose("ch1.mode", kNormalSwitch);
    next();
    choose("ch1.reset", 0);
    next();
    type("ch1.set_speed_min", "1000");
    type("ch1.set_speed_max", "2000");
    expectEachRefused({
        {"ch1.set_speed_min", "8001", "SetSpeed MIN is out of range."},
        {"ch1.set_speed_max", "49", "SetSpeed MAX is out of range."},
        {"ch1.set_speed_max", "1000", "Set Speed MIN must be less than Set Speed MAX"},
        {"ch1.set_speed_max", "999", "Set Speed MIN must be less than Set Speed MAX"},
        {"ch1.set_delay", "60001", "Reset Set Delay is out of range."},
        {"ch1.reset_delay", "delay", "Reset Delay is out of range."},
        {"ch1.reset_pcnt", "100.5", "Reset Percentage needs to be between 0 and 100"},
        {"ch1.reset_pcnt", "-5", "Reset Percentage needs to be between 0 and 100"},
        {"ch1.reset_pcnt", "half", "Reset Percentage needs to be between 0 and 100"},
    });
    back();
    back();
    choose("ch1.mode", kAutocrank);
    next();
    type("ch1.crank_max", "900");
    type("ch1.crank_min", "800");
    expectEachRefused({
        {"ch1.no_start", "121", "No Start Time is out of range"},
        {"ch1.rest_time", "-0.0625", "Crank Rest Time is out of range"},
        {"ch1.crank_time", "0", "Crank Time is out of range"},
        {"ch1.tries", "21", "Crank Attempt count is out of range"},
        {"ch1.crank_max", "8001", "Maximum Crank Disable RPM is out of range"},
        {"ch1.crank_min", "49", "Minimum Crank Disable RPM is out of range"},
        {"ch1.crank_max", "799",
         "Maximum Crank Disable RPM is smaller than Minumum Crank Disable RPM"},
    });
    back();
    choose("ch1.mode", kGlowPlug);
    next();
    expectRefused("ch1.glow_time", "601", "No Start Time is out of range");
    next();
    next();
    next();
    next();
    ASSERT_EQ(heading(), "Engine Protection Setup");
    expectEachRefused({
        {"protect.enable", "8001", "Enable RPM A is out of range"},
        {"protect.run", "601", "Run Time A is out of range"},
        {"protect.debounce", "10001", "Switch Debounce Time A is out of range"},
        {"protect.loss", "x", "Loss of Speed Time is out of range"},
    });
    next();
    EXPECT_TRUE(sheet_->onSummary());
}

}  // namespace
}  // namespace zvr::test
