#include "plot/chart_geometry.h"

#include <cmath>

namespace zvr {

namespace {

// Far enough off the plot for any screen, near enough for the painter's integer coordinates.
constexpr double kFarOff = 100000.0;

}  // namespace

ChartGeometry ChartGeometry::ForClient(int width, int height) {
    ChartGeometry g;
    g.width = width;
    g.height = height;
    g.bottom = height - kBottomMargin;
    g.plotHeight = height - kTop - kBottomMargin;
    g.right = width - kLabelColumns;
    g.plotWidth = g.right - g.left;
    return g;
}

int EffectiveDivisions(int divisions) {
    return divisions < 0 || divisions > kMaxDivisions ? kDefaultDivisions : divisions;
}

int GridRow(const ChartGeometry& g, int divisions, int i) {
    return g.top + i * (g.bottom - g.top) / (divisions + 1);
}

int GridColumn(const ChartGeometry& g, int divisions, int j) {
    return g.left + j * (g.right - g.left) / (divisions + 1);
}

double GridRowValue(int divisions, int i, double minimum, double maximum) {
    return (1.0 - static_cast<double>(i) / (divisions + 1)) * (maximum - minimum) + minimum;
}

int ValueToY(const ChartGeometry& g, double value, double minimum, double maximum) {
    const double span = maximum - minimum;
    const double scale = span > 2.22e-16 ? g.plotHeight / span : 0.0;
    double offset = (value - minimum) * scale;
    if (std::isnan(offset)) offset = 0.0;
    if (offset > kFarOff) offset = kFarOff;
    if (offset < -kFarOff) offset = -kFarOff;
    return g.bottom - static_cast<int>(offset);
}

TraceSegment SegmentFor(const ChartGeometry& g, int step, double previous, double current,
                        double minimum, double maximum) {
    TraceSegment s;
    s.x1 = g.right - (step + step / 2);
    s.x2 = g.right - step / 2;
    s.y1 = ValueToY(g, previous, minimum, maximum);
    s.y2 = ValueToY(g, current, minimum, maximum);
    s.cutTop = s.y1 <= g.top || s.y2 <= g.top;
    s.cutBottom = s.y1 >= g.bottom || s.y2 >= g.bottom;
    return s;
}

}  // namespace zvr
