#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/registry_settings.h"

namespace zvr {

struct VariableDef;

// The inner grid lines of the Parameter Plot's chart.
struct GridDivisions {
    int vertical = 20;
    int horizontal = 10;

    friend bool operator==(const GridDivisions&, const GridDivisions&) = default;
};

// Both directions come back from the one stored "Number Horz Grid" count n: n - 1 each when n
// is 2 or more, otherwise 20 vertical and 10 horizontal.
GridDivisions RestoreGrid(std::optional<int32_t> stored);

// Samples kept for export: those the time axis shows, time scale * 1000 / sample rate + 1.
size_t PlotBufferCapacity(int timeScaleSeconds, int sampleRateMs);

// A trace's label: the variable's name, then " [units]" when it has units.
std::string PlotLabel(const std::string& name, const VariableDef* variable);

// Stores the plot setup in the order the Parameter Plot always has: the six plot texts, time
// scale, sample rate, then "Number Horz Grid" twice, vertical then horizontal count + 1, so
// the horizontal count is the one kept; then the step-response reference and settling band.
// The first failure's result, or 0.
int WritePlotSetup(CRegistrySettings& settings, PlotSettings plot, GridDivisions grid);

// The made-up curves of demo mode: a damped oscillation settling at three quarters of plot 1's
// span for ten seconds, then one settling at a quarter; plot 2 steps along with it.
struct DemoSample {
    double value1 = 0.0;
    double value2 = 0.0;
};
inline constexpr double kDemoTimeStep = 0.2;
// Moves the demo clock one tick on (restarting after 20 s) and returns the values for it.
DemoSample NextDemoSample(double& demoTime, double minimum1, double span1, double minimum2,
                          double span2);

}  // namespace zvr
