#include "plot/scroll_step.h"

#include <gtest/gtest.h>

#include <vector>

namespace zvr {
namespace {

struct StepCase {
    const char* what;
    double period;
    double timeMaximum;
    int plotWidth;
    std::vector<int> steps;  // of successive samples
    std::optional<double> widenedTo;
};

class ScrollStepTable : public testing::TestWithParam<StepCase> {};

TEST_P(ScrollStepTable, StepsAndTimeAxis) {
    const StepCase& c = GetParam();
    ScrollStep scroll;
    double timeMaximum = c.timeMaximum;
    std::optional<double> widened;
    std::vector<int> steps;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const ScrollStep::Change change = scroll.Update(c.period, 0.0, timeMaximum, c.plotWidth);
        if (change.timeMaximum) {
            EXPECT_TRUE(change.redrawStatic);
            widened = timeMaximum = *change.timeMaximum;
        }
        steps.push_back(scroll.step());
        EXPECT_EQ(scroll.halfStep(), scroll.step() / 2);
        EXPECT_EQ(scroll.stepAndHalf(), scroll.step() + scroll.step() / 2);
    }
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(widened, c.widenedTo);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScrollStepTable,
    testing::Values(
        StepCase{"four pixels per sample", 0.1, 10, 400, {4, 4, 4}, std::nullopt},
        StepCase{"two pixels per sample", 0.1, 20, 400, {2, 2}, std::nullopt},
        // One pixel per sample: the span is widened to 20 s, and stays so.
        StepCase{"one pixel widens the span", 0.1, 40, 400, {2, 2, 2}, 20.0},
        StepCase{"2.5 pixels alternate", 0.25, 40, 400, {2, 3, 2, 3, 2, 3}, std::nullopt},
        // The carry keeps its remainder, so the picture keeps pace with the time axis: 2.25
        // pixels move 9 in 4 samples.
        StepCase{"2.25 pixels keep pace", 0.25, 40, 360, {2, 2, 2, 3, 2, 2, 2, 3}, std::nullopt},
        StepCase{"a step as wide as the plot", 1.0, 1, 100, {4}, std::nullopt},
        StepCase{"no period", 0.0, 10, 400, {4}, std::nullopt},
        StepCase{"no time span", 0.1, 0, 400, {4}, std::nullopt},
        StepCase{"a window too small to plot", 0.1, 10, -30, {4}, std::nullopt}),
    [](const auto& info) {
        std::string name = info.param.what;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// Two charts of different spans: one chart's fraction must not move the other's picture.
TEST(ScrollStep, EachChartCarriesItsOwnFraction) {
    ScrollStep halves;
    ScrollStep wholes;
    std::vector<int> steps;
    for (int i = 0; i < 4; ++i) {
        halves.Update(0.1, 0, 16, 400);  // 2.5 pixels
        wholes.Update(0.1, 0, 10, 400);  // 4 pixels
        steps.push_back(wholes.step());
    }
    EXPECT_EQ(steps, (std::vector<int>{4, 4, 4, 4}));
    EXPECT_DOUBLE_EQ(wholes.carry(), 0.0);
}

}  // namespace
}  // namespace zvr
