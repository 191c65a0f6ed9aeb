#pragma once

#include <string>

namespace zvr {

// What a whole-calibration walk shows while it runs: two lines of text and a bar.
struct ProgressState {
    std::string line1;
    std::string line2;  // the scalar whose request is outstanding
    int minimum = 1;
    int maximum = 1;
    int position = 1;

    friend bool operator==(const ProgressState&, const ProgressState&) = default;
};

// Where a walk's host shows its progress: a dialog in the program, a line on a terminal.
class ProgressDisplay {
public:
    virtual ~ProgressDisplay() = default;
    // Shows the state (the display appears if it was hidden).
    virtual void ShowProgress(const ProgressState& state) = 0;
    // Hides the display; the next walk starts from a fresh state.
    virtual void HideProgress() = 0;
};

}  // namespace zvr
