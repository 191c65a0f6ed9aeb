#pragma once

#include <vector>

#include "wizard/number_entry.h"

namespace zvr {

struct SummaryRow;
class WizardForm;
class WizardSheet;

// SWITCH_CONFIGURATION of a governor's set speeds: 0 none, 1 to 4 fixed speeds, 5 a variable
// speed between a minimum and a maximum with a default.
inline constexpr int kVariableSpeed = 5;

// The set speeds the person entered, as the ZEVAR 740 and 620 keep them.
struct SetSpeeds {
    int count = 0;
    int speeds[4] = {0, 0, 0, 0};
    int minimum = 0;
    int defaultSpeed = 0;
    int maximum = 0;
};

// Where a family lets the set speeds lie (the hard limits; the usual ones are 850 to 5000
// rpm): a fixed speed from lowest to highest, the variable minimum from minimumFloor to
// minimumCeiling and the maximum up to highest.
struct SetSpeedBounds {
    double lowest;
    double highest;
    double minimumFloor;
    double minimumCeiling;
};

// The names under which the bounds go into a step's values (the warm-up speed of the ZEVAR
// 740 uses the first two).
inline constexpr const char* kLowestSpeed = "lowest";
inline constexpr const char* kHighestSpeed = "highest";
EntryValues SpeedValues(const SetSpeedBounds& bounds);

// Adds the four speed edits ("speed.1" to "speed.4"), hidden and unlabelled.
void AddSpeedEdits(WizardForm& form);
// Labels and shows the speed edits ("speed.1" to "speed.4") the count asks for; the single
// speed's label is the family's.
void ShowSpeedEdits(WizardForm& form, int count, const char* singleLabel);
// Fills the speed edits from the controller: SET_SPEED_MIN, SET_SPEED_WARMUP and SET_SPEED_MAX
// for a variable speed, else SET_SPEED_1 to SET_SPEED_4.
void FillSpeedEdits(WizardSheet& sheet, WizardForm& form, bool variable);

// Checks the speed edits of the count in their order ("Speed 4" down to "Speed 1"; or "Min
// Speed", "Max Speed", "Default Speed"), each value going into values, which must hold the
// bounds.
bool CheckSpeedEdits(WizardSheet& sheet, const WizardForm& form, int count, EntryValues& values);
// The checked speeds of answers.count into answers: the fixed speeds (the ones not asked for
// become 0), or the minimum, default and maximum of a variable speed.
void TakeSpeeds(const EntryValues& values, SetSpeeds& answers);

// The Summary's "Single or Multiple speed" row and a row per speed.
void AddSpeedRows(std::vector<SummaryRow>& rows, const SetSpeeds& answers);
// SET_SPEED_1 up to the count, or SET_SPEED_MIN, SET_SPEED_WARMUP (the default speed) and
// SET_SPEED_MAX for a variable speed.
void WriteSpeeds(WizardSheet& sheet, const SetSpeeds& answers);

}  // namespace zvr
