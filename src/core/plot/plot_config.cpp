#include "plot/plot_config.h"

#include <cmath>
#include <limits>

#include "definitions/definitions.h"

namespace zvr {

GridDivisions RestoreGrid(std::optional<int32_t> stored) {
    if (stored && *stored >= 2) return {*stored - 1, *stored - 1};
    return {};
}

size_t PlotBufferCapacity(int timeScaleSeconds, int sampleRateMs) {
    if (timeScaleSeconds < 0 || sampleRateMs <= 0) return 1;
    // 64 bits: a stored time scale of two thousand million seconds must not overflow.
    const int64_t capacity = int64_t{timeScaleSeconds} * 1000 / sampleRateMs + 1;
    return static_cast<size_t>(capacity);
}

std::string PlotLabel(const std::string& name, const VariableDef* variable) {
    if (variable == nullptr || variable->units.empty()) return name;
    return name + " [" + variable->units + "]";
}

int WritePlotSetup(CRegistrySettings& settings, PlotSettings plot, GridDivisions grid) {
    plot.horizontalGrid = grid.vertical + 1;
    int result = settings.WritePlotSettings(plot);
    const int second = settings.store().writeNumber("Number Horz Grid", grid.horizontal + 1);
    const int third = settings.WriteStepSettings(plot);
    return result != 0 ? result : second != 0 ? second : third;
}

DemoSample NextDemoSample(double& demoTime, double minimum1, double span1, double minimum2,
                          double span2) {
    demoTime += kDemoTimeStep;
    if (demoTime > 20.0) demoTime = 0.0;
    const double t = demoTime;
    if (t < 10.0) {
        return {minimum1 + span1 * 0.75 * (1.0 + 0.5 * std::exp(-t / 2.0) * std::sin(4.0 * t)),
                minimum2 + span2 * 0.75};
    }
    return {minimum1 + span1 * 0.25 * (1.0 + 0.5 * std::exp((10.0 - t) / 2.0) * std::sin(4.0 * t)),
            minimum2 + span2 * 0.25};
}

}  // namespace zvr
