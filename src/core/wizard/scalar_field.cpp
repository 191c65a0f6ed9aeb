#include "wizard/scalar_field.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/user_prompt.h"
#include "monitoring/scalar_entry.h"
#include "wizard/range_check.h"
#include "wizard/wizard_sheet.h"

namespace zvr {

namespace {

// The edit controls of the speed-switch pages hold at most 63 characters; longer text is
// refused rather than cut to a different number.
constexpr size_t kMaxEntryText = 63;

bool IsBitField(const ScalarField& field) {
    return field.kind == FieldKind::Check || field.kind == FieldKind::Choice;
}

std::string PercentText(double fraction) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", fraction * 100.0);
    return text;
}

// The group's edits in the order they are checked.
std::vector<const ScalarField*> CheckOrder(std::span<const ScalarField> fields, int group) {
    std::vector<const ScalarField*> order;
    for (const ScalarField& field : fields) {
        if (field.group == group && field.kind == FieldKind::Edit) order.push_back(&field);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto* a, const auto* b) { return a->checkRank < b->checkRank; });
    return order;
}

const ScalarField* Find(std::span<const ScalarField> fields, std::string_view key) {
    for (const ScalarField& field : fields) {
        if (key == field.key) return &field;
    }
    return nullptr;
}

}  // namespace

std::string ScalarName(std::string_view pattern, int channel) {
    std::string name(pattern);
    const size_t at = name.find("%d");
    if (at != std::string::npos) name.replace(at, 2, std::to_string(channel));
    return name;
}

std::string FieldId(std::string_view prefix, const ScalarField& field) {
    return std::string(prefix) + field.key;
}

void AddScalarFields(WizardForm& form, std::string_view prefix,
                     std::span<const ScalarField> fields) {
    for (const ScalarField& field : fields) {
        WizardField control{.id = FieldId(prefix, field),
                            .kind = field.kind,
                            .label = field.label,
                            .visible = false,
                            .toolTip = field.toolTip,
                            .box = field.box};
        if (field.kind == FieldKind::Choice)
            control.items.assign(field.items.begin(), field.items.end());
        if (IsBitField(field)) control.selection = 0;
        form.Add(std::move(control));
    }
}

void FillScalarFields(WizardSheet& sheet, WizardForm& form, std::string_view prefix,
                      std::span<const ScalarField> fields, int group, int channel) {
    for (const ScalarField& field : fields) {
        if (field.group != group) continue;
        const std::string name = ScalarName(field.scalar, channel);
        WizardField& control = form.at(FieldId(prefix, field));
        if (IsBitField(field)) {
            const ScalarDef* def = sheet.scalar(name);
            control.selection = def != nullptr && (def->controllerRaw & field.bit) != 0 ? 1 : 0;
        } else if (field.rule == EntryRule::Percentage) {
            control.text = PercentText(sheet.value(name));
        } else {
            control.text = sheet.valueText(name);
        }
    }
}

bool FieldServes(const ScalarField& field, int item) {
    return field.uses == 0 || (item >= 0 && item < 32 && (field.uses & (1u << item)) != 0);
}

std::optional<uint32_t> ParseWithinLimits(const ScalarDef& def, std::string_view text) {
    if (text.size() > kMaxEntryText) return std::nullopt;
    // Text that is not a number would otherwise be read as 0 and might lie within the limits.
    if (!IsValueText(text, def.scaling)) return std::nullopt;
    const double value = ParseValue(text, def.scaling);
    if (CheckRange(value, def.scaling) != 0) return std::nullopt;
    // A scalar counted in whole units takes no fraction: "2.5" is refused, not cut to 3.
    const bool decimal = def.scaling.type == 'S' || def.scaling.type == 'U';
    if (decimal && def.scaling.binaryPoint <= 0 &&
        std::ldexp(value, def.scaling.binaryPoint) !=
            std::trunc(std::ldexp(value, def.scaling.binaryPoint))) {
        return std::nullopt;
    }
    if (value < RawToEng(def.minRaw, def.scaling) || value > RawToEng(def.maxRaw, def.scaling)) {
        return std::nullopt;
    }
    return EngToRaw(value, def.scaling);
}

bool CheckScalarFields(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                       std::span<const ScalarField> fields, std::span<const FieldOrder> orders,
                       int group, int item, int channel) {
    const auto refuse = [&](const char* failure) {
        sheet.prompt().plain(failure);
        return false;
    };
    for (const ScalarField* field : CheckOrder(fields, group)) {
        if (!FieldServes(*field, item)) continue;
        const std::string name = ScalarName(field->scalar, channel);
        const std::string& text = form.text(FieldId(prefix, *field));
        if (field->rule == EntryRule::Percentage) {
            const std::optional<double> percent =
                text.size() > kMaxEntryText ? std::nullopt : ParseWizardNumber(text);
            if (!percent || !(*percent > 0 && *percent <= 100)) return refuse(field->failure);
            sheet.Set(name, *percent * 0.01);
        } else {
            const ScalarDef* def = sheet.scalar(name);
            if (def == nullptr) continue;
            const std::optional<uint32_t> raw = ParseWithinLimits(*def, text);
            if (!raw) return refuse(field->failure);
            sheet.SetRaw(name, *raw);
        }
        for (const FieldOrder& order : orders) {
            if (order.group != group || field->key != std::string_view(order.after)) continue;
            const ScalarField* low = Find(fields, order.low);
            const ScalarField* high = Find(fields, order.high);
            const ScalarDef* lowDef =
                low ? sheet.scalar(ScalarName(low->scalar, channel)) : nullptr;
            const ScalarDef* highDef =
                high ? sheet.scalar(ScalarName(high->scalar, channel)) : nullptr;
            if (lowDef == nullptr || highDef == nullptr) continue;
            const bool inOrder = order.strict
                                     ? lowDef->fileRaw < highDef->fileRaw
                                     : std::trunc(RawToEng(highDef->fileRaw, highDef->scaling)) >=
                                           std::trunc(RawToEng(lowDef->fileRaw, lowDef->scaling));
            if (!inOrder) return refuse(order.failure);
        }
    }
    // Check boxes and switches: the scalars they share take the sum of the set bits.
    std::vector<std::pair<std::string, uint32_t>> sums;
    for (const ScalarField& field : fields) {
        if (field.group != group || !IsBitField(field)) continue;
        const std::string name = ScalarName(field.scalar, channel);
        auto sum = std::find_if(sums.begin(), sums.end(),
                                [&](const auto& entry) { return entry.first == name; });
        if (sum == sums.end()) sum = sums.insert(sums.end(), {name, 0});
        if (form.selection(FieldId(prefix, field)) == 1) sum->second |= field.bit;
    }
    for (const auto& [name, bits] : sums)
        sheet.SetRaw(name, bits);
    return true;
}

}  // namespace zvr
