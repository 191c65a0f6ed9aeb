#pragma once

#include <array>
#include <string>
#include <vector>

#include "plot/gain_marks.h"
#include "plot/plot_config.h"
#include "plot/sample_buffer.h"

namespace zvr {

// What the Parameter Plot prints: its two sample buffers with their limits and labels, the
// chart's grid and the time axis of the plot setup, on a page of the given resolution.
struct PrintedPlotSource {
    struct Series {
        const SampleBuffer* samples = nullptr;
        double minimum = 0.0;
        double maximum = 0.0;
        int decimals = 1;   // of the value labels
        std::string label;  // name and units
    };

    int dotsPerInchX = 300;
    int dotsPerInchY = 300;
    GridDivisions grid;    // as the chart draws them
    int timeScale = 10;    // seconds
    int sampleRate = 100;  // milliseconds
    std::array<Series, 2> plots;
    std::vector<PlotMark> marks;  // gain changes, by their index in the sample buffers
};

struct PrintPoint {
    double x = 0.0;
    double y = 0.0;
};

struct PrintLine {
    PrintPoint from;
    PrintPoint to;
};

// A text and the point it hangs from: the anchor says which of its sides is there.
struct PrintText {
    enum class Anchor { TopLeft, TopRight, TopCentre, MiddleLeft };
    std::string text;
    PrintPoint at;
    Anchor anchor = Anchor::TopLeft;
};

struct PrintedTrace {
    double penWidth = 1.0;
    std::vector<PrintLine> segments;  // already cut at the frame
    std::vector<PrintText> labels;    // the values at the grid rows
    // Name and units, printed turned to read upwards, centred on the frame's height just
    // right of the widest value label, which starts at name.at.x.
    PrintText name;
};

// A gain change on the page: a line across the frame at its sample, and its label inside the
// frame's top, beside the line (to its left in the right half of the frame, so that it stays
// inside). The painter writes the label from the change.
struct PrintedMark {
    PrintLine line;
    PrintPoint labelAt;
    PrintText::Anchor anchor = PrintText::Anchor::TopLeft;
    GainChange change;
};

// The printed page in printer pixels: the frame 6 by 4 inches, one inch in from the top and
// half an inch from the left, its dotted inner grid, the time axis texts below it, and per
// plot its trace and its value labels to the right.
struct PrintedPlot {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double framePen = 1.0;
    double fontHeight = 1.0;
    std::vector<double> rows;      // inner horizontal grid lines
    std::vector<double> columns;   // inner vertical grid lines
    std::vector<PrintLine> ticks;  // short marks right of the frame at the labelled rows
    double pixelsPerSample = 1.0;
    double spanSeconds = 0.0;      // the time the frame's width shows
    std::vector<PrintText> texts;  // under the frame: "0", the span, the title
    std::array<PrintedTrace, 2> traces;
    std::vector<PrintedMark> marks;  // those within the frame's width
};

PrintedPlot LayOutPrintedPlot(const PrintedPlotSource& source);

}  // namespace zvr
