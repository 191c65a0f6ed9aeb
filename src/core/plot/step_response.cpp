#include "plot/step_response.h"

#include <algorithm>
#include <cmath>

namespace zvr {

namespace {

double Tolerance(double a, double b) {
    return kHoldTolerancePercent / 100.0 * std::max(std::fabs(a), std::fabs(b));
}

bool IsStep(double from, double to) {
    return std::fabs(to - from) >
           kStepThresholdPercent / 100.0 * std::max(std::fabs(from), std::fabs(to));
}

// Where the response crosses value between samples i - 1 and i, by linear interpolation.
double CrossingTime(std::span<const ResponseSample> samples, size_t i, double value) {
    if (i == 0) return samples[0].time;
    const ResponseSample& before = samples[i - 1];
    const ResponseSample& after = samples[i];
    const double rise = after.response - before.response;
    if (rise == 0.0) return after.time;
    const double fraction = std::clamp((value - before.response) / rise, 0.0, 1.0);
    return before.time + fraction * (after.time - before.time);
}

// When the response first reaches level, going in the direction (+1 or -1).
std::optional<double> FirstReaching(std::span<const ResponseSample> samples, double level,
                                    double direction) {
    for (size_t i = 0; i < samples.size(); ++i) {
        if (direction * (samples[i].response - level) >= 0.0)
            return CrossingTime(samples, i, level);
    }
    return std::nullopt;
}

std::optional<double> SettlingTime(std::span<const ResponseSample> samples, double to,
                                   double halfBand) {
    const double start = samples.front().time;
    const double length = samples.back().time - start;
    size_t lastOutside = samples.size();
    for (size_t i = samples.size(); i-- > 0;) {
        if (std::fabs(samples[i].response - to) > halfBand) {
            lastOutside = i;
            break;
        }
    }
    double entered = start;
    if (lastOutside == samples.size() - 1) return std::nullopt;
    if (lastOutside < samples.size()) {
        const double edge = to + std::copysign(halfBand, samples[lastOutside].response - to);
        entered = CrossingTime(samples, lastOutside + 1, edge);
    }
    if (entered - start > 0.75 * length) return std::nullopt;
    return entered - start;
}

double SteadyStateError(std::span<const ResponseSample> samples) {
    const double start = samples.front().time;
    const double lastQuarter = start + 0.75 * (samples.back().time - start);
    double sum = 0.0;
    int count = 0;
    for (const ResponseSample& s : samples) {
        if (s.time < lastQuarter) continue;
        sum += s.reference - s.response;
        ++count;
    }
    return count > 0 ? sum / count : 0.0;
}

bool Measurement(const ResponseSample& s) {
    for (double value : {s.time, s.reference, s.response}) {
        if (!(std::fabs(value) <= kLargestSampleValue)) return false;
    }
    return true;
}

}  // namespace

StepFigures MeasureStep(std::span<const ResponseSample> samples, double from, double to,
                        double bandPercent) {
    StepFigures figures{.time = samples.front().time, .from = from, .to = to};
    const double step = to - from;
    const double size = std::fabs(step);
    const double direction = step >= 0.0 ? 1.0 : -1.0;
    figures.seconds = samples.back().time - samples.front().time;

    double peak = 0.0;
    for (const ResponseSample& s : samples)
        peak = std::max(peak, direction * (s.response - to));
    figures.overshootPercent = size > 0.0 ? 100.0 * peak / size : 0.0;

    const std::optional<double> rise10 = FirstReaching(samples, from + 0.1 * step, direction);
    const std::optional<double> rise90 = FirstReaching(samples, from + 0.9 * step, direction);
    if (rise10 && rise90) figures.riseSeconds = *rise90 - *rise10;

    const double halfBand = bandPercent / 100.0 * std::max(std::fabs(to), size);
    figures.settlingSeconds = SettlingTime(samples, to, halfBand);
    figures.error = SteadyStateError(samples);
    return figures;
}

void StepTracker::Add(const ResponseSample& sample) {
    if (!Measurement(sample)) {
        Break();
        return;
    }
    samples_.push_back(sample);
    const double value = sample.reference;
    switch (reference_) {
        case Reference::Unknown:
            level_ = value;
            reference_ = Reference::Holding;
            break;
        case Reference::Holding:
            if (std::fabs(value - level_) > Tolerance(level_, value)) {
                reference_ = Reference::Moving;
                moveStart_ = samples_.size() - 1;
                previous_ = value;
            }
            break;
        case Reference::Moving:
            if (std::fabs(value - previous_) <= Tolerance(previous_, value)) {
                reference_ = Reference::Holding;
                const double from = level_;
                level_ = value;
                if (IsStep(from, value)) StartStep(moveStart_, from, value);
            } else {
                previous_ = value;
            }
            break;
    }
    if (measuring_) {
        latestStale_ = true;
        const double window = options_.windowSeconds;
        const double elapsed = sample.time - samples_.front().time;
        const double slack = 1e-9 * window;
        if (window > 0.0 && elapsed >= window - slack) {
            Complete(elapsed <= window + slack ? samples_.size() : samples_.size() - 1);
        }
    }
    Trim();
}

void StepTracker::Break() {
    if (measuring_) Complete(samples_.size());
    reference_ = Reference::Unknown;
    samples_.clear();
}

void StepTracker::StartStep(size_t first, double from, double to) {
    if (measuring_) Complete(first);  // the next step ends the one before
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(first));
    moveStart_ = 0;
    measuring_ = true;
    from_ = from;
    to_ = to;
    latestStale_ = true;
}

// The measured step is complete with its first count samples (at least one). The caller
// trims what is no longer needed.
void StepTracker::Complete(size_t count) {
    count = std::clamp<size_t>(count, 1, samples_.size());
    StepFigures figures =
        MeasureStep(std::span(samples_).first(count), from_, to_, options_.bandPercent);
    figures.complete = true;
    completed_.push_back(figures);
    latest_ = figures;
    latestStale_ = false;
    measuring_ = false;
}

// Keeps only what the measured step or the reference's move still needs.
void StepTracker::Trim() {
    if (measuring_) return;
    if (reference_ != Reference::Moving) {
        samples_.clear();
        return;
    }
    samples_.erase(samples_.begin(), samples_.begin() + static_cast<std::ptrdiff_t>(moveStart_));
    moveStart_ = 0;
}

std::vector<StepFigures> StepTracker::TakeCompleted() {
    std::vector<StepFigures> taken;
    taken.swap(completed_);
    return taken;
}

const std::optional<StepFigures>& StepTracker::latest() {
    if (measuring_ && latestStale_) {
        latest_ = MeasureStep(samples_, from_, to_, options_.bandPercent);
        latestStale_ = false;
    }
    return latest_;
}

std::vector<StepFigures> MeasureSteps(std::span<const ResponseSample> samples,
                                      StepOptions options) {
    StepTracker tracker(options);
    for (const ResponseSample& sample : samples)
        tracker.Add(sample);
    tracker.Break();
    return tracker.TakeCompleted();
}

}  // namespace zvr
