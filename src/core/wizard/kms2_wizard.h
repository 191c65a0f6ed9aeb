#pragma once

#include "wizard/speed_switch_wizard.h"

namespace zvr {

// The KMS-2's engine input: a magnetic pickup, so only the flywheel's teeth are asked.
class Kms2EnginePage : public WizardPage {
public:
    Kms2EnginePage();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;

    int teeth = 0;
    double pulsesPerRev = 0;
};

// The KMS-2 wizard: engine input, two channels with set-speed windows, one EP input.
class Kms2Wizard : public SpeedSwitchWizard {
public:
    Kms2Wizard(std::string strategyPath, WizardLinks links);

    Kms2EnginePage& engine() const { return *engine_; }
    // Pulses per update by the lowest set-speed minimum of the speed-switch channels.
    double PulsesPerUpdate();

protected:
    std::vector<std::unique_ptr<WizardPage>> BuildPages() override;
    const WizardRequirements& requirements() const override;
    std::vector<SummaryRow> Rows() override;
    void WriteAnswers() override;
    std::string completeHeading() const override;
    std::array<std::string, 2> completeTexts() const override;

private:
    Kms2EnginePage* engine_ = nullptr;
};

}  // namespace zvr
