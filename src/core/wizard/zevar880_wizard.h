#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wizard/zevar740_wizard.h"

namespace zvr {

// The stepper motor's travel: motor steps of 1.8 degrees, truncated.
int StepsForDegrees(int degrees);
// The travel in whole degrees the Summary shows for a number of steps.
int DegreesForSteps(int steps);

// Direction codes STEP_CONFIG takes after the direction calibration.
inline constexpr uint32_t kStepperFullTravelCode = 131;
inline constexpr uint32_t kStepperClosedCode = 3;

// The ZEVAR 880's stepper page: the motor's travel in degrees, then the stepper calibration
// process, which powers the motor up, lets the controller drive it to one end and asks which
// end it went to.
class StepperPage : public WizardPage {
public:
    StepperPage();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    void Answered(WizardSheet& sheet, ProcessAnswer answer);
    // Cancel after the process changed the controller: put back what the Welcome read found.
    bool StartRestore(WizardSheet& sheet);
    bool running() const { return running_; }

    int steps = 0;
    uint32_t directionCode = kStepperFullTravelCode;
    int processState = 0;
    bool retry = false;
    bool directionSkipped = false;
    bool processActive = false;
    uint32_t writtenMaxStep = 0;

private:
    void StartProcess(WizardSheet& sheet);
    void Advance(WizardSheet& sheet);
    bool Write(WizardSheet& sheet, const char* name, uint32_t raw);
    bool WriteScaled(WizardSheet& sheet, const char* name, double value);
    void CommunicationFailed(WizardSheet& sheet);
    void AskDirection(WizardSheet& sheet);
    void RestoreNext(WizardSheet& sheet);

    bool running_ = false;
    bool dialogOpen_ = false;
    std::vector<std::string> written_;  // the scalars the process wrote, in order
    std::vector<std::string> toRestore_;
    std::vector<std::string> restoreFailed_;
};

// The ZEVAR 880 wizard: the ZEVAR 740's pages with the four-sensor engine page and whole
// spark counts, four analog modes, one auxiliary output, and a stepper page before the
// Summary.
class Zevar880Wizard : public Zevar740Wizard {
public:
    Zevar880Wizard(std::string strategyPath, WizardLinks links);

    StepperPage& stepper() const { return *stepper_; }

protected:
    std::vector<std::unique_ptr<WizardPage>> BuildPages() override;
    const WizardRequirements& requirements() const override;
    std::vector<SummaryRow> Rows() override;
    void WriteAnswers() override;
    void ProcessAnswered(ProcessAnswer answer) override;
    bool StartRestore() override;

private:
    StepperPage* stepper_ = nullptr;
};

inline constexpr const char* kStepperProcessCaption = "Stepper Motor Calibration Process";
inline constexpr const char* kStepperFullTravel = "Moved to full travel";
inline constexpr const char* kStepperClosed = "Moved to closed position";
inline constexpr const char* kStepperDidntMove = "Didn't move";

}  // namespace zvr
