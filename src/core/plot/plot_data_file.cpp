#include "plot/plot_data_file.h"

#include <algorithm>

#include "common/numbers.h"
#include "common/replacing_file.h"

namespace zvr {

namespace {

constexpr const char* kEndOfLine = "\r\n";
constexpr size_t kMaxGainText = 63;

void Line(std::string& out, std::initializer_list<std::string_view> fields) {
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) out += '\t';
        out += field;
        first = false;
    }
    out += kEndOfLine;
}

}  // namespace

std::string FormatPlotData(const PlotData& data) {
    std::string out;
    const char* gainTitles[] = {"Proportional Gain", "Integral Gain", "Derivative Gain"};
    for (size_t g = 0; g < data.gainTexts.size(); ++g) {
        Line(out, {std::string_view(data.gainTexts[g]).substr(0, kMaxGainText), gainTitles[g]});
    }
    Line(out, {std::to_string(data.timeScale), "X Axis Time Scale"});
    Line(out, {std::to_string(data.sampleRate), "X Axis Sample Rate"});
    Line(out, {data.plot1Max, data.plot2Max, "Plot 1-2 Max"});
    Line(out, {data.plot1Min, data.plot2Min, "Plot 1-2 Min"});
    Line(out, {"time", data.plot1Name, data.plot2Name, "Plot X-1-2 Name"});
    const size_t size1 = data.samples1 != nullptr ? data.samples1->size() : 0;
    const size_t size2 = data.samples2 != nullptr ? data.samples2->size() : 0;
    const size_t lines = std::min(size1, size2);
    for (size_t i = 0; i < lines; ++i) {
        const double time = data.sampleRate * static_cast<double>(i) * 0.001;
        Line(out, {FormatFixed(time, 3), FormatFixed((*data.samples1)[i], data.decimals1),
                   FormatFixed((*data.samples2)[i], data.decimals2)});
    }
    out += "***END OF DATA***";
    out += kEndOfLine;
    for (const PlotMark& mark : data.marks) {
        const double time = data.sampleRate * static_cast<double>(mark.index) * 0.001;
        Line(out, {FormatFixed(time, 3), GainChangeText(mark.change), "Gain Change"});
    }
    return out;
}

FileChoice PlotDataFileChoice() {
    return {.mode = FileChoiceMode::Save,
            .title = kPlotDataTitle,
            .filter = kPlotDataFilter,
            .defaultExtension = kPlotDataExtension};
}

int WritePlotDataFile(const PlotData& data, const std::string& path, UserPrompt& prompt) {
    ReplacingFile file(path);
    if (!file.open()) {
        prompt.error("Could not open file for writing.");
        return -1;
    }
    if (!file.write(FormatPlotData(data)) || !file.commit()) {
        file.abandon();
        prompt.error("Write to file was not successful.");
        return -3;
    }
    return 0;
}

}  // namespace zvr
