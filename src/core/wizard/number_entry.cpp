#include "wizard/number_entry.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "wizard/scalar_fit.h"
#include "wizard/wizard_entry.h"
#include "wizard/wizard_form.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

namespace {

std::string FieldIdOf(std::string_view prefix, const NumberEntry& entry) {
    return std::string(prefix) + entry.key;
}

double Resolve(const EntryLimit& limit, const EntryValues& values) {
    return limit.from == nullptr ? limit.value : values.at(limit.from) + limit.value;
}

// The entry's own refusals (asks false) or questions (asks true) on one side of the range
// check, in table order.
bool PassChecks(UserPrompt& prompt, std::span<const EntryCheck> checks, double value, bool asks,
                bool afterRange) {
    for (const EntryCheck& check : checks) {
        if (check.asks != asks || check.afterRange != afterRange || !check.Applies(value)) {
            continue;
        }
        if (asks) {
            if (!prompt.askYesNo(check.text, kApplicationCaption, check.icon)) return false;
        } else {
            prompt.show({check.text, kApplicationCaption, check.icon, PromptButtons::Ok});
            return false;
        }
    }
    return true;
}

// Whether a value fits the scalar that takes it; an absent scalar takes nothing.
bool Fits(WizardSheet& sheet, std::string_view what, const char* scalar, const char* orScalar,
          double value, bool raw) {
    const ScalarDef* def = *scalar != '\0' ? sheet.scalar(scalar) : nullptr;
    if (def == nullptr && orScalar != nullptr && *orScalar != '\0') def = sheet.scalar(orScalar);
    if (def == nullptr) return true;
    ScalarFit fit;
    if (!raw) {
        fit = CheckScalarFit(*def, value);
    } else if (value < 0) {
        fit = {ScalarFit::Kind::TooSmall, 0};
    } else {
        fit = CheckRawFit(*def, static_cast<uint64_t>(std::min(value, 1e18)));
    }
    if (fit.fits()) return true;
    sheet.prompt().error(ScalarFitText(what, value, *def, fit));
    return false;
}

// The hard limits of the range check only, or its usual limits only.
RangeLimits HardLimits(RangeLimits limits) {
    limits.usualMin = limits.usualMax = -1;
    return limits;
}
RangeLimits UsualLimits(RangeLimits limits) {
    limits.hardMin = limits.hardMax = -1;
    return limits;
}

// Everything that refuses the entry: the text, its own refusals around the hard limits, and
// what the value, and those worked out from it, put into their scalars. The value when it
// passes, with it and the values worked out so far in values.
std::optional<double> PassRefusals(WizardSheet& sheet, const WizardForm& form,
                                   std::string_view prefix, const NumberEntry& entry,
                                   EntryValues& values) {
    UserPrompt& prompt = sheet.prompt();
    const std::string id = FieldIdOf(prefix, entry);
    std::optional<double> value;
    if (!entry.whole) {
        value = EntryNumber(prompt, form, id, entry.name);
    } else if (const std::optional<int> whole = EntryInteger(prompt, form, id, entry.name)) {
        value = *whole;
    }
    if (!value) return std::nullopt;
    const RangeLimits limits = ResolveRange(entry.range, values);
    if (!PassChecks(prompt, entry.checks, *value, false, false) ||
        !sheet.RangeCheck(entry.name, *value, HardLimits(limits)) ||
        !PassChecks(prompt, entry.checks, *value, false, true) ||
        !Fits(sheet, entry.name, entry.scalar, nullptr, *value, false)) {
        return std::nullopt;
    }
    values.Put(entry.key, *value);
    for (const WorkedValue& worked : entry.worked) {
        if (!Fits(sheet, worked.name, worked.scalar, worked.orScalar, worked.work(values),
                  worked.raw)) {
            return std::nullopt;
        }
    }
    return value;
}

// The questions about an accepted value: its own, around the range check's usual limits.
bool PassQuestions(WizardSheet& sheet, const NumberEntry& entry, double value,
                   const EntryValues& values) {
    UserPrompt& prompt = sheet.prompt();
    return PassChecks(prompt, entry.checks, value, true, false) &&
           sheet.RangeCheck(entry.name, value, UsualLimits(ResolveRange(entry.range, values))) &&
           PassChecks(prompt, entry.checks, value, true, true);
}

}  // namespace

