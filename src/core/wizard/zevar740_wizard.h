#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "wizard/wizard_sheet.h"
#include "wizard/zevar740_pages.h"

namespace zvr {

// What sets a governor family that follows the ZEVAR 740's pages apart from it.
struct GovernorTraits {
    std::string caption = "ZEVAR 740 Calibration Wizard";
    // The Welcome and Complete headings; empty: the ones every family shares.
    std::string welcomeHeading;
    std::string completeHeading;
    std::string fatalFaultText = "The controller reported fatal errors. The Wizard cannot proceed.";
    // The four-sensor engine page (SPEED_TYPE) whatever else the strategy holds.
    bool fourTypeEngine = false;
    // Spark pulses per revolution as a whole number (usual 1 to 250, hard 1 to 32000).
    bool wholeSparks = false;
    // One auxiliary output (modes 0-5), whatever scalars the strategy holds.
    bool oneOutput = false;
    // BRAKE_UP_RATE and BRAKE_DOWN_RATE follow the ramp rates where the strategy has them.
    bool brakeRates = true;
    // The analog input's code is read with its CAN and auto-idle values.
    bool canAndAutoIdle = true;
    // The Complete page offers its options after the four-sensor engine page.
    bool completeOptions = true;
    // The Summary's row of the maximum analog capture.
    std::string maximumCaptureRow = "Max Position ADC";
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
    void ProcessAnswered(ProcessAnswer answer) override;
    bool StartRestore() override;
    bool completeShowsOptions() const override { return traits_.completeOptions && is760(); }
    std::pair<double, double> plotRange() const override;
    std::array<std::string, 2> completeTexts() const override;
    std::string fatalFaultText() const override { return traits_.fatalFaultText; }
    std::string welcomeHeading() const override;
    std::string completeHeading() const override;

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
