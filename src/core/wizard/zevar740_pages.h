#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "comm/request_book.h"
#include "wizard/number_entry.h"
#include "wizard/option_page.h"
#include "wizard/set_speeds.h"
#include "wizard/wizard_sheet.h"
#include "wizard/zevar740_rules.h"

namespace zvr {

class Zevar740Wizard;

// The question pages of the ZEVAR 740 wizard, which the ZEVAR 880, 620 and 210 wizards reuse.
// What they ask and how they check it are the tables of governor_fields.h; the pages step
// through them.

// What the pickup-or-ignition engine page reads its sensor type from and how it takes a
// spark count.
struct PickupEngineRules {
    // Bit 2 of this scalar's low byte set: a magnetic pickup.
    const char* typeScalar = "FACTORY_SETTINGS";
    // A whole spark count, checked as the cylinders are: pulses per revolution are half of it
    // (1 for a single spark), one pulse per sample. Otherwise a decimal count of sparks per
    // revolution.
    bool sparksHalved = false;
};

// Engine speed input of ZEVAR 740 strategies (no SPEED_TYPE): pickup or ignition.
class Engine740Page : public WizardPage {
public:
    explicit Engine740Page(PickupEngineRules rules = {});
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    void Changed(WizardSheet& sheet, std::string_view fieldId) override;
    bool retainOffered() const override { return retainShown_; }
    PageMove Retain(WizardSheet& sheet) override;

    int inputType = 0;
    int teeth = 0;
    int cylinders = 0;
    int sparks = 0;  // a whole spark count as entered
    double pulsesPerRev = 0;
    int pulsesPerUpdate = 0;
    bool skipped = false;

private:
    void ApplyType(WizardSheet& sheet);
    bool retainShown_ = false;
    PickupEngineRules rules_;
};

// Engine speed input of ZEVAR 760 strategies (SPEED_TYPE): four sensor kinds.
class Engine760Page : public WizardPage {
public:
    // wholeSparks: spark pulses per revolution as a whole number (the ZEVAR 880).
    explicit Engine760Page(bool wholeSparks);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    void Changed(WizardSheet& sheet, std::string_view fieldId) override;
    bool retainOffered() const override { return retainShown_; }
    PageMove Retain(WizardSheet& sheet) override;

    int inputType = -1;
    int teeth = 0;
    int cylinders = 0;
    double sparks = 0;
    bool skipped = false;

    // Whether the sensor of this item counts flywheel teeth (else spark pulses).
    static bool TeethType(int type);

private:
    void ApplyType();
    bool retainShown_ = false;
    bool wholeSparks_ = false;
};

class SpeedRangePage : public WizardPage {
public:
    SpeedRangePage();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;

    double lowest = 0;
    double highest = 0;
};

class AnalogPage : public WizardPage {
public:
    explicit AnalogPage(char identifierLetter);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    // The calibration process' dialogs and the restore on cancel.
    void Answered(WizardSheet& sheet, ProcessAnswer answer);
    // Cancel while the calibration is active: puts back what the process changed; false when
    // there is nothing to put back.
    bool StartRestore(WizardSheet& sheet);
    // What follows the end of the restore, however it ended; none: the sheet ends (a family
    // with more to put back after it goes on here).
    std::function<void()> afterRestore;
    // The unit knows neither CAN nor auto-idle: its code is read by the units digit alone.
    bool canAndAutoIdle = true;

    int mode = -1;
    bool ivsPresent = false;
    int minimumCapture = 0;
    int maximumCapture = 0;
    int appMin = 0;
    int appRange = 0;
    bool ivsAtMinimum = false;
    bool ivsAtMaximum = false;
    int trimRpm = 0;
    bool skipped = false;
    bool calibrationActive = false;
    bool savedValid = false;
    uint32_t savedRange = 0;
    uint32_t savedMinimum = 0;
    int previousMode = -1;
    int previousIvs = -1;
    bool previousReversed = false;
    bool previousIvsSet = false;
    int processState = 0;

    // The code EXTERNAL_ANALOG_MODE gets for these answers and speedCount set speeds.
    int ModeCode(int speedCount) const;

private:
    void StartProcess(WizardSheet& sheet);
    void ShowCaptureLines(bool maximum, bool show);
    void HideCaptureLines();
    void StoreLive(WizardSheet& sheet, const std::array<uint16_t, kMaxAddresses>& words);
    void StopReading(WizardSheet& sheet);
    bool Validate(WizardSheet& sheet);
    void FinishDialogs(WizardSheet& sheet);
    bool Write(WizardSheet& sheet, const char* name, uint32_t raw, RequestCompletion done);
    // The process' writes of EXTERNAL_ANALOG_MODE and its live read.
    void WriteMode(WizardSheet& sheet, uint32_t code);
    void ModeWritten(WizardSheet& sheet);
    void StartReading(WizardSheet& sheet);
    void LiveSet(WizardSheet& sheet, const RequestOutcome& outcome);
    void CommunicationFailed(WizardSheet& sheet);
    // One write of the restore; next runs when it went through.
    void RestoreWrite(WizardSheet& sheet, const char* name, uint32_t raw,
                      std::function<void()> next);
    void RestoreFailed(WizardSheet& sheet, bool refused);
    void RestoreEnded(WizardSheet& sheet);

    std::string prefix_;
    int dialog_ = 0;  // 1 minimum, 2 maximum
};

// Set speeds (none, one to four, or variable), warm-up and ramps: step 1 the count, then 2 no
// set speeds, 3 one speed, 4 two to four, 5 variable, 6 the auto-idle input's ramps only.
class SpeedPage : public WizardPage {
public:
    explicit SpeedPage(Zevar740Wizard& wizard);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    SetSpeeds speeds{.count = -1};
    int warmupTime = 0;
    int warmupSpeed = 0;
    int rampUp = 0;
    int rampDown = 0;

private:
    PageMove ChooseCount(WizardSheet& sheet);
    PageMove TakeEntries(WizardSheet& sheet);
    Zevar740Wizard& wizard_;
};

// One auxiliary output: step 1 its mode, then the settings the mode asks for on their step.
class AuxOutPage : public WizardPage {
public:
    AuxOutPage(Zevar740Wizard& wizard, int output, bool twoOutputs);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    int output;
    int mode = -1;  // output mode 0-7
    // The output mode each combo item stands for.
    std::vector<int> itemModes;

    // The settings the chosen mode took, by their keys ("rpm", "crank", ...).
    const EntryValues& settings() const { return settings_; }
    // The settings a mode asks for on this output; none for a mode that asks for nothing.
    std::span<const NumberEntry> settingEntries(int outputMode) const;

private:
    std::string id(std::string_view field) const;
    PageMove ChooseMode(WizardSheet& sheet);
    Zevar740Wizard& wizard_;
    bool twoOutputs_;
    bool filled_ = false;
    EntryValues settings_;
};

// Overspeed shutdown (rpm) and the engine protection switch (its delay).
class ProtectPage : public OptionPage {
public:
    ProtectPage();
    void Activate(WizardSheet& sheet) override;

    int overspeedRpm() const { return static_cast<int>(answer(0)); }  // 0: disabled
    int delay() const { return static_cast<int>(answer(1)); }         // 8000: disabled
};

}  // namespace zvr
