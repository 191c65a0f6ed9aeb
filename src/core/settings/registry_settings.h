#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace zvr {

struct WindowRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// Which trace of the Parameter Plot is the reference whose steps start step-response
// measurements: the one whose variable is named as a desired value, plot 1, plot 2, or none.
// Stored as "AUTO", "PLOT1", "PLOT2" or "NONE"; anything else reads as "AUTO".
enum class PlotReference { Automatic, Plot1, Plot2, None };
const char* PlotReferenceToken(PlotReference reference);
PlotReference ParsePlotReference(std::string_view token);

// The settling band of the step-response figures, in percent of the new reference: more than
// 0 and at most 50. A stored text that is no such number reads as the default.
inline constexpr const char* kDefaultSettlingBand = "2";
inline constexpr double kMaxSettlingBand = 50.0;
std::optional<double> SettlingBandPercent(std::string_view text);

// The two traces of the Parameter Plot and its time axis, as last set up.
struct PlotSettings {
    std::string plot1Name = "NO PLOT";
    std::string plot1Min = "0.0";
    std::string plot1Max = "100.0";
    std::string plot2Name = "NO PLOT";
    std::string plot2Min = "-1.0";
    std::string plot2Max = "1.0";
    int xScale = 10;                        // seconds across the chart; at least 1
    int xSampleRate = 100;                  // milliseconds between samples; at least 50
    std::optional<int32_t> horizontalGrid;  // "Number Horz Grid", when stored
    PlotReference reference = PlotReference::Automatic;  // "Plot Reference"
    std::string settlingBand = kDefaultSettlingBand;     // "Plot Settling Band", as typed

    friend bool operator==(const PlotSettings&, const PlotSettings&) = default;
};

// The program's settings, by name, with their defaults and limits.
class CRegistrySettings {
public:
    explicit CRegistrySettings(SettingsStore& store) : store_(store) {}

    std::optional<std::string> ReadComPort();
    int WriteComPort(const std::string& portName);

    // All four position values, when every one is stored.
    std::optional<WindowRect> ReadWindowPosition();
    int WriteWindowPosition(const WindowRect& rect);

    // Whether a download reads every written scalar back; on unless stored as 0.
    bool ReadVerifyDownload();
    int WriteVerifyDownload(bool verify);

    // How many restore points are kept per unit; 50 unless stored, never fewer than 1.
    int ReadRestorePointsKept();
    int WriteRestorePointsKept(int kept);

    PlotSettings ReadPlotSettings();
    // In the order the Parameter Plot writes them; the grid count is written when present.
    int WritePlotSettings(const PlotSettings& plot);
    // The reference trace and the settling band of the plot's step-response figures.
    int WriteStepSettings(const PlotSettings& plot);

    SettingsStore& store() { return store_; }

private:
    SettingsStore& store_;
};

// A stored window position is used only when the window would be at least 100 x 100 and
// partly on the screen: X + width and Y + height not negative, X and Y inside the screen.
bool AcceptWindowPosition(const WindowRect& rect, int32_t screenWidth, int32_t screenHeight);

}  // namespace zvr
