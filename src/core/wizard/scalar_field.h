#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/definitions.h"
#include "wizard/wizard_form.h"

namespace zvr {

class WizardSheet;

// How an edit's text becomes its scalar's value.
enum class EntryRule {
    Limits,      // the scalar's own scaling, minimum and maximum
    Percentage,  // a number p with 0 < p <= 100, stored as p / 100
};

// One control of a page that stands for one scalar (or one bit of it): its label, tool tip
// and the text shown when an entry is refused. Pages are built from tables of these, so a
// window, a terminal and the checks all work from the same description.
struct ScalarField {
    const char* key;  // the field id after the page's prefix
    FieldKind kind;   // Edit, Check (a bit), or Choice (a bit as a two-item combo)
    const char* label;
    const char* scalar;  // the scalar's name; "%d" stands for the page's channel number
    const char* failure = "";
    const char* toolTip = "";
    uint32_t bit = 0;   // Check and Choice: the bit the control sets
    int group = 0;      // the step group of a multi-step page
    unsigned uses = 0;  // the combo items (bit per item) for which the field is used; 0 all
    int checkRank = 0;  // edits are checked by rank, then in table order
    EntryRule rule = EntryRule::Limits;
    std::span<const char* const> items = {};  // Choice: item 0 bit clear, item 1 bit set
    const char* box = "";                     // the titled group box it stands in
};

// "max not below min" and "min below max" between two edits of a group, checked right after
// the field named by after.
struct FieldOrder {
    int group;
    const char* low;
    const char* high;
    const char* after;
    bool strict;  // low's raw value must be below high's; else high (as an integer) >= low
    const char* failure;
};

// A scalar name with the channel number in place of "%d".
std::string ScalarName(std::string_view pattern, int channel);

// The form id of a field on a page whose fields carry prefix ("ch2.", "protect.").
std::string FieldId(std::string_view prefix, const ScalarField& field);

// Adds the fields to a form, hidden; their labels, tool tips and combo items from the table.
void AddScalarFields(WizardForm& form, std::string_view prefix,
                     std::span<const ScalarField> fields);

// Fills the group's fields from the scalars' controller values: an edit gets the value text
// (a percentage times 100), a check box or switch its bit.
void FillScalarFields(WizardSheet& sheet, WizardForm& form, std::string_view prefix,
                      std::span<const ScalarField> fields, int group, int channel);

// Whether a field serves the chosen combo item (its uses mask).
bool FieldServes(const ScalarField& field, int item);

// Parses and checks every edit of the group that serves item, in check order, storing each
// accepted value as its scalar's cal-file value; the bits of the group's check boxes and
// switches replace their scalars' values. At the first refusal the field's failure text is
// shown (no icon) and false returned.
bool CheckScalarFields(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                       std::span<const ScalarField> fields, std::span<const FieldOrder> orders,
                       int group, int item, int channel);

// Parse-and-check of one text against a scalar's scaling and limits: the raw value, or
// nothing for text that is empty, longer than 63 characters, not a number, a number with a
// fraction for a scalar counted in whole units, or outside the scalar's minimum and maximum.
std::optional<uint32_t> ParseWithinLimits(const ScalarDef& def, std::string_view text);

}  // namespace zvr
