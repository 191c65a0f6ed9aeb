#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace zvr {

// Step-response figures of a governed value (the response, such as engine_rpm) against its set
// point (the reference, such as n_desired), so that a technician tuning the PID gains can read
// how good a response was instead of judging it by eye.
//
// Samples come in time order: the time in seconds, the reference and the response. A sample
// with a value that is no finite number, or beyond +-1e15 (no measurement is that large, and
// the arithmetic stays finite below it), breaks the series.
//
// Steps. The reference holds a level while each sample stays within the hold tolerance of it:
// 0.5 % of the larger of the two magnitudes (so a reference at 0 holds only at exactly 0). When
// a sample leaves the level, the reference moves until two samples in a row differ by no more
// than that tolerance; it then holds at the later one. The move is a step when it changed the
// level by more than the step threshold, 5 % of the larger of |from| and |to|. So a set speed
// that ramps is one step, from where the ramp left to where it ended; a reference that creeps
// by less than the tolerance per sample, or moves by less than the threshold, makes no step
// and its new level is simply held. A step starts at the first sample that left the old level:
// that sample is time 0 of its figures, and the step is known once the reference holds again.
// Noise on the reference smaller than the tolerance makes no steps.
//
// Window. A step's figures cover its samples from its start until the window has passed (a
// sample at exactly the window's end is the last one), the next step starts, or the samples
// end or break; then the figures are complete. A window of 0 has no limit.
//
// Figures, with step = to - from; levels are taken in the step's direction, so a step down
// gives the same figures as the mirrored step up:
// - overshoot: how far the response went past `to`, in % of |step|; 0 when it never did.
// - rise: from the response first reaching from + 10 % of the step to first reaching
//   from + 90 %, each crossing interpolated linearly between the samples either side of it;
//   nothing while the response has not reached 90 %.
// - settling: from the step's start until the response entered the settling band for good.
//   The band is +- band % of the new reference |to|, but never narrower than band % of |step|,
//   so that a step to 0 has one. The crossing into the band is interpolated like the others.
//   "Not settled" (nothing): at the end of the window the response is outside the band, or it
//   entered it only after the start of the window's last quarter.
// - error: the steady-state error, the mean of reference - response over the samples in the
//   last quarter of the window (positive when the response stays below the reference, for
//   steps up and down alike).
// Noise on the response is taken as it comes, without filtering: it adds at most its own size
// to the overshoot, moves a crossing by the time the response takes to cross it, and averages
// out of the error. A band narrower than the noise never settles, which is the truth.

struct ResponseSample {
    double time = 0.0;  // seconds
    double reference = 0.0;
    double response = 0.0;
};

inline constexpr double kLargestSampleValue = 1e15;
inline constexpr double kHoldTolerancePercent = 0.5;
inline constexpr double kStepThresholdPercent = 5.0;

struct StepFigures {
    double time = 0.0;  // of the step's first sample
    double from = 0.0;
    double to = 0.0;
    double overshootPercent = 0.0;
    std::optional<double> riseSeconds;      // nothing: 90 % not reached
    std::optional<double> settlingSeconds;  // nothing: not settled
    double error = 0.0;
    double seconds = 0.0;   // of response the figures cover, first to last sample
    bool complete = false;  // the window is over; otherwise the step is still being measured

    double step() const { return to - from; }
};

// The figures of one step whose samples begin with its first sample. At least one sample.
StepFigures MeasureStep(std::span<const ResponseSample> samples, double from, double to,
                        double bandPercent);

struct StepOptions {
    double bandPercent = 2.0;
    double windowSeconds = 0.0;  // 0: until the next step or the end of the samples
};

// Follows a series sample by sample: finds the steps of the reference and measures each.
// What it keeps is bounded by the window (without one, by the longest step).
class StepTracker {
public:
    explicit StepTracker(StepOptions options = {}) : options_(options) {}

    // A sample that is no measurement (see above) breaks the series.
    void Add(const ResponseSample& sample);
    // The series is broken (the recording has a gap, plotting started afresh): the step
    // being measured is complete with what it has, and the reference's level is unknown
    // until it holds again.
    void Break();

    // The steps completed since the last call, oldest first.
    std::vector<StepFigures> TakeCompleted();
    // The figures of the latest step, complete or still being measured; nothing before the
    // first step.
    const std::optional<StepFigures>& latest();
    bool measuring() const { return measuring_; }
    const StepOptions& options() const { return options_; }
    // A new window length, for the step being measured too (from its next sample on).
    void SetWindow(double seconds) { options_.windowSeconds = seconds; }

private:
    enum class Reference { Unknown, Holding, Moving };

    void StartStep(size_t first, double from, double to);
    void Complete(size_t count);
    void Trim();

    StepOptions options_;
    std::vector<ResponseSample> samples_;  // from the measured step's start or the move's start
    Reference reference_ = Reference::Unknown;
    double level_ = 0.0;     // the held level, or while moving the level left
    double previous_ = 0.0;  // while moving: the reference's last sample
    size_t moveStart_ = 0;   // while moving: the index of the move's first sample
    bool measuring_ = false;
    double from_ = 0.0;
    double to_ = 0.0;
    std::optional<StepFigures> latest_;
    bool latestStale_ = false;
    std::vector<StepFigures> completed_;
};

// Every step of a whole recording, in order; all of them complete.
std::vector<StepFigures> MeasureSteps(std::span<const ResponseSample> samples, StepOptions options);

}  // namespace zvr
