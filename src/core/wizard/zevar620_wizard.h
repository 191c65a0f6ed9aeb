#pragma once

#include <string>
#include <utility>

#include "wizard/zevar740_wizard.h"

namespace zvr {

// The ZEVAR 620's plot bounds ("Plot Min", "Plot Max") for the lowest and highest speed
// entered: 15 % around the speeds, or 500 to 5000 rpm when they are one speed.
std::pair<long long, long long> Zevar620PlotBounds(double lowest, double highest);

// The ZEVAR 620's set speeds: one speed, two to four, or variable (minimum, default,
// maximum), chosen with a single/multiple pair of radio buttons. Step 1 the pair, 2 the number
// of speeds, 3 the fixed speeds, 4 the variable speed.
class Speed620Page : public WizardPage {
public:
    Speed620Page();
    void Activate(WizardSheet& sheet) override;
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    SetSpeeds speeds;  // count 1-4 speeds, 5 variable
    int lowest = 0;    // the lowest and highest speed entered
    int highest = 0;

private:
    PageMove ChooseMode(WizardSheet& sheet);
    PageMove ChooseCount(WizardSheet& sheet);
    PageMove TakeEntries(WizardSheet& sheet);
};

// The ZEVAR 620 wizard: engine sensing and set speeds.
class Zevar620Wizard : public WizardSheet {
public:
    Zevar620Wizard(std::string strategyPath, WizardLinks links);

    Engine740Page& engine() const { return *engine_; }
    Speed620Page& speed() const { return *speed_; }

protected:
    std::vector<std::unique_ptr<WizardPage>> BuildPages() override;
    const WizardRequirements& requirements() const override;
    std::vector<SummaryRow> Rows() override;
    void WriteAnswers() override;
    bool completeShowsOptions() const override { return false; }
    std::pair<double, double> plotRange() const override;
    std::pair<long long, long long> plotBounds() const override;
    std::array<std::string, 2> completeTexts() const override;
    std::string completeHeading() const override;
    bool dropsFactorySettings() const override { return false; }

private:
    Engine740Page* engine_ = nullptr;
    Speed620Page* speed_ = nullptr;
};

}  // namespace zvr
