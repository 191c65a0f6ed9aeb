#include "wizard/zevar880_wizard.h"

#include "strategy/strategy_check.h"

namespace zvr {

namespace {

GovernorTraits Zevar880Traits() {
    return {.caption = "ZEVAR 880 Calibration Wizard",
            .welcomeHeading =
                "Welcome to ZEVAR Wizard, an interactive guide to getting your "
                "ZEVAR 880 up and running as quickly and easily as possible.",
            .completeHeading = "The ZEVAR Calibration Wizard has been completed!",
            .fatalFaultText = "The controller reported fatal errors. The Wizard cannot procede.",
            .fourTypeEngine = true,
            .wholeSparks = true,
            .oneOutput = true,
            .brakeRates = false,
            .canAndAutoIdle = false,
            .completeOptions = false,
            .maximumCaptureRow = "Max APosition DC"};
}

}  // namespace

// No identifier letter: the analog input offers neither CAN nor auto-idle.
Zevar880Wizard::Zevar880Wizard(std::string strategyPath, WizardLinks links)
    : Zevar740Wizard(std::move(strategyPath), ' ', links, Zevar880Traits()) {}

const WizardRequirements& Zevar880Wizard::requirements() const {
    return *RequirementsFor(ModelKind::Zevar880);
}

std::vector<std::unique_ptr<WizardPage>> Zevar880Wizard::BuildPages() {
    std::vector<std::unique_ptr<WizardPage>> pages = Zevar740Wizard::BuildPages();
    // The stepper restore follows the analog one, which therefore does not end the run.
    analog().afterRestore = [this] {
        if (!stepper_->StartRestore(*this)) EndWith(WizardEnd::Cancelled);
    };
    auto page = std::make_unique<StepperPage>();
    stepper_ = page.get();
    pages.push_back(std::move(page));
    return pages;
}

std::vector<SummaryRow> Zevar880Wizard::Rows() {
    std::vector<SummaryRow> rows = Zevar740Wizard::Rows();
    rows.push_back(
        {"Stepper Motor Max Travel", std::to_string(DegreesForSteps(stepper_->steps)), "degrees"});
    return rows;
}

void Zevar880Wizard::WriteAnswers() {
    Zevar740Wizard::WriteAnswers();
    Set("STEP_MAX_STEP", stepper_->steps);
    // A skipped direction calibration leaves STEP_CONFIG as the process wrote it.
    if (stepper_->directionSkipped) {
        Drop("STEP_CONFIG");
    } else {
        SetRaw("STEP_CONFIG", stepper_->directionCode);
    }
}

void Zevar880Wizard::ProcessAnswered(ProcessAnswer answer) {
    if (stepper_->running()) {
        stepper_->Answered(*this, answer);
    } else {
        Zevar740Wizard::ProcessAnswered(answer);
    }
}

// The analog values go back first (the end of their restore starts the stepper's), then the
// stepper's.
bool Zevar880Wizard::StartRestore() {
    if (stepper_ == nullptr) return false;
    return Zevar740Wizard::StartRestore() || stepper_->StartRestore(*this);
}

}  // namespace zvr
