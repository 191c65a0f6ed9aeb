#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "calibration/cal_transfer.h"
#include "calibration/restore_points.h"
#include "comm/data_server.h"
#include "controller_unit.h"
#include "definitions/cal_file.h"
#include "settings/memory_settings_store.h"
#include "sim/sim_fixtures.h"
#include "support/scripted_prompt.h"
#include "wizard/wizard_families.h"
#include "wizard/wizard_pump.h"
#include "wizard/zevar740_wizard.h"

namespace zvr::test {

// What the wizard showed, for tests to look at.
class RecordingPresenter : public WizardPresenter {
public:
    void ShowPage(const WizardPage& page) override { headings.push_back(page.heading()); }
    void SetButtons(int mask) override { buttons = mask; }
    void ShowProcess(const ProcessPrompt& prompt) override { processes.push_back(prompt); }
    void HideProcess() override {}
    void ShowLive(const WizardPage&) override { ++liveUpdates; }
    void PostCommand(int command) override { commands.push_back(command); }

    std::vector<std::string> headings;
    std::vector<ProcessPrompt> processes;
    std::vector<int> commands;
    int buttons = 0;
    int liveUpdates = 0;
};

class NoProgress : public ProgressDisplay {
public:
    void ShowProgress(const ProgressState&) override {}
    void HideProgress() override {}
};

// A wizard (the ZEVAR 740's, or a family's as the program picks it) on the shipped strategies
// against zvr-sim on a pseudo-terminal, with a person played by the test: it fills the page's
// fields and presses the buttons. As in the program, its write keeps a restore point and sends
// only what the controller does not hold.
class WizardFixture : public testing::Test {
protected:
    static constexpr std::chrono::seconds kLimit{20};
    // Time-out ticks for a test that makes the line fail: the failure comes in about a second.
    static constexpr int kQuickTimeoutTicks = 50;

    void TearDown() override {
        wizard_.reset();
        family_.reset();
        transfer_.reset();
        link_.reset();
        simulator_.reset();
    }

    static std::string StrategyPath(const std::string& name) {
        return std::string(ZVR_STRATEGY_DIR) + "/" + name + ".000";
    }

    // The simulator on the strategy, with control commands run before the wizard starts.
    void startSimulator(const std::string& name, const std::vector<std::string>& commands = {}) {
        sim::SimOptions options;
        options.strategy = StrategyPath(name);
        simulator_ = sim::test::StartSimulator(options);
        for (const std::string& command : commands)
            control(command);
    }

    // The link of a test that makes the line fail times out in a third of the program's time;
    // every other test keeps the program's, so that a loaded machine cannot turn a slow reply
    // into a failure.
    void quickTimeOuts() { timeoutTicks_ = kQuickTimeoutTicks; }

    void control(const std::string& command) {
        ASSERT_EQ(simulator_->execute(command), "ok") << command;
    }

    // Starts the wizard and lets it read the fault flags.
    bool startWizard(const std::string& name, char letter) {
        link_ = std::make_unique<CDataServer>("wizard-test-log.txt");
        if (link_->OpenPort(simulator_->linkPath(), timeoutTicks_) != 0) return false;
        transfer_ =
            std::make_unique<CalTransfer>(*link_, pump_.transferReceiver(), prompt_, progress_);
        transfer_->setRestorePoints(&points_);
        wizard_ =
            std::make_unique<Zevar740Wizard>(StrategyPath(name), letter,
                                             WizardLinks{*link_, pump_.sheetReceiver(), *transfer_,
                                                         prompt_, presenter_, &settings_});
        pump_.Bind(*wizard_, *transfer_);
        if (!wizard_->Start()) return false;
        return settle() && !wizard_->ended();
    }

