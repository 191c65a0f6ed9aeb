#include <gtest/gtest.h>

#include "connection/command_line.h"
#include "settings/memory_settings_store.h"
#include "settings/registry_settings.h"

namespace zvr {
namespace {

TEST(RegistrySettings, PlotValuesHaveDefaultsAndLowerLimits) {
    MemorySettingsStore store;
    CRegistrySettings settings(store);
    EXPECT_EQ(settings.ReadPlotSettings(), PlotSettings{});

    struct Case {
        const char* scale;
        const char* rate;
        int xScale;
        int xSampleRate;
    };
    const Case cases[] = {
        {"0", "20", 1, 50},  {"25", "250", 25, 250},        {"abc", "", 1, 100},
        {"-4", "49", 1, 50}, {"7.9", "1e9", 7, 1000000000},
    };
    for (const auto& c : cases) {
        store.strings["Plot X Scale"] = c.scale;
        store.strings["Plot X Sample Rate"] = c.rate;
        const PlotSettings plot = settings.ReadPlotSettings();
        EXPECT_EQ(plot.xScale, c.xScale) << c.scale;
        EXPECT_EQ(plot.xSampleRate, c.xSampleRate) << c.rate;
    }
}

TEST(RegistrySettings, RestorePointsKeptDefaultsTo50AndKeepsAtLeastOne) {
    MemorySettingsStore store;
    CRegistrySettings settings(store);
    EXPECT_EQ(settings.ReadRestorePointsKept(), 50);
    for (auto [stored, read] : {std::pair{10, 10}, {1, 1}, {0, 1}, {-5, 1}, {500, 500}}) {
        ASSERT_EQ(settings.WriteRestorePointsKept(stored), 0);
        EXPECT_EQ(settings.ReadRestorePointsKept(), read) << stored;
    }
}

TEST(RegistrySettings, PlotSetupRoundTrip) {
    MemorySettingsStore store;
    CRegistrySettings settings(store);
    PlotSettings plot{"engine_rpm", "0", "2000", "n_desired",          "-5.5", "5.5",
                      30,           200, 11,     PlotReference::Plot1, "3.5"};
    ASSERT_EQ(settings.WritePlotSettings(plot), 0);
    ASSERT_EQ(settings.WriteStepSettings(plot), 0);
    EXPECT_EQ(settings.ReadPlotSettings(), plot);
}

// Settings written before the step figures existed read as automatic and 2 %; values that
// make no sense read as those defaults too.
TEST(RegistrySettings, StepSettingsHaveDefaultsAndLimits) {
    struct Case {
        const char* reference;
        const char* band;
        PlotReference readReference;
        const char* readBand;
    };
    const Case cases[] = {
        {nullptr, nullptr, PlotReference::Automatic, "2"},
        {"PLOT2", "5", PlotReference::Plot2, "5"},
        {"NONE", "0.5", PlotReference::None, "0.5"},
        {"plot2", "50", PlotReference::Automatic, "50"},
        {"", "0", PlotReference::Automatic, "2"},
        {"PLOT1", "51", PlotReference::Plot1, "2"},
        {"AUTO", "-1", PlotReference::Automatic, "2"},
        {"AUTO", "2 %", PlotReference::Automatic, "2"},
    };
    for (const Case& c : cases) {
        MemorySettingsStore store;
        if (c.reference) store.strings["Plot Reference"] = c.reference;
        if (c.band) store.strings["Plot Settling Band"] = c.band;
        const PlotSettings plot = CRegistrySettings(store).ReadPlotSettings();
        EXPECT_EQ(plot.reference, c.readReference) << (c.reference ? c.reference : "(none)");
        EXPECT_EQ(plot.settlingBand, c.readBand) << (c.band ? c.band : "(none)");
    }
}

TEST(RegistrySettings, WindowPositionNeedsAllFourValues) {
    MemorySettingsStore store;
    CRegistrySettings settings(store);
    EXPECT_FALSE(settings.ReadWindowPosition());
    ASSERT_EQ(settings.WriteWindowPosition({10, 20, 800, 600}), 0);
    EXPECT_EQ(settings.ReadWindowPosition(), (WindowRect{10, 20, 800, 600}));
    store.numbers.erase("InitialPosCY");
    EXPECT_FALSE(settings.ReadWindowPosition());
}

TEST(RegistrySettings, StoredWindowPositionAcceptance) {
    struct Case {
        WindowRect rect;
        bool accepted;
    };
    const Case cases[] = {
        {{0, 0, 800, 600}, true},     {{0, 0, 90, 600}, false},
        {{0, 0, 600, 99}, false},     {{-500, 0, 400, 300}, false},
        {{-300, 0, 400, 300}, true},  {{0, -400, 300, 300}, false},
        {{1920, 0, 400, 300}, false}, {{1919, 0, 400, 300}, true},
        {{0, 1080, 400, 300}, false}, {{INT32_MAX, 0, INT32_MAX, 300}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AcceptWindowPosition(c.rect, 1920, 1080), c.accepted)
            << c.rect.x << "," << c.rect.y << " " << c.rect.width << "x" << c.rect.height;
    }
}

}  // namespace
}  // namespace zvr

namespace zvr {
namespace {

TEST(CommandLine, EngineeringModeOnlyAsAWholeCaseSensitiveArgument) {
    struct Case {
        std::vector<std::string> arguments;
        bool engineering;
    };
    const Case cases[] = {
        {{"-eng"}, true},   {{"--port", "DEMO740", "-eng"}, true},
        {{"-ENG"}, false},  {{"--port", "/tmp/zvr-engine/tty"}, false},
        {{"x-eng"}, false}, {{}, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseCommandLine(c.arguments).engineeringMode, c.engineering)
            << (c.arguments.empty() ? "" : c.arguments.back());
    }
}

TEST(CommandLine, PortAndStrategyFolders) {
    const CommandLine line = ParseCommandLine({"--strategy-dir", "/a", "--strategy-dir=/b",
                                               "--port=COM7", "-eng", "--screenshot", "s.png"});
    EXPECT_FALSE(line.error);
    EXPECT_EQ(line.strategyDirs, (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(line.port, "COM7");
    EXPECT_EQ(line.screenshot, "s.png");
    EXPECT_TRUE(line.engineeringMode);

    struct Refused {
        std::vector<std::string> arguments;
        std::string text;
    };
    const Refused refused[] = {
        {{"--port", "DEMO740", "stray"}, "unexpected argument 'stray'"},
        {{"--port"}, "option --port needs a value"},
        {{"--port", ""}, "option --port must not be empty"},
        {{"--eng"}, "unknown option --eng"},
        {{"-ENG"}, "unknown option -ENG"},
        // After "--" nothing is an option, not even -eng.
        {{"--", "-eng"}, "unexpected argument '-eng'"},
    };
    for (const Refused& r : refused) {
        const CommandLine bad = ParseCommandLine(r.arguments);
        ASSERT_TRUE(bad.error) << r.text;
        EXPECT_EQ(bad.error->text, r.text);
        EXPECT_FALSE(bad.engineeringMode) << r.text;
    }
}

}  // namespace
}  // namespace zvr
