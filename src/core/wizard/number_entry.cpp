#include "wizard/number_entry.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

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

// The questions and refusals of one side of the range check, in table order.
bool PassChecks(UserPrompt& prompt, std::span<const EntryCheck> checks, double value,
                bool afterRange) {
    for (const EntryCheck& check : checks) {
        if (check.afterRange != afterRange || !check.Applies(value)) continue;
        if (check.asks) {
            if (!prompt.askYesNo(check.text)) return false;
        } else {
            prompt.show({check.text, kApplicationCaption, check.icon, PromptButtons::Ok});
            return false;
        }
    }
    return true;
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
    UserPrompt& prompt = sheet.prompt();
    const std::string id = FieldIdOf(prefix, entry);
    std::optional<double> value;
    if (entry.whole) {
        if (auto whole = EntryInteger(prompt, form, id, entry.name)) value = *whole;
    } else {
        value = EntryNumber(prompt, form, id, entry.name);
    }
    if (!value || !PassChecks(prompt, entry.checks, *value, false) ||
        !sheet.RangeCheck(entry.name, *value, ResolveRange(entry.range, values)) ||
        !PassChecks(prompt, entry.checks, *value, true)) {
        return false;
    }
    values.Put(entry.key, *value);
    return true;
}

bool CheckEntries(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                  std::span<const NumberEntry> entries, EntryValues& values) {
    std::vector<const NumberEntry*> order;
    for (const NumberEntry& entry : entries)
        order.push_back(&entry);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return a->checkRank < b->checkRank; });
    for (const NumberEntry* entry : order) {
        if (entry->onlyWhen != nullptr && !(values.at(entry->onlyWhen) > 0)) continue;
        if (!CheckEntry(sheet, form, prefix, *entry, values)) return false;
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
                  .visible = visible});
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
