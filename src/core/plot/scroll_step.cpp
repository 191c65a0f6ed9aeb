#include "plot/scroll_step.h"

#include <cmath>

namespace zvr {

void ScrollStep::SetStep(int step) {
    step_ = step;
    halfStep_ = step / 2;
    stepAndHalf_ = step + step / 2;
}

ScrollStep::Change ScrollStep::Update(double period, double timeMinimum, double timeMaximum,
                                      int plotWidth) {
    Change change;
    const double span = timeMaximum - timeMinimum;
    if (!(period > 0.0) || !(span > 0.0) || plotWidth <= 0) return change;

    const double pixels = period * plotWidth / span;
    if (!std::isfinite(pixels) || pixels >= plotWidth) {
        change.redrawStatic = true;
        SetStep(kDefaultStep);
        return change;
    }
    int whole = static_cast<int>(pixels);
    // The carry keeps its remainder: 2.5 pixels per sample scroll 2, 3, 2, 3 ...
    carry_ += pixels - whole;
    if (carry_ >= 1.0) {
        carry_ -= 1.0;
        ++whole;
    }
    if (whole < kMinimumStep) {
        change.timeMaximum = std::trunc(period * plotWidth * 0.5) + timeMinimum;
        change.redrawStatic = true;
        SetStep(kMinimumStep);
        return change;
    }
    if (whole >= plotWidth) {
        change.redrawStatic = true;
        SetStep(kDefaultStep);
        return change;
    }
    SetStep(whole);
    return change;
}

}  // namespace zvr
