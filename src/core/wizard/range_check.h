#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zvr {

class UserPrompt;

// The limits of the wizards' shared range check; a limit of -1 is not applied.
struct RangeLimits {
    double usualMin = -1;
    double usualMax = -1;
    double hardMin = -1;
    double hardMax = -1;
};

// What the range check says about a value: nothing, a refusal (error, OK) or a doubt that
// the person may overrule (Yes/No).
struct RangeVerdict {
    enum class Kind { Accept, Refuse, Doubt };
    Kind kind = Kind::Accept;
    std::string text;
};

// The first of: above the hard maximum, below the hard minimum (refused), above the usual
// maximum, below the usual minimum (doubted). The limits appear truncated to integers, and
// the texts keep their double blank before ">" and the missing blanks after the full stops.
RangeVerdict CheckWizardRange(std::string_view label, double value, const RangeLimits& limits);

// Shows the verdict: true when the value is accepted or the person answers Yes.
bool RangeCheck(UserPrompt& prompt, std::string_view label, double value,
                const RangeLimits& limits);

// An edit's text as a number: decimal digits with an optional sign and fraction, blanks
// around allowed. Nothing for anything else, so that "abc" is never taken for 0.
std::optional<double> ParseWizardNumber(std::string_view text);

}  // namespace zvr
