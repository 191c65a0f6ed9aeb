#include "settings/registry_settings.h"

#include <algorithm>
#include <cmath>

#include "common/numbers.h"

namespace zvr {

namespace {

constexpr const char* kComPort = "ComPort";
constexpr const char* kVerifyDownload = "VerifyDownload";
constexpr const char* kRestorePointsKept = "RestorePointsKept";
constexpr int kDefaultRestorePointsKept = 50;

// Reads a stored integer text the way the plot always has: digits up to the first
// non-digit, 0 for nonsense; the caller's lower limit applies after.
int IntegerText(const std::string& text) {
    const double value = ParseDecimal(text);
    if (!(value > -2e9 && value < 2e9)) return 0;
    return static_cast<int>(std::trunc(value));
}

constexpr const char* kPlotReference = "Plot Reference";
constexpr const char* kPlotSettlingBand = "Plot Settling Band";

constexpr std::pair<PlotReference, const char*> kReferenceTokens[] = {
    {PlotReference::Automatic, "AUTO"},
    {PlotReference::Plot1, "PLOT1"},
    {PlotReference::Plot2, "PLOT2"},
    {PlotReference::None, "NONE"},
};

}  // namespace

const char* PlotReferenceToken(PlotReference reference) {
    for (const auto& [value, token] : kReferenceTokens) {
        if (value == reference) return token;
    }
    return "AUTO";
}

PlotReference ParsePlotReference(std::string_view token) {
    for (const auto& [value, text] : kReferenceTokens) {
        if (token == text) return value;
    }
    return PlotReference::Automatic;
}

std::optional<double> SettlingBandPercent(std::string_view text) {
    const std::optional<double> band = ParsePlainDecimal(text);
    if (!band || !(*band > 0.0) || *band > kMaxSettlingBand) return std::nullopt;
    return band;
}

std::optional<std::string> CRegistrySettings::ReadComPort() { return store_.readString(kComPort); }

int CRegistrySettings::WriteComPort(const std::string& portName) {
    return store_.writeString(kComPort, portName);
}

bool CRegistrySettings::ReadVerifyDownload() {
    return store_.readNumber(kVerifyDownload).value_or(1) != 0;
}

int CRegistrySettings::WriteVerifyDownload(bool verify) {
    return store_.writeNumber(kVerifyDownload, verify ? 1 : 0);
}

int CRegistrySettings::ReadRestorePointsKept() {
    return std::max(store_.readNumber(kRestorePointsKept).value_or(kDefaultRestorePointsKept), 1);
}

int CRegistrySettings::WriteRestorePointsKept(int kept) {
    return store_.writeNumber(kRestorePointsKept, kept);
}

std::optional<WindowRect> CRegistrySettings::ReadWindowPosition() {
    const auto x = store_.readNumber("InitialPosX");
    const auto y = store_.readNumber("InitialPosY");
    const auto cx = store_.readNumber("InitialPosCX");
    const auto cy = store_.readNumber("InitialPosCY");
    if (!x || !y || !cx || !cy) return std::nullopt;
    return WindowRect{*x, *y, *cx, *cy};
}

int CRegistrySettings::WriteWindowPosition(const WindowRect& rect) {
    int result = store_.writeNumber("InitialPosX", rect.x);
    if (result == 0) result = store_.writeNumber("InitialPosY", rect.y);
    if (result == 0) result = store_.writeNumber("InitialPosCX", rect.width);
    if (result == 0) result = store_.writeNumber("InitialPosCY", rect.height);
    return result;
}

PlotSettings CRegistrySettings::ReadPlotSettings() {
    PlotSettings plot;
    auto read = [this](const char* name, std::string& value) {
        if (auto stored = store_.readString(name)) value = *stored;
    };
    read("Plot 1 Name", plot.plot1Name);
    read("Plot 1 Min", plot.plot1Min);
    read("Plot 1 Max", plot.plot1Max);
    read("Plot 2 Name", plot.plot2Name);
    read("Plot 2 Min", plot.plot2Min);
    read("Plot 2 Max", plot.plot2Max);
    if (auto scale = store_.readString("Plot X Scale")) {
        plot.xScale = std::max(IntegerText(*scale), 1);
    }
    if (auto rate = store_.readString("Plot X Sample Rate")) {
        plot.xSampleRate = std::max(IntegerText(*rate), 50);
    }
    plot.horizontalGrid = store_.readNumber("Number Horz Grid");
    if (auto reference = store_.readString(kPlotReference)) {
        plot.reference = ParsePlotReference(*reference);
    }
    if (auto band = store_.readString(kPlotSettlingBand); band && SettlingBandPercent(*band)) {
        plot.settlingBand = *band;
    }
    return plot;
}

int CRegistrySettings::WritePlotSettings(const PlotSettings& plot) {
    const std::pair<const char*, std::string> values[] = {
        {"Plot 1 Name", plot.plot1Name},
        {"Plot 1 Min", plot.plot1Min},
        {"Plot 1 Max", plot.plot1Max},
        {"Plot 2 Name", plot.plot2Name},
        {"Plot 2 Min", plot.plot2Min},
        {"Plot 2 Max", plot.plot2Max},
        {"Plot X Scale", std::to_string(plot.xScale)},
        {"Plot X Sample Rate", std::to_string(plot.xSampleRate)},
    };
    int result = 0;
    for (const auto& [name, value] : values) {
        if (const int written = store_.writeString(name, value); written != 0) result = written;
    }
    if (plot.horizontalGrid) {
        if (const int written = store_.writeNumber("Number Horz Grid", *plot.horizontalGrid);
            written != 0) {
            result = written;
        }
    }
    return result;
}

int CRegistrySettings::WriteStepSettings(const PlotSettings& plot) {
    int result = store_.writeString(kPlotReference, PlotReferenceToken(plot.reference));
    if (const int written = store_.writeString(kPlotSettlingBand, plot.settlingBand); written != 0)
        result = written;
    return result;
}

bool AcceptWindowPosition(const WindowRect& rect, int32_t screenWidth, int32_t screenHeight) {
    const int64_t right = int64_t{rect.x} + rect.width;
    const int64_t bottom = int64_t{rect.y} + rect.height;
    return rect.width >= 100 && rect.height >= 100 && right >= 0 && bottom >= 0 &&
           rect.x < screenWidth && rect.y < screenHeight;
}

}  // namespace zvr
