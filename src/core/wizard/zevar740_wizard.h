#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/user_prompt.h"
#include "wizard/wizard_sheet.h"
#include "wizard/zevar740_rules.h"

namespace zvr {

class Zevar740Wizard;

// What sets a governor family that follows the ZEVAR 740's pages apart from it.
struct GovernorTraits {
    std::string caption = "ZEVAR 740 Calibration Wizard";
    // The four-sensor engine page (SPEED_TYPE) whatever else the strategy holds.
    bool fourTypeEngine = false;
    // Spark pulses per revolution as a whole number (usual 1 to 250, hard 1 to 32000).
    bool wholeSparks = false;
    // One auxiliary output (modes 0-5), whatever scalars the strategy holds.
    bool oneOutput = false;
    // BRAKE_UP_RATE and BRAKE_DOWN_RATE follow the ramp rates where the strategy has them.
    bool brakeRates = true;
};

// The toothed wheel's questions shared by the engine pages: fewer than 10 or more than 250
// teeth, or more than 8 cylinders, are asked about (No refuses); fewer than 1 cylinder is
// refused.
bool TeethAccepted(UserPrompt& prompt, int teeth);
bool CylindersAccepted(UserPrompt& prompt, int cylinders);

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
    explicit Engine740Page(Zevar740Wizard& wizard);
    explicit Engine740Page(PickupEngineRules rules);
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
    explicit Engine760Page(Zevar740Wizard& wizard);
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

    static bool TeethType(int type) { return type == 0 || type == 3; }

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

    // The calibration process' requests and the restore on cancel.
    bool Handle(WizardSheet& sheet, const PostedMessage& message);
    void Answered(WizardSheet& sheet, ProcessAnswer answer);
    bool StartRestore(WizardSheet& sheet);
    void StopReading(WizardSheet& sheet);
    bool busy() const { return processRunning_ || restoring_; }
    // Whether the end of the restore ends the sheet (a family with more to put back after it
    // ends the sheet itself).
    bool restoreEndsSheet = true;
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
    void StoreLive(WizardSheet& sheet);
    bool Validate(WizardSheet& sheet);
    void FinishDialogs(WizardSheet& sheet);
    bool Write(WizardSheet& sheet, const char* name, uint32_t raw, uint32_t done);
    void RestoreNext(WizardSheet& sheet, const PostedMessage& message);
    void CommunicationFailed(WizardSheet& sheet);

    std::string prefix_;
    int dialog_ = 0;  // 1 minimum, 2 maximum
    bool processRunning_ = false;
    bool reading_ = false;
    bool restoring_ = false;
};

class SpeedPage : public WizardPage {
public:
    explicit SpeedPage(Zevar740Wizard& wizard);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    int count = -1;
    int speeds[4] = {0, 0, 0, 0};
    int minimum = 0;
    int defaultSpeed = 0;
    int maximum = 0;
    int warmupTime = 0;
    int warmupSpeed = 0;
    int rampUp = 0;
    int rampDown = 0;

private:
    bool RampCheck(WizardSheet& sheet);
    Zevar740Wizard& wizard_;
};

class AuxOutPage : public WizardPage {
public:
    AuxOutPage(Zevar740Wizard& wizard, int output, bool twoOutputs);
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    int output;
    int mode = -1;  // output mode 0-7
    int rpm = 0;
    int crankTime = 0;
    double restTime = 0;
    int retryCount = 0;
    double preheatTime = 0;

    // The output mode each combo item stands for.
    std::vector<int> itemModes;

private:
    std::string id(const char* field) const;
    void HideLines();
    Zevar740Wizard& wizard_;
    bool twoOutputs_;
    bool filled_ = false;
};

class ProtectPage : public WizardPage {
public:
    ProtectPage();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    int overspeedRpm = 0;
    int delay = 8000;
};

// The ZEVAR 740 wizard, also run for ZEVAR 760 strategies: engine input, speed range,
// analog input with its calibration process, set speeds, one or two auxiliary outputs and
// protection, turned into the scalars of the ZEVAR 740 and 760.
class Zevar740Wizard : public WizardSheet {
public:
    // identifierLetter: the first letter of the controller's strategy identifier.
    Zevar740Wizard(std::string strategyPath, char identifierLetter, WizardLinks links);

    const GovernorTraits& traits() const { return traits_; }

    bool is760() const { return engine760_ != nullptr; }
    bool twoOutputs() const { return aux2_ != nullptr; }
    Engine740Page* engine740() const { return engine740_; }
    Engine760Page* engine760() const { return engine760_; }
    SpeedRangePage& speedRange() const { return *speedRange_; }
    AnalogPage& analog() const { return *analog_; }
    SpeedPage& speed() const { return *speed_; }
    AuxOutPage& aux1() const { return *aux1_; }
    AuxOutPage* aux2() const { return aux2_; }
    ProtectPage& protect() const { return *protect_; }
    bool engineSkipped() const;

protected:
    Zevar740Wizard(std::string strategyPath, char identifierLetter, WizardLinks links,
                   GovernorTraits traits);

    std::vector<std::unique_ptr<WizardPage>> BuildPages() override;
    const WizardRequirements& requirements() const override;
    std::vector<SummaryRow> Rows() override;
    void WriteAnswers() override;
    bool HandleFamily(const PostedMessage& message) override;
    void ProcessAnswered(ProcessAnswer answer) override;
    bool StartRestore() override;
    void StopFamilyRequests() override;
    bool completeShowsOptions() const override { return is760(); }
    std::pair<double, double> plotRange() const override;
    std::array<std::string, 2> completeTexts() const override;
    std::string fatalFaultText() const override {
        return "The controller reported fatal errors. The Wizard cannot proceed.";
    }

private:
    void EngineRows(std::vector<SummaryRow>& rows) const;
    void AnalogRows(std::vector<SummaryRow>& rows) const;
    void SpeedRows(std::vector<SummaryRow>& rows) const;
    void AuxRows(std::vector<SummaryRow>& rows, const AuxOutPage& page) const;
    void WriteEngine();
    void WriteAux(const AuxOutPage& page);

    GovernorTraits traits_;
    char identifierLetter_;
    Engine740Page* engine740_ = nullptr;
    Engine760Page* engine760_ = nullptr;
    SpeedRangePage* speedRange_ = nullptr;
    AnalogPage* analog_ = nullptr;
    SpeedPage* speed_ = nullptr;
    AuxOutPage* aux1_ = nullptr;
    AuxOutPage* aux2_ = nullptr;
    ProtectPage* protect_ = nullptr;
};

// The analog page's message when the controller stops answering during the process: the
// technician must know the input was left half-calibrated.
inline constexpr const char* kAnalogLeftUnfinished =
    "The analog calibration was left unfinished: the controller may hold a changed "
    "EXTERNAL_ANALOG_MODE, APP_MIN_CAL or APP_RANGE_CAL. Run the wizard again, or set "
    "EXTERNAL_ANALOG_MODE, APP_MIN_CAL and APP_RANGE_CAL by hand.";

}  // namespace zvr
