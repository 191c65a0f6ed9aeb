#include "plot/step_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include "plot/step_reference.h"

namespace zvr {
namespace {

using Shape = std::function<double(double)>;  // the unit step response y(t), y(0) = 0

Shape SecondOrder(double damping, double naturalFrequency) {
    return [=](double t) {
        const double root = std::sqrt(1 - damping * damping);
        const double damped = naturalFrequency * root;
        return 1 - std::exp(-damping * naturalFrequency * t) / root *
                       std::sin(damped * t + std::acos(damping));
    };
}

Shape FirstOrder(double lag) {
    return [=](double t) { return 1 - std::exp(-t / lag); };
}

Shape Undamped(double frequency) {
    return [=](double t) { return 1 - std::cos(frequency * t); };
}

Shape StopsShort(double lag, double reached) {
    return [=](double t) { return reached * (1 - std::exp(-t / lag)); };
}

// The reference held at `from` for half a second, then stepped to `to` at t = 0.5; the
// response follows the shape from there, with uniform noise of the given size.
std::vector<ResponseSample> Recording(const Shape& shape, double from, double to, double period,
                                      double seconds, double noise = 0) {
    std::mt19937 generator(7);
    std::uniform_real_distribution<double> jitter(-noise, noise);
    std::vector<ResponseSample> samples;
    const int count = static_cast<int>(std::lround(seconds / period));
    for (int i = 0; i <= count; ++i) {
        const double t = i * period;
        const bool stepped = t >= 0.5 - 1e-9;
        const double y = stepped ? shape(t - 0.5) : 0.0;
        samples.push_back(
            {t, stepped ? to : from, from + (to - from) * y + (noise > 0 ? jitter(generator) : 0)});
    }
    return samples;
}

// The figures of the continuous response, found by scanning it finely: no samples, no
// interpolation. The settling band is in units of the step here.
struct Truth {
    double overshootPercent = 0;
    std::optional<double> rise;
    std::optional<double> settling;
};

Truth Analytic(const Shape& shape, double seconds, double band) {
    constexpr double dt = 1e-5;
    Truth truth;
    std::optional<double> rise10;
    double lastOutside = -1;
    for (double t = 0; t <= seconds; t += dt) {
        const double y = shape(t);
        truth.overshootPercent = std::max(truth.overshootPercent, 100 * (y - 1));
        if (!rise10 && y >= 0.1) rise10 = t;
        if (rise10 && !truth.rise && y >= 0.9) truth.rise = t - *rise10;
        if (std::fabs(y - 1) > band) lastOutside = t;
    }
    if (lastOutside < 0.75 * seconds) truth.settling = std::max(lastOutside + dt, 0.0);
    return truth;
}

StepFigures OnlyStep(const std::vector<ResponseSample>& samples, double band = 2.0) {
    const std::vector<StepFigures> steps = MeasureSteps(samples, {.bandPercent = band});
    EXPECT_EQ(steps.size(), 1u);
    return steps.empty() ? StepFigures{} : steps.front();
}

// Synthetic responses whose figures are known: each measured from its samples agrees with the
// continuous response's own figures, within what sampling and noise can move them.
TEST(StepResponse, FiguresOfKnownResponses) {
    struct Case {
        const char* name;
        Shape shape;
        double from;
        double to;
        double noise;
        double period;
        double seconds;  // after the step
        double overshootTolerance;
        double timeTolerance;
        double error;  // expected steady-state error
        double errorTolerance;
    };
    const Case cases[] = {
        {"second order, damping 0.5, step up", SecondOrder(0.5, 5), 1500, 1800, 0, 0.01, 5, 0.05,
         0.002, 0, 0.05},
        {"second order, damping 0.5, step down", SecondOrder(0.5, 5), 1800, 1500, 0, 0.01, 5, 0.05,
         0.002, 0, 0.05},
        {"second order, unit step, classic 2 % band", SecondOrder(0.5, 1), 0, 1, 0, 0.01, 20, 0.05,
         0.002, 0, 1e-3},
        {"second order with +-1 rpm noise", SecondOrder(0.5, 5), 1500, 1800, 1, 0.01, 5, 0.4, 0.012,
         0, 0.3},
        {"second order with +-1 rpm noise, step down", SecondOrder(0.5, 5), 1800, 1500, 1, 0.01, 5,
         0.4, 0.012, 0, 0.3},
        {"first order", FirstOrder(0.2), 1500, 1800, 0, 0.01, 3, 0, 0.002, 0, 0.05},
        {"first order, unit step", FirstOrder(1), 0, 1, 0, 0.01, 20, 0, 0.002, 0, 1e-3},
        {"first order with +-1 rpm noise", FirstOrder(0.2), 1500, 1800, 1, 0.05, 3, 0.34, 0.05, 0,
         0.5},
        {"never settles: undamped", Undamped(4), 1500, 1800, 0, 0.01, 5, 0.05, 0.002, 0, 200},
        {"never settles: stops short of the reference", StopsShort(0.2, 0.8), 1500, 1800, 0, 0.01,
         3, 0, 0.002, 60, 0.05},
        {"stops short, step down", StopsShort(0.2, 0.8), 1800, 1500, 0, 0.01, 3, 0, 0.002, -60,
         0.05},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const StepFigures step =
            OnlyStep(Recording(c.shape, c.from, c.to, c.period, 0.5 + c.seconds, c.noise));
        const double size = std::fabs(c.to - c.from);
        const double band = 0.02 * std::max(std::fabs(c.to), size) / size;
        const Truth truth = Analytic(c.shape, c.seconds, band);
        EXPECT_DOUBLE_EQ(step.time, 0.5);
        EXPECT_EQ(step.from, c.from);
        EXPECT_EQ(step.to, c.to);
        EXPECT_NEAR(step.overshootPercent, truth.overshootPercent, c.overshootTolerance);
        ASSERT_EQ(step.riseSeconds.has_value(), truth.rise.has_value());
        if (truth.rise) {
            EXPECT_NEAR(*step.riseSeconds, *truth.rise, c.timeTolerance);
        }
        ASSERT_EQ(step.settlingSeconds.has_value(), truth.settling.has_value());
        if (truth.settling) {
            EXPECT_NEAR(*step.settlingSeconds, *truth.settling, c.timeTolerance);
        }
        EXPECT_NEAR(step.error, c.error, c.errorTolerance);
        EXPECT_TRUE(step.complete);
    }
}

// The textbook figures themselves, so that the scan above is not the only judge.
TEST(StepResponse, TextbookFigures) {
    const StepFigures damped = OnlyStep(Recording(SecondOrder(0.5, 5), 1500, 1800, 0.005, 5.5));
    EXPECT_NEAR(damped.overshootPercent, 16.3, 0.05);
    const StepFigures lag = OnlyStep(Recording(FirstOrder(1), 0, 1, 0.005, 20.5));
    EXPECT_EQ(lag.overshootPercent, 0);
    EXPECT_NEAR(*lag.riseSeconds, std::log(9.0), 0.001);       // 10 % to 90 %: lag * ln 9
    EXPECT_NEAR(*lag.settlingSeconds, std::log(50.0), 0.001);  // into 2 %: lag * ln 50
    const StepFigures swing = OnlyStep(Recording(Undamped(4), 1500, 1800, 0.005, 5.5));
    EXPECT_NEAR(swing.overshootPercent, 100, 0.05);
    EXPECT_NEAR(*swing.riseSeconds, (std::acos(0.1) - std::acos(0.9)) / 4, 0.001);
    EXPECT_FALSE(swing.settlingSeconds);
}

// Settled means inside the band to the end of the window, entered before its last quarter.
TEST(StepResponse, SettledOnlyWhenTheBandIsEnteredBeforeTheLastQuarter) {
    struct Case {
        double enters;  // seconds after the step, of a 4 s window
        std::optional<double> settling;
    };
    const Case cases[] = {{0.5, 0.5}, {2.9, 2.9}, {3.1, std::nullopt}, {4.5, std::nullopt}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.enters);
        // 1000 -> 1100 with a band of 2 % of 1100 (22): 50 rpm short until it enters exactly.
        const Shape shape = [&](double t) { return t < c.enters ? 0.5 : 1.0; };
        const StepFigures step = OnlyStep(Recording(shape, 1000, 1100, 0.1, 4.5));
        ASSERT_EQ(step.settlingSeconds.has_value(), c.settling.has_value());
        if (c.settling) {
            EXPECT_NEAR(*step.settlingSeconds, *c.settling, 0.1);
        }
    }
}

// The reference alone decides what is a step, where it starts and between which levels.
TEST(StepResponse, StepsOfTheReference) {
    struct Expected {
        double time;
        double from;
        double to;
    };
    struct Case {
        const char* name;
        std::function<double(double)> reference;  // at t, sampled every 50 ms for 6 s
        std::vector<Expected> steps;
    };
    std::mt19937 generator(3);
    std::uniform_real_distribution<double> jitter(-1, 1);
    const Case cases[] = {
        {"a step up", [](double t) { return t < 1 ? 1500.0 : 1800.0; }, {{1.0, 1500, 1800}}},
        {"a step down", [](double t) { return t < 1 ? 1800.0 : 1500.0; }, {{1.0, 1800, 1500}}},
        {"from zero", [](double t) { return t < 1 ? 0.0 : 1000.0; }, {{1.0, 0, 1000}}},
        {"a ramp of 500 rpm/s is one step from its start to its end",
         [](double t) { return std::clamp(1500 + 500 * (t - 1), 1500.0, 1800.0); },
         {{1.05, 1500, 1800}}},
        {"4 % is no step", [](double t) { return t < 1 ? 1500.0 : 1560.0; }, {}},
        {"creeping 2 rpm a sample is no step",
         [](double t) { return std::min(1500 + 40 * t, 1740.0); },
         {}},
        {"noise of +-1 rpm is no step", [&](double) { return 1500 + jitter(generator); }, {}},
        {"up and down again",
         [](double t) { return t >= 1 && t < 3 ? 1800.0 : 1500.0; },
         {{1.0, 1500, 1800}, {3.0, 1800, 1500}}},
        {"a small move, then a step from the new level",
         [](double t) { return t < 1   ? 1500.0
                               : t < 2 ? 1520.0
                                       : 1700.0; },
         {{2.0, 1520, 1700}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ResponseSample> samples;
        for (int i = 0; i <= 120; ++i) {
            const double t = i * 0.05;
            samples.push_back({t, c.reference(t), 1500});
        }
        const std::vector<StepFigures> steps = MeasureSteps(samples, {});
        ASSERT_EQ(steps.size(), c.steps.size());
        for (size_t k = 0; k < steps.size(); ++k) {
            EXPECT_NEAR(steps[k].time, c.steps[k].time, 1e-9);
            EXPECT_EQ(steps[k].from, c.steps[k].from);
            EXPECT_EQ(steps[k].to, c.steps[k].to);
        }
        // Without a window a step lasts until the next one starts.
        for (size_t k = 0; k + 1 < steps.size(); ++k)
            EXPECT_NEAR(steps[k].time + steps[k].seconds, steps[k + 1].time - 0.05, 1e-9);
    }
}

// Sample by sample, as the plot measures: figures while the window runs, complete once it is
// over, each completed step handed out once; a break ends the step and forgets the level.
TEST(StepResponse, TrackerWindowAndBreaks) {
    StepTracker tracker({.bandPercent = 2, .windowSeconds = 2});
    const std::vector<ResponseSample> samples =
        Recording(FirstOrder(0.2), 1500, 1800, 0.1, 0.5 + 3);
    std::optional<size_t> completedAt;
    for (size_t i = 0; i < samples.size(); ++i) {
        tracker.Add(samples[i]);
        const std::vector<StepFigures> done = tracker.TakeCompleted();
        if (!done.empty()) {
            ASSERT_FALSE(completedAt) << "handed out twice";
            completedAt = i;
            EXPECT_DOUBLE_EQ(done.front().seconds, 2.0);
            EXPECT_TRUE(done.front().settlingSeconds);
        }
        if (i == 7) {  // 0.2 s after the step: still measured, not settled yet
            ASSERT_TRUE(tracker.latest());
            EXPECT_FALSE(tracker.latest()->complete);
            EXPECT_FALSE(tracker.latest()->settlingSeconds);
            EXPECT_TRUE(tracker.measuring());
        }
    }
    EXPECT_EQ(completedAt, 25u);  // the sample 2 s after the step is the window's last
    ASSERT_TRUE(tracker.latest());
    EXPECT_TRUE(tracker.latest()->complete);
    EXPECT_FALSE(tracker.measuring());

    // A step cut short by a break is complete with what it had.
    StepTracker broken({.windowSeconds = 10});
    for (const ResponseSample& s : Recording(FirstOrder(0.2), 1500, 1800, 0.1, 1.5))
        broken.Add(s);
    broken.Break();
    const std::vector<StepFigures> cut = broken.TakeCompleted();
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_NEAR(cut.front().seconds, 1.0, 1e-9);
    // After the break the old level is forgotten: a new level is learnt, not taken for a step.
    broken.Add({2.0, 1200, 1200});
    broken.Add({2.1, 1200, 1200});
    broken.Add({2.2, std::nan(""), 1200});  // no number: another break
    broken.Add({2.3, 1800, 1800});
    broken.Add({2.4, 1800, 1800});
    EXPECT_TRUE(broken.TakeCompleted().empty());
    EXPECT_FALSE(broken.measuring());

    // No measurement is as large as 2e15: such a value breaks the series too.
    StepTracker large({.windowSeconds = 10});
    for (const ResponseSample& s : Recording(FirstOrder(0.2), 1500, 1800, 0.1, 1.5))
        large.Add(s);
    large.Add({1.6, 1800, 2e15});
    const std::vector<StepFigures> ended = large.TakeCompleted();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_NEAR(ended.front().seconds, 1.0, 1e-9);
    EXPECT_EQ(ended.front().overshootPercent, 0);
}

// Which trace is the reference: as chosen, or by the name of a set point.
TEST(StepResponse, ReferenceTraceChoice) {
    using enum PlotReference;
    struct Case {
        PlotReference setting;
        std::array<std::string, 2> names;
        std::optional<ReferencePair> pair;
    };
    const Case cases[] = {
        {Automatic, {"engine_rpm", "n_desired"}, ReferencePair{1, 0}},
        {Automatic, {"N_DESIRED", "engine_rpm"}, ReferencePair{0, 1}},
        {Automatic, {"step_position", "step_target"}, ReferencePair{1, 0}},
        {Automatic, {"engine_rpm", "act_duty"}, std::nullopt},
        {Automatic, {"n_desired", "NO PLOT"}, std::nullopt},
        {Plot1, {"engine_rpm", "n_desired"}, ReferencePair{0, 1}},
        {Plot2, {"act_duty", "engine_rpm"}, ReferencePair{1, 0}},
        {Plot2, {"engine_rpm", ""}, std::nullopt},
        {None, {"engine_rpm", "n_desired"}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names[0] + " / " + c.names[1]);
        EXPECT_EQ(ResolveReference(c.setting, c.names), c.pair);
    }
}

}  // namespace
}  // namespace zvr
