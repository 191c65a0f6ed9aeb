#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/user_prompt.h"
#include "wizard/range_check.h"

namespace zvr {

class WizardForm;
class WizardSheet;

// A limit of an entry's range check: a number, or a value named when the check runs (one the
// page provides, such as the speed range, or an entry checked before on the same step) plus
// an offset. A number of -1 is not applied, as in the range check itself.
struct EntryLimit {
    const char* from = nullptr;  // the named value; null for a number
    double value = -1;           // the number, or the offset added to the named value
};

inline constexpr EntryLimit kNoLimit{};
constexpr EntryLimit Fixed(double value) { return {nullptr, value}; }
constexpr EntryLimit Named(const char* name, double offset = 0) { return {name, offset}; }

// The shared range check's four limits, in its order.
struct EntryRange {
    EntryLimit usualMin;
    EntryLimit usualMax;
    EntryLimit hardMin;
    EntryLimit hardMax;
};

// How a check compares the value with its limit: value < limit, <=, > or >=.
enum class EntryTest : uint8_t { Below, AtMost, Above, AtLeast };

// A check with a text of its own: a Yes/No question whose No refuses the entry, or a refusal
// shown with its icon. Refusals are tried with the range check's hard limits, questions with
// its usual ones; each in table order before the range check's, or after them.
struct EntryCheck {
    EntryTest test = EntryTest::Below;
    double limit = 0;
    const char* text = "";
    bool asks = false;                    // a question; else a refusal
    PromptIcon icon = PromptIcon::Error;  // the message's icon
    bool afterRange = false;

    bool Applies(double value) const;
};

constexpr EntryCheck AskIf(EntryTest test, double limit, const char* text,
                           PromptIcon icon = PromptIcon::Question) {
    return {test, limit, text, true, icon};
}
constexpr EntryCheck RefuseIf(EntryTest test, double limit, const char* text,
                              PromptIcon icon = PromptIcon::Error) {
    return {test, limit, text, false, icon};
}

class EntryValues;

// A value a step writes that is worked out from its entries rather than typed: the scalar it
// goes to (orScalar where the strategy has no such scalar), the name its message gives it, how
// it is worked out from the entries checked so far, and whether the number is stored as the
// raw value rather than through the scalar's scaling.
struct WorkedValue {
    const char* scalar;
    const char* orScalar;
    const char* name;
    double (*work)(const EntryValues&);
    bool raw = false;
};

// One number a governor page asks for: its edit (label and units; a page that re-labels the
// edit leaves the label empty), the name its messages give it ("<name> must be a number.", the
// range check's texts), whether it is a whole number or a decimal one, the scalar it is stored
// in as it is ("" when it only feeds a value worked out from it), the range check, the checks
// of its own, and the values worked out once it is accepted. Whatever goes into a scalar must
// fit it (its size and its own limits). Tables list the entries in the order their edits stand
// on the page.
struct NumberEntry {
    const char* key;  // the field id after the page's prefix
    const char* label = "";
    const char* units = "";
    const char* name = "";
    bool whole = true;
    const char* scalar = "";
    EntryRange range = {};
    std::span<const EntryCheck> checks = {};
    int checkRank = 0;               // entries are checked by rank, then in table order
    const char* onlyWhen = nullptr;  // checked only when this earlier value is above 0
    std::span<const WorkedValue> worked = {};
    bool digitsOnly = false;  // the edit takes digits only
};

// The numbers a step works with: values the page names before the check (the speed range),
// then every accepted entry under its key.
class EntryValues {
public:
    EntryValues() = default;
    EntryValues(std::initializer_list<std::pair<std::string, double>> named);

    void Put(std::string_view name, double value);
    bool has(std::string_view name) const;
    // The value of a name the tables use; asking for one never put is a programming error.
    double at(std::string_view name) const;
    int whole(std::string_view name) const { return static_cast<int>(at(name)); }

private:
    std::vector<std::pair<std::string, double>> values_;
};

// The range check's limits with the named ones looked up in values.
RangeLimits ResolveRange(const EntryRange& range, const EntryValues& values);

// The first refusal among the checks for this value (questions are not refusals), or null.
const EntryCheck* FirstRefusal(std::span<const EntryCheck> checks, double value);

// Checks a step's entries and, when all pass, has put each value under its key. Everything
// that refuses comes before anything that asks, so that nobody is asked to confirm a value
// that is then refused: first, entry by entry in check order, the text as a number (a whole
// one where the entry wants it), its refusals and the range check's hard limits, whether the
// value fits its scalar, and whether the values worked out from it fit theirs; then, in the
// same order, its questions and the range check's usual limits. The first refusal, or the
// first No, has been shown to the person when false comes back.
bool CheckEntries(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                  std::span<const NumberEntry> entries, EntryValues& values);
bool CheckEntry(WizardSheet& sheet, const WizardForm& form, std::string_view prefix,
                const NumberEntry& entry, EntryValues& values);

// Adds the entries' edits to the form, in table order.
void AddEntries(WizardForm& form, std::string_view prefix, std::span<const NumberEntry> entries,
                bool visible = false);
// Each entry's edit gets its scalar's controller value text.
void FillEntries(WizardSheet& sheet, WizardForm& form, std::string_view prefix,
                 std::span<const NumberEntry> entries);
// Shows (or hides) the entries' edits.
void ShowEntries(WizardForm& form, std::string_view prefix, std::span<const NumberEntry> entries,
                 bool visible = true);

}  // namespace zvr
