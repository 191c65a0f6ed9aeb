#pragma once

#include <string>
#include <utility>

#include "wizard/zevar740_wizard.h"

namespace zvr {

// OVERSPEED_PCNT's engineering value for an overspeed percent: percent / 100, or 1.99997
// (the scalar's top) when overspeed shutdown is disabled (0).
double OverspeedFraction(int percent);
// An overspeed shutdown percent the Protect page accepts: above 0, at most 100.
bool OverspeedPercentAccepted(int percent);
// The percent a controller's OVERSPEED_PCNT stands for: 0 (disabled) for 0 and for
// anything above 100 %.
int OverspeedPercentOf(double fraction);

// The ZEVAR 210's engine page: a magnetic pickup's teeth and the cylinders.
class Engine210Page : public WizardPage {
public:
    Engine210Page();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    bool retainOffered() const override { return retainShown_; }
    PageMove Retain(WizardSheet& sheet) override;

    int teeth = 0;
    int cylinders = 0;
    int pulsesPerUpdate = 0;
    bool skipped = false;

private:
    bool retainShown_ = false;
};

// The ZEVAR 210's protection: overspeed shutdown as a percent of the speed.
class Protect210Page : public OptionPage {
public:
    Protect210Page();
    void Activate(WizardSheet& sheet) override;

    int percent() const { return static_cast<int>(answer(0)); }  // 0: disabled
};

// The ZEVAR 210 wizard: engine sensing, the speed range and overspeed shutdown; its Complete
// page always opens the Parameter Plot.
class Zevar210Wizard : public WizardSheet {
public:
    Zevar210Wizard(std::string strategyPath, WizardLinks links);

    Engine210Page& engine() const { return *engine_; }
    SpeedRangePage& speedRange() const { return *speedRange_; }
    Protect210Page& protect() const { return *protect_; }

protected:
    std::vector<std::unique_ptr<WizardPage>> BuildPages() override;
    const WizardRequirements& requirements() const override;
    std::vector<SummaryRow> Rows() override;
    void WriteAnswers() override;
    bool completeShowsOptions() const override { return false; }
    std::pair<double, double> plotRange() const override;
    std::array<std::string, 2> completeTexts() const override;
    std::string completeHeading() const override;
    void CompleteSetUp(WizardForm& form) override;

private:
    Engine210Page* engine_ = nullptr;
    SpeedRangePage* speedRange_ = nullptr;
    Protect210Page* protect_ = nullptr;
};

}  // namespace zvr