bool EntryCheck::Applies(double value) const {
    switch (test) {
        case EntryTest::Below:
            return value < limit;
        case EntryTest::AtMost:
            return value <= limit;
        case EntryTest::Above:
            return value > limit;
        case EntryTest::AtLeast:
            return value >= limit;
    }
    return false;
}

EntryValues::EntryValues(std::initializer_list<std::pair<std::string, double>> named)
    : values_(named) {}

void EntryValues::Put(std::string_view name, double value) {
    auto found = std::find_if(values_.begin(), values_.end(),
                              [name](const auto& entry) { return entry.first == name; });
    if (found == values_.end()) {
        values_.emplace_back(std::string(name), value);
    } else {
        found->second = value;
    }
}

bool EntryValues::has(std::string_view name) const {
    return std::any_of(values_.begin(), values_.end(),
                       [name](const auto& entry) { return entry.first == name; });
}

double EntryValues::at(std::string_view name) const {
    auto found = std::find_if(values_.begin(), values_.end(),
                              [name](const auto& entry) { return entry.first == name; });
    if (found == values_.end()) throw std::logic_error("entry value " + std::string(name));
    return found->second;
}

RangeLimits ResolveRange(const EntryRange& range, const EntryValues& values) {
    return {Resolve(range.usualMin, values), Resolve(range.usualMax, values),
            Resolve(range.hardMin, values), Resolve(range.hardMax, values)};
}

const EntryCheck* FirstRefusal(std::span<const EntryCheck> checks, double value) {
    for (const EntryCheck& check : checks) {
        if (!check.asks && check.Applies(value)) return &check;
    }
    return nullptr;
}

bool CheckEntry(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                const NumberEntry& entry, EntryValues& values) {
    return CheckEntries(sheet, form, prefix, std::span(&entry, 1), values);
}

bool CheckEntries(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                  std::span<const NumberEntry> entries, EntryValues& values) {
    std::vector<const NumberEntry*> order;
    for (const NumberEntry& entry : entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return a->checkRank < b->checkRank; });
    std::vector<std::pair<const NumberEntry*, double>> accepted;
    for (const NumberEntry* entry : order) {
        if (entry->onlyWhen != nullptr && !(values.at(entry->onlyWhen) > 0)) continue;
        const std::optional<double> value = PassRefusals(sheet, form, prefix, *entry, values);
        if (!value) return false;
        accepted.emplace_back(entry, *value);
    }
    for (const auto& [entry, value] : accepted) {
        if (!PassQuestions(sheet, *entry, value, values)) return false;
    }
    return true;
}

void AddEntries(WizardForm& form, std::string_view prefix, std::span<const NumberEntry> entries,
                bool visible) {
    for (const NumberEntry& entry : entries) {
        form.Add({.id = FieldIdOf(prefix, entry),
                  .kind = FieldKind::Edit,
                  .label = entry.label,
                  .units = entry.units,
                  .visible = visible,
                  .digitsOnly = entry.digitsOnly});
    }
}

void FillEntries(WizardSheet& sheet, WizardForm& form, std::string_view prefix,
                 std::span<const NumberEntry> entries) {
    for (const NumberEntry& entry : entries)
        form.at(FieldIdOf(prefix, entry)).text = sheet.valueText(entry.scalar);
}

void ShowEntries(WizardForm& form, std::string_view prefix, std::span<const NumberEntry> entries,
                 bool visible) {
    for (const NumberEntry& entry : entries)
        form.Show(FieldIdOf(prefix, entry), visible);
}

}  // namespace zvr
