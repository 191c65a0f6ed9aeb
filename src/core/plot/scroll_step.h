#pragma once

#include <optional>

namespace zvr {

// How far a strip chart scrolls per sample: the pixels one sample period covers at the
// chart's time span. The fraction of a pixel is carried from sample to sample so that the
// picture keeps pace with the time axis; each chart keeps its own carry, since charts of
// different spans must not push each other's scrolling.
class ScrollStep {
public:
    static constexpr int kDefaultStep = 4;
    static constexpr int kMinimumStep = 2;

    // What the chart must do after an update.
    struct Change {
        bool redrawStatic = false;
        // The widened time span: less than two pixels per sample would blur the traces, so
        // the time axis then ends where each sample moves two pixels.
        std::optional<double> timeMaximum;
    };

    // period: seconds between samples. Ignored unless the period, the time span and the plot
    // width are all positive.
    Change Update(double period, double timeMinimum, double timeMaximum, int plotWidth);

    void SetStep(int step);
    int step() const { return step_; }
    int halfStep() const { return halfStep_; }
    int stepAndHalf() const { return stepAndHalf_; }
    double carry() const { return carry_; }

private:
    int step_ = kDefaultStep;
    int halfStep_ = kDefaultStep / 2;
    int stepAndHalf_ = kDefaultStep + kDefaultStep / 2;
    double carry_ = 0.0;
};

}  // namespace zvr
