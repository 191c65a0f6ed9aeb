#include "wizard/set_speeds.h"

#include <algorithm>
#include <string>

#include "wizard/wizard_sheet.h"

namespace zvr {

namespace {

constexpr const char* kPrefix = "speed.";
constexpr const char* kMinimumFloor = "minimum.floor";
constexpr const char* kMinimumCeiling = "minimum.ceiling";

constexpr EntryRange kFixedRange{Fixed(850), Fixed(5000), Named(kLowestSpeed),
                                 Named(kHighestSpeed)};

// Checked from the highest-numbered speed down.
constexpr NumberEntry kFixedSpeeds[] = {
    {.key = "1", .name = "Speed 1", .scalar = "SET_SPEED_1", .range = kFixedRange, .checkRank = 4},
    {.key = "2", .name = "Speed 2", .scalar = "SET_SPEED_2", .range = kFixedRange, .checkRank = 3},
    {.key = "3", .name = "Speed 3", .scalar = "SET_SPEED_3", .range = kFixedRange, .checkRank = 2},
    {.key = "4", .name = "Speed 4", .scalar = "SET_SPEED_4", .range = kFixedRange, .checkRank = 1},
};

// The minimum, then the maximum at least 2 rpm above it, then the default between the two.
constexpr NumberEntry kVariableSpeeds[] = {
    {.key = "1",
     .name = "Min Speed",
     .scalar = "SET_SPEED_MIN",
     .range = {Fixed(850), Fixed(5000), Named(kMinimumFloor), Named(kMinimumCeiling)},
     .checkRank = 1},
    {.key = "2",
     .name = "Default Speed",
     .scalar = "SET_SPEED_WARMUP",
     .range = {Named("1", 1), Named("3", -1), Named("1", 1), Named("3", -1)},
     .checkRank = 3},
    {.key = "3",
     .name = "Max Speed",
     .scalar = "SET_SPEED_MAX",
     .range = {Named("1", 2), Fixed(5000), Named("1", 2), Named(kHighestSpeed)},
     .checkRank = 2},
};

constexpr const char* kFixedLabels[] = {
    "Set Speed 1:", "Set Speed 2:", "Set Speed 3:", "Set Speed 4:"};
constexpr const char* kVariableLabels[] = {"Min Speed", "Default Speed:", "Max Speed:"};

std::string SpeedId(int number) { return kPrefix + std::to_string(number); }

void Label(WizardForm& form, int number, const char* label) {
    WizardField& edit = form.at(SpeedId(number));
    edit.label = label;
    edit.visible = true;
}

}  // namespace

EntryValues SpeedValues(const SetSpeedBounds& bounds) {
    return {{kLowestSpeed, bounds.lowest},
            {kHighestSpeed, bounds.highest},
            {kMinimumFloor, bounds.minimumFloor},
            {kMinimumCeiling, bounds.minimumCeiling}};
}

void AddSpeedEdits(WizardForm& form) { AddEntries(form, kPrefix, kFixedSpeeds); }

void ShowSpeedEdits(WizardForm& form, int count, const char* singleLabel) {
    if (count == 1) {
        Label(form, 1, singleLabel);
    } else if (count >= 2 && count <= 4) {
        for (int number = 1; number <= count; ++number)
            Label(form, number, kFixedLabels[number - 1]);
    } else if (count >= kVariableSpeed) {
        for (int number = 1; number <= 3; ++number)
            Label(form, number, kVariableLabels[number - 1]);
    }
}

void FillSpeedEdits(WizardSheet& sheet, WizardForm& form, bool variable) {
    if (variable) {
        FillEntries(sheet, form, kPrefix, kVariableSpeeds);
    } else {
        FillEntries(sheet, form, kPrefix, kFixedSpeeds);
    }
}

bool CheckSpeedEdits(WizardSheet& sheet, const WizardForm& form, int count, EntryValues& values) {
    if (count == kVariableSpeed) return CheckEntries(sheet, form, kPrefix, kVariableSpeeds, values);
    const auto asked = static_cast<size_t>(std::clamp(count, 0, 4));
    return CheckEntries(sheet, form, kPrefix, std::span(kFixedSpeeds).first(asked), values);
}

void TakeSpeeds(const EntryValues& values, SetSpeeds& answers) {
    if (answers.count == kVariableSpeed) {
        answers.minimum = values.whole("1");
        answers.defaultSpeed = values.whole("2");
        answers.maximum = values.whole("3");
        return;
    }
    for (int number = 1; number <= 4; ++number) {
        const std::string key = std::to_string(number);
        answers.speeds[number - 1] = number <= answers.count ? values.whole(key) : 0;
    }
}

void AddSpeedRows(std::vector<SummaryRow>& rows, const SetSpeeds& answers) {
    rows.push_back({"Single or Multiple speed", answers.count == 1 ? "Single" : "Multiple", ""});
    if (answers.count == kVariableSpeed) {
        rows.push_back({"Min Speed", std::to_string(answers.minimum), "rpm"});
        rows.push_back({"Default Speed", std::to_string(answers.defaultSpeed), "rpm"});
        rows.push_back({"Max Speed", std::to_string(answers.maximum), "rpm"});
        return;
    }
    for (int number = 1; number <= answers.count; ++number) {
        rows.push_back({"Set Speed " + std::to_string(number),
                        std::to_string(answers.speeds[number - 1]), "rpm"});
    }
}

void WriteSpeeds(WizardSheet& sheet, const SetSpeeds& answers) {
    if (answers.count >= 1 && answers.count <= 4) {
        for (int number = 1; number <= answers.count; ++number)
            sheet.Set("SET_SPEED_" + std::to_string(number), answers.speeds[number - 1]);
    } else if (answers.count == kVariableSpeed) {
        sheet.Set("SET_SPEED_MIN", answers.minimum);
        sheet.Set("SET_SPEED_WARMUP", answers.defaultSpeed);
        sheet.Set("SET_SPEED_MAX", answers.maximum);
    }
}

}  // namespace zvr
