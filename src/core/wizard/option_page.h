#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/number_entry.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

// One option of an option page: a No/Yes combo and the setting asked for on Yes.
struct PageOption {
    const char* question;  // the combo's key
    const char* questionLabel;
    const char* no;   // item 0
    const char* yes;  // item 1
    NumberEntry setting;
    double offValue;  // the option's answer on No
};

// What an option page says when Next or Back finds nothing to do.
struct OptionTexts {
    const char* noChoice;  // neither item chosen
    PromptIcon noChoiceIcon;
    const char* badStep;      // Next on a step the page does not have
    const char* badBackStep;  // Back on such a step; "" says nothing
};

// A page of options asked one after the other: option n's question is step 2n - 1, its setting
// step 2n. No gives the option its off value, Yes asks for the setting; then the next option's
// question opens, and the last option's answer leaves the page. Back steps back one question.
class OptionPage : public WizardPage {
public:
    OptionPage(std::string heading, std::string prefix, std::span<const PageOption> options,
               const OptionTexts& texts);
    PageMove Next(WizardSheet& sheet) override;
    PageMove Back(WizardSheet& sheet) override;

    // The option's setting, or its off value when it was answered No (or not yet at all).
    double answer(size_t option) const { return answers_.at(option); }

protected:
    std::string id(std::string_view key) const { return prefix_ + std::string(key); }
    const PageOption& option(size_t index) const { return options_[index]; }
    // Preloading: the option's combo and setting as the controller has them.
    void Preset(size_t index, bool on, const std::string& setting);

private:
    PageMove Choose(WizardSheet& sheet, size_t index);
    PageMove TakeSetting(WizardSheet& sheet, size_t index);
    // After option index was answered: the next option's question, or the next page.
    PageMove Advance(size_t index, const char* answeredKey);

    std::string prefix_;
    std::span<const PageOption> options_;
    OptionTexts texts_;
    std::vector<double> answers_;
    std::vector<bool> on_;  // answered Yes
};

}  // namespace zvr
