#include "wizard/range_check.h"

#include <charconv>
#include <cmath>

#include "common/user_prompt.h"

namespace zvr {

namespace {

std::string LimitText(double limit) { return std::to_string(static_cast<long long>(limit)); }

bool Applies(double limit) { return limit != -1; }

}  // namespace

RangeVerdict CheckWizardRange(std::string_view label, double value, const RangeLimits& limits) {
    const std::string name(label);
    using Kind = RangeVerdict::Kind;
    if (Applies(limits.hardMax) && value > limits.hardMax) {
        return {Kind::Refuse, name + " is too large, Value must be < " + LimitText(limits.hardMax) +
                                  ".Wizard cannot continue."};
    }
    if (Applies(limits.hardMin) && value < limits.hardMin) {
        return {Kind::Refuse, name + " is too small, Value must be  > " +
                                  LimitText(limits.hardMin) + ".Wizard cannot continue."};
    }
    if (Applies(limits.usualMax) && value > limits.usualMax) {
        return {Kind::Doubt, name + " seems too large, Usually < " + LimitText(limits.usualMax) +
                                 ".Do you wish to continue anyway?"};
    }
    if (Applies(limits.usualMin) && value < limits.usualMin) {
        return {Kind::Doubt, name + " seems too small, Usually > " + LimitText(limits.usualMin) +
                                 ".Do you wish to continue anyway?"};
    }
    return {};
}

bool RangeCheck(UserPrompt& prompt, std::string_view label, double value,
                const RangeLimits& limits) {
    const RangeVerdict verdict = CheckWizardRange(label, value, limits);
    switch (verdict.kind) {
        case RangeVerdict::Kind::Refuse:
            prompt.error(verdict.text);
            return false;
        case RangeVerdict::Kind::Doubt:
            return prompt.askYesNo(verdict.text);
        case RangeVerdict::Kind::Accept:
            break;
    }
    return true;
}

std::optional<double> ParseWizardNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace zvr