    // Starts the wizard of the strategy's family (as the program picks it) and lets it read
    // the fault flags.
    bool startFamily(const std::string& name) {
        strategy_ = name;
        link_ = std::make_unique<CDataServer>("wizard-test-log.txt");
        if (link_->OpenPort(simulator_->linkPath(), timeoutTicks_) != 0) return false;
        transfer_ =
            std::make_unique<CalTransfer>(*link_, pump_.transferReceiver(), prompt_, progress_);
        transfer_->setRestorePoints(&points_);
        const WizardSheetMaker make = WizardSheetFor(name, StrategyPath(name), "");
        if (!make) return false;
        family_ = make(WizardLinks{*link_, pump_.sheetReceiver(), *transfer_, prompt_, presenter_,
                                   &settings_});
        pump_.Bind(*family_, *transfer_);
        if (!family_->Start()) return false;
        return settle() && !family_->ended();
    }

    // The sheet under test: the family's, or the ZEVAR 740 wizard.
    WizardSheet& sheet() { return family_ ? *family_ : *wizard_; }

    bool settle() { return pump_.Settle(kLimit); }

    WizardForm& form() { return sheet().page().form; }
    const std::string& heading() { return sheet().page().heading(); }

    void choose(const std::string& id, int item) {
        form().at(id).selection = item;
        sheet().Changed(id);
    }
    void type(const std::string& id, const std::string& text) { form().at(id).text = text; }
    void next() {
        sheet().Next();
        ASSERT_TRUE(settle());
    }
    void back() {
        sheet().Back();
        ASSERT_TRUE(settle());
    }
    void answer(ProcessAnswer answer) {
        sheet().AnswerProcess(answer);
        ASSERT_TRUE(settle());
    }
    // Hands messages on until the sheet ends (a failure while a dialog waits).
    bool awaitEnd() {
        const auto until = std::chrono::steady_clock::now() + kLimit;
        while (!sheet().ended() && std::chrono::steady_clock::now() < until) {
            pump_.Poll(std::chrono::milliseconds(50));
        }
        return sheet().ended();
    }
    // Hands live sets on until the wizard holds, for each named variable, what the simulator's
    // memory holds: the wizard then sees the pedal where the simulator put it, however slowly a
    // loaded machine streams and takes in the sets.
    void seeLive(std::initializer_list<const char*> names = {"adc_app", "switch_f_debounced"}) {
        const auto until = std::chrono::steady_clock::now() + kLimit;
        while (!showsSimulator(names) && std::chrono::steady_clock::now() < until)
            pump_.Poll(std::chrono::milliseconds(20));
        EXPECT_TRUE(showsSimulator(names)) << "the wizard never saw the live values";
    }
    bool showsSimulator(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const VariableDef* live = sheet().variable(name);
            if (live == nullptr) {
                ADD_FAILURE() << name;
                return true;
            }
            if (live->currentRaw != read(live->ramAddress, live->scaling.size)) return false;
        }
        return true;
    }

    // The raw value the simulator's EEPROM holds for a scalar of the strategy.
    uint32_t eeprom(const std::string& name) {
        const ScalarDef* def = sheet().document().scalars.find(name);
        if (def == nullptr) {
            // Dropped from the write set: look it up in a fresh load of the strategy.
            DefinitionSet set;
            LoadCalFile(set, StrategyPath(strategy_), prompt_);
            def = set.scalars.find(name);
            EXPECT_NE(def, nullptr) << name;
            if (def == nullptr) return 0;
            return read(def->eepromAddress, def->scaling.size);
        }
        return read(def->eepromAddress, def->scaling.size);
    }

    uint32_t read(uint32_t address, int size) {
        const uint16_t word = simulator_->withUnit([address](sim::ControllerUnit& unit) {
            return unit.readWord(static_cast<uint16_t>(address));
        });
        return size == 1 ? static_cast<uint32_t>(word >> 8) : word;
    }

    std::string strategy_ = "ZVX41R03";
    int timeoutTicks_ = CDataServer::kTimeoutTicks;
    std::unique_ptr<sim::Simulator> simulator_;
    std::unique_ptr<CDataServer> link_;
    std::unique_ptr<CalTransfer> transfer_;
    std::unique_ptr<Zevar740Wizard> wizard_;
    std::unique_ptr<WizardSheet> family_;
    WizardPump pump_;
    ScriptedPrompt prompt_;
    RecordingPresenter presenter_;
    NoProgress progress_;
    MemorySettingsStore settings_;
    RestorePoints points_;
};

}  // namespace zvr::test
