#pragma once

#include <cstdint>

#include "wizard/speed_switch_wizard.h"

namespace zvr {

// The LPN 310's engine speed input: a magnetic pickup or Hall sensor (teeth) or the ignition
// (spark pulses per revolution); "Retain Current Values" leaves the engine scalars alone.
class Lpn310EnginePage : public WizardPage {
public:
    Lpn310EnginePage();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    void Changed(WizardSheet& sheet, std::string_view fieldId) override;
    bool retainOffered() const override { return true; }
    PageMove Retain(WizardSheet& sheet) override;

    static bool TeethType(int type) { return type == 0 || type == 2; }

    int inputType = -1;
    int count = 0;  // teeth or spark pulses
    double pulsesPerRev = 0;
    int speedTypeFlag = 1;  // 1 teeth input, 0 spark input
    uint32_t options = 0;   // SW_OPTIONS1 as the controller had it
    bool skipped = false;

private:
    void ApplyType();
};

// The LPN 310 wizard (caption "ECM 310 Calibration Wizard"): engine input, three channels,
// three EP inputs, and the speeds and timings derived from them.
class Lpn310Wizard : public SpeedSwitchWizard {
public:
    Lpn310Wizard(std::string strategyPath, WizardLinks links);

    std::string pageCaption() const override { return "LPN 310 Calibration Wizard"; }
    Lpn310EnginePage& engine() const { return *engine_; }
    // Pulses per update as the Summary last derived it.
    double pulsesPerUpdate() const { return pulsesPerUpdate_; }

protected:
    std::vector<std::unique_ptr<WizardPage>> BuildPages() override;
    const WizardRequirements& requirements() const override;
    std::vector<SummaryRow> Rows() override;
    void WriteAnswers() override;
    std::string completeHeading() const override;
    std::array<std::string, 2> completeTexts() const override;

private:
    void Derive();

    Lpn310EnginePage* engine_ = nullptr;
    double pulsesPerUpdate_ = 1;
};

}  // namespace zvr
