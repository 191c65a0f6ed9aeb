#pragma once

#include <array>
#include <string>
#include <vector>

#include "common/user_prompt.h"
#include "plot/gain_marks.h"
#include "plot/sample_buffer.h"

namespace zvr {

// The samples on screen with what they were taken with, for "Save to File".
struct PlotData {
    std::array<std::string, 3> gainTexts;  // P, I, D as shown; empty for a missing gain
    int timeScale = 10;
    int sampleRate = 100;
    std::string plot1Name;
    std::string plot1Max;
    std::string plot1Min;
    std::string plot2Name;
    std::string plot2Max;
    std::string plot2Min;
    int decimals1 = 3;  // of the plotted variable's binary point; 3 without a variable
    int decimals2 = 3;
    const SampleBuffer* samples1 = nullptr;
    const SampleBuffer* samples2 = nullptr;
    std::vector<PlotMark> marks;  // the gain changes among the samples, oldest first
};

// The plot data text: the three gains, the time axis, the limits and names, one tab-separated
// line per sample (time, value 1, value 2) while both series have one, then
// "***END OF DATA***". Lines end with CR LF. A gain text is cut to 63 characters.
// Gain changes follow the end line, one per line: the time of the sample line they came
// before (or after the last, the time the next would have), the change, "Gain Change"
// ("2.300	P 2.500 -> 2.750	Gain Change"). Readers that stop at the end line never see
// them, and without changes the text is what it always was.
std::string FormatPlotData(const PlotData& data);

inline constexpr const char* kPlotDataTitle = "Select or Create a Text File for the Plot Data";
inline constexpr const char* kPlotDataFilter = "Text Files (*.txt)|*.txt||";
inline constexpr const char* kPlotDataExtension = "*.txt";
FileChoice PlotDataFileChoice();

// Writes the plot data text to path. Results: 0 written; -1 the file cannot be created
// ("Could not open file for writing."); -3 a write error ("Write to file was not
// successful."). The failure is shown; an existing file keeps its content on failure.
int WritePlotDataFile(const PlotData& data, const std::string& path, UserPrompt& prompt);

}  // namespace zvr
