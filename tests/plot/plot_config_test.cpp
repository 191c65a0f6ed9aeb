#include "plot/plot_config.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "definitions/definitions.h"
#include "settings/memory_settings_store.h"

namespace zvr {
namespace {

TEST(PlotConfig, GridRestoredFromTheOneStoredCount) {
    const std::pair<std::optional<int32_t>, GridDivisions> cases[] = {
        {std::nullopt, {20, 10}}, {-3, {20, 10}}, {0, {20, 10}}, {1, {20, 10}}, {2, {1, 1}},
        {11, {10, 10}},
    };
    for (const auto& [stored, grid] : cases)
        EXPECT_EQ(RestoreGrid(stored), grid) << stored.value_or(-999);
}

TEST(PlotConfig, BufferHoldsTheSamplesOnScreen) {
    EXPECT_EQ(PlotBufferCapacity(10, 100), 101u);
    EXPECT_EQ(PlotBufferCapacity(1, 50), 21u);
    EXPECT_EQ(PlotBufferCapacity(10, 300), 34u);
    // The largest stored time scale does not overflow.
    EXPECT_EQ(PlotBufferCapacity(1999999999, 50), 39999999981u);
}

TEST(PlotConfig, LabelsCarryUnitsWhenTheVariableHasThem) {
    VariableDef rpm{.name = "engine_rpm", .units = "RPM"};
    VariableDef bare{.name = "n_desired"};
    EXPECT_EQ(PlotLabel("engine_rpm", &rpm), "engine_rpm [RPM]");
    EXPECT_EQ(PlotLabel("n_desired", &bare), "n_desired");
    EXPECT_EQ(PlotLabel("NO PLOT", nullptr), "NO PLOT");
}

// Records every write in order.
class RecordingStore : public MemorySettingsStore {
public:
    std::vector<std::string> writes;
    int writeString(std::string_view name, std::string_view value) override {
        writes.push_back(std::string(name) + "=" + std::string(value));
        return MemorySettingsStore::writeString(name, value);
    }
    int writeNumber(std::string_view name, int32_t value) override {
        writes.push_back(std::string(name) + "=#" + std::to_string(value));
        return MemorySettingsStore::writeNumber(name, value);
    }
};

TEST(PlotConfig, SetupWrittenInOrderWithTheGridTwice) {
    RecordingStore store;
    CRegistrySettings settings(store);
    const PlotSettings plot{.plot1Name = "engine_rpm",
                            .plot1Min = "0",
                            .plot1Max = "2000",
                            .plot2Name = "NO PLOT",
                            .plot2Min = "0",
                            .plot2Max = "5000",
                            .xScale = 20,
                            .xSampleRate = 50};
    ASSERT_EQ(WritePlotSetup(settings, plot, {.vertical = 7, .horizontal = 3}), 0);
    EXPECT_EQ(store.writes,
              (std::vector<std::string>{"Plot 1 Name=engine_rpm", "Plot 1 Min=0", "Plot 1 Max=2000",
                                        "Plot 2 Name=NO PLOT", "Plot 2 Min=0", "Plot 2 Max=5000",
                                        "Plot X Scale=20", "Plot X Sample Rate=50",
                                        "Number Horz Grid=#8", "Number Horz Grid=#4",
                                        "Plot Reference=AUTO", "Plot Settling Band=2"}));
    // Read back, both directions take the horizontal count.
    EXPECT_EQ(RestoreGrid(settings.ReadPlotSettings().horizontalGrid), (GridDivisions{3, 3}));
}

TEST(PlotConfig, DemoCurvesSettleAndRestart) {
    double t = 0.0;
    DemoSample first = NextDemoSample(t, 0, 100, -1, 2);
    EXPECT_DOUBLE_EQ(t, 0.2);
    EXPECT_DOUBLE_EQ(first.value1, 75.0 * (1 + 0.5 * std::exp(-0.1) * std::sin(0.8)));
    EXPECT_DOUBLE_EQ(first.value2, 0.5);

    t = 9.9;
    const DemoSample low = NextDemoSample(t, 0, 100, -1, 2);
    EXPECT_NEAR(t, 10.1, 1e-12);
    EXPECT_DOUBLE_EQ(low.value1, 25.0 * (1 + 0.5 * std::exp(-0.05) * std::sin(4 * t)));
    EXPECT_DOUBLE_EQ(low.value2, -0.5);

    t = 19.9;
    const DemoSample wrapped = NextDemoSample(t, 10, 0, 0, 0);
    EXPECT_EQ(t, 0.0);
    EXPECT_DOUBLE_EQ(wrapped.value1, 10.0);  // t = 0: sin 0, no span
}

}  // namespace
}  // namespace zvr
