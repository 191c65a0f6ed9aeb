#include "plot/printed_plot.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/numbers.h"
#include "plot/chart_geometry.h"

namespace zvr {

namespace {

// Offsets right of the frame, in inches: the value labels of each plot, and the length of
// the marks at the labelled rows.
constexpr std::array<double, 2> kValueColumn = {0.4, 1.0};
constexpr double kTickLength = 0.08;
// Between a gain change's line and its label, and below the frame's top, in inches.
constexpr double kMarkLabelGap = 0.04;
// Values far beyond the limits are held this many frame heights off the frame; the cut at the
// frame removes them anyway, and the arithmetic stays finite.
constexpr double kFarOff = 1000.0;

double ValueToPrintY(const PrintedPlot& page, const PrintedPlotSource::Series& plot, double value) {
    const double span = std::fabs(plot.maximum - plot.minimum);
    const double height = page.bottom - page.top;
    const double scale = span > 0.0 ? height / span : 0.0;
    double offset = (value - plot.minimum) * scale;
    if (std::isnan(offset)) offset = 0.0;
    offset = std::clamp(offset, -kFarOff * height, kFarOff * height);
    return page.bottom - offset;
}

// The part of a line between the frame's top and bottom and left of its right edge, if any.
std::optional<PrintLine> CutAtFrame(const PrintedPlot& page, PrintLine line) {
    double from = 0.0;
    double to = 1.0;
    const double dx = line.to.x - line.from.x;
    const double dy = line.to.y - line.from.y;
    // Keeps the part of the line where edge + sign * (position) stays inside, as fractions.
    auto keep = [&](double start, double delta, double limit, bool below) {
        const double room = below ? limit - start : start - limit;
        const double step = below ? delta : -delta;
        if (step == 0.0) return room >= 0.0;
        const double t = room / step;
        if (step > 0.0) {
            to = std::min(to, t);
        } else {
            from = std::max(from, t);
        }
        return from <= to;
    };
    if (!keep(line.from.y, dy, page.bottom, true) || !keep(line.from.y, dy, page.top, false) ||
        !keep(line.from.x, dx, page.right, true)) {
        return std::nullopt;
    }
    return PrintLine{{line.from.x + from * dx, line.from.y + from * dy},
                     {line.from.x + to * dx, line.from.y + to * dy}};
}

double RowY(const PrintedPlotSource& source, const PrintedPlot& page, int i) {
    const int rows = EffectiveDivisions(source.grid.horizontal);
    return page.top + i * (page.bottom - page.top) / (rows + 1);
}

void PlaceFrameAndGrid(const PrintedPlotSource& source, PrintedPlot& page) {
    const double x = source.dotsPerInchX;
    const double y = source.dotsPerInchY;
    page.left = 0.5 * x;
    page.top = 1.0 * y;
    page.right = page.left + 6.0 * x;
    page.bottom = 5.0 * y;
    page.framePen = 0.01 * x;
    page.fontHeight = 0.15 * y;
    const int rows = EffectiveDivisions(source.grid.horizontal);
    const int columns = EffectiveDivisions(source.grid.vertical);
    for (int i = 1; i <= rows; ++i)
        page.rows.push_back(RowY(source, page, i));
    for (int j = 1; j <= columns; ++j)
        page.columns.push_back(page.left + j * (page.right - page.left) / (columns + 1));
}

// Each sample takes the width the time scale gives it, but at least one printer pixel; then
// the frame shows less time than the time scale.
void PlaceTimeAxis(const PrintedPlotSource& source, PrintedPlot& page) {
    const double width = page.right - page.left;
    const double rate = std::max(source.sampleRate, 1);
    const double samplesShown = std::max(source.timeScale, 1) * 1000.0 / rate;
    page.pixelsPerSample = width / samplesShown;
    page.spanSeconds = source.timeScale;
    if (page.pixelsPerSample < 1.0) {
        page.pixelsPerSample = 1.0;
        page.spanSeconds = width * rate / 1000.0;
    }
    const bool whole = page.spanSeconds == std::floor(page.spanSeconds);
    const int columns = EffectiveDivisions(source.grid.vertical);
    const double below = page.bottom + 0.1 * source.dotsPerInchY;
    using Anchor = PrintText::Anchor;
    page.texts = {
        {"0", {page.left, below}, Anchor::TopLeft},
        {FormatFixed(page.spanSeconds, whole ? 0 : 1), {page.right, below}, Anchor::TopRight},
        {"Time [" + FormatFixed(page.spanSeconds / (columns + 1), 1) + " sec per division]",
         {(page.left + page.right) / 2, page.bottom + 0.25 * source.dotsPerInchY},
         Anchor::TopCentre},
    };
}

// The grid rows that get value labels: all of them, or every second one when they are
// closer together than a line of text.
std::vector<int> LabelledRows(const PrintedPlotSource& source, const PrintedPlot& page) {
    const int rows = EffectiveDivisions(source.grid.horizontal);
    const int every = (page.bottom - page.top) / (rows + 1) < page.fontHeight ? 2 : 1;
    std::vector<int> labelled;
    for (int i = 0; i <= rows + 1; i += every)
        labelled.push_back(i);
    return labelled;
}

void PlaceTicks(const PrintedPlotSource& source, PrintedPlot& page) {
    for (int i : LabelledRows(source, page)) {
        const double y = RowY(source, page, i);
        page.ticks.push_back(
            {{page.right, y}, {page.right + kTickLength * source.dotsPerInchX, y}});
    }
}

void PlaceValueLabels(const PrintedPlotSource& source, const PrintedPlot& page, size_t n,
                      PrintedTrace& trace) {
    const PrintedPlotSource::Series& plot = source.plots[n];
    const double column = page.right + kValueColumn[n] * source.dotsPerInchX;
    const int rows = EffectiveDivisions(source.grid.horizontal);
    for (int i : LabelledRows(source, page)) {
        const double value = GridRowValue(rows, i, plot.minimum, plot.maximum);
        trace.labels.push_back({FormatFixed(value, std::clamp(plot.decimals, 0, 10)),
                                {column, RowY(source, page, i)},
                                PrintText::Anchor::MiddleLeft});
    }
    trace.name = {
        plot.label, {column, (page.top + page.bottom) / 2}, PrintText::Anchor::MiddleLeft};
}

void PlaceTrace(const PrintedPlotSource& source, const PrintedPlot& page, size_t n,
                PrintedTrace& trace) {
    const PrintedPlotSource::Series& plot = source.plots[n];
    if (plot.samples == nullptr) return;
    const SampleBuffer& samples = *plot.samples;
    for (size_t i = 1; i < samples.size(); ++i) {
        const PrintLine line{
            {page.left + (i - 1) * page.pixelsPerSample, ValueToPrintY(page, plot, samples[i - 1])},
            {page.left + i * page.pixelsPerSample, ValueToPrintY(page, plot, samples[i])}};
        if (line.from.x >= page.right) break;
        if (std::optional<PrintLine> inside = CutAtFrame(page, line)) {
            trace.segments.push_back(*inside);
        }
    }
}

void PlaceMarks(const PrintedPlotSource& source, PrintedPlot& page) {
    const double gap = kMarkLabelGap * source.dotsPerInchX;
    const double middle = (page.left + page.right) / 2;
    for (const PlotMark& mark : source.marks) {
        const double x = page.left + mark.index * page.pixelsPerSample;
        if (x > page.right) continue;
        const bool leftOfLine = x > middle;
        page.marks.push_back(
            {.line = {{x, page.top}, {x, page.bottom}},
             .labelAt = {leftOfLine ? x - gap : x + gap, page.top + gap},
             .anchor = leftOfLine ? PrintText::Anchor::TopRight : PrintText::Anchor::TopLeft,
             .change = mark.change});
    }
}

}  // namespace

PrintedPlot LayOutPrintedPlot(const PrintedPlotSource& source) {
    PrintedPlot page;
    PlaceFrameAndGrid(source, page);
    PlaceTimeAxis(source, page);
    PlaceTicks(source, page);
    constexpr std::array<double, 2> kTracePen = {0.01, 0.005};
    for (size_t n = 0; n < page.traces.size(); ++n) {
        PrintedTrace& trace = page.traces[n];
        trace.penWidth = kTracePen[n] * source.dotsPerInchX;
        PlaceValueLabels(source, page, n, trace);
        PlaceTrace(source, page, n, trace);
    }
    PlaceMarks(source, page);
    return page;
}

}  // namespace zvr
