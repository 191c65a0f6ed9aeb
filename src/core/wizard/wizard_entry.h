#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zvr {

class UserPrompt;
class WizardForm;

// An edit's number. Text that is not a number is refused with "<name> must be a number."
// (error) and gives nothing, so a page never reads it as 0.
std::optional<double> EntryNumber(UserPrompt& prompt, const WizardForm& form, std::string_view id,
                                  std::string_view name);
// A whole number, as the pages keep counts and speeds: a number with a fraction is refused
// with "<name> must be a whole number." (error) rather than cut; one too large to count with
// is not a number.
std::optional<int> EntryInteger(UserPrompt& prompt, const WizardForm& form, std::string_view id,
                                std::string_view name);

// A scalar's value text cut to an integer for an edit: "" when it is not above zero.
std::string PositiveIntegerText(double value);

}  // namespace zvr
