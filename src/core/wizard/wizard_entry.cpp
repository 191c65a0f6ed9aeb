#include "wizard/wizard_entry.h"

#include <cmath>

#include "common/user_prompt.h"
#include "wizard/range_check.h"
#include "wizard/wizard_form.h"

namespace zvr {

std::optional<double> EntryNumber(UserPrompt& prompt, const WizardForm& form, std::string_view id,
                                  std::string_view name) {
    std::optional<double> value = ParseWizardNumber(form.text(id));
    if (!value) prompt.error(std::string(name) + " must be a number.");
    return value;
}

std::optional<int> EntryInteger(UserPrompt& prompt, const WizardForm& form, std::string_view id,
                                std::string_view name) {
    std::optional<double> value = EntryNumber(prompt, form, id, name);
    if (!value) return std::nullopt;
    if (std::fabs(*value) > 2'000'000'000.0) {
        prompt.error(std::string(name) + " must be a number.");
        return std::nullopt;
    }
    if (*value != std::trunc(*value)) {
        prompt.error(std::string(name) + " must be a whole number.");
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

std::string PositiveIntegerText(double value) {
    return value > 0 ? std::to_string(static_cast<long long>(value)) : std::string();
}

}  // namespace zvr
