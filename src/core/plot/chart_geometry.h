#pragma once

namespace zvr {

// Where a strip chart draws inside its client area: a plot area with a fixed margin on the
// left and top, room for the time-axis texts below and for the value labels of the traces on
// the right.
struct ChartGeometry {
    static constexpr int kLeft = 20;
    static constexpr int kTop = 10;
    static constexpr int kBottomMargin = 25;
    static constexpr int kLabelColumns = 178;  // right of the plot: labels and units per trace

    int width = 0;
    int height = 0;
    int left = kLeft;
    int top = kTop;
    int right = kLeft;
    int bottom = kTop;
    int plotWidth = 0;
    int plotHeight = 0;

    static ChartGeometry ForClient(int width, int height);
};

// Division counts outside 0..30 are drawn as 4.
inline constexpr int kMaxDivisions = 30;
inline constexpr int kDefaultDivisions = 4;
int EffectiveDivisions(int divisions);

// Row i (0 .. divisions + 1) of the horizontal grid, and column j of the vertical grid; the
// first and last are the frame.
int GridRow(const ChartGeometry& g, int divisions, int i);
int GridColumn(const ChartGeometry& g, int divisions, int j);

// The value shown at grid row i of a trace's axis labels.
double GridRowValue(int divisions, int i, double minimum, double maximum);

// The pixel row of a value. Equal (or reversed) limits put every value on the bottom line;
// values far beyond the limits are held a bounded distance off the plot, where the chart cuts
// them off anyway.
int ValueToY(const ChartGeometry& g, double value, double minimum, double maximum);

// The newest line of a trace: from the previous sample to the current one, one step apart,
// ending half a step left of the plot's right edge; and whether the part of it beyond the top
// or bottom line must be cut off.
struct TraceSegment {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool cutTop = false;
    bool cutBottom = false;
};
TraceSegment SegmentFor(const ChartGeometry& g, int step, double previous, double current,
                        double minimum, double maximum);

}  // namespace zvr
