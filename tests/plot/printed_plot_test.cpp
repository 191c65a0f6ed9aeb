#include "plot/printed_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zvr {
namespace {

// A 100 dpi page: the frame runs from (50, 100) to (650, 500).
struct PrintedPlotTest : testing::Test {
    SampleBuffer first{1000};
    SampleBuffer second{1000};
    PrintedPlotSource source{
        .dotsPerInchX = 100,
        .dotsPerInchY = 100,
        .grid = {.vertical = 5, .horizontal = 3},
        .timeScale = 10,
        .sampleRate = 100,
        .plots = {{{&first, 0.0, 100.0, 1, "SPEED [rpm]"}, {&second, -1.0, 1.0, 2, "ACT"}}}};

    PrintedPlot Page() const { return LayOutPrintedPlot(source); }
};

TEST_F(PrintedPlotTest, FrameGridAndPensFollowThePrinterResolution) {
    source.dotsPerInchX = 200;
    const PrintedPlot page = Page();
    EXPECT_DOUBLE_EQ(page.left, 100);
    EXPECT_DOUBLE_EQ(page.right, 1300);
    EXPECT_DOUBLE_EQ(page.top, 100);
    EXPECT_DOUBLE_EQ(page.bottom, 500);
    EXPECT_DOUBLE_EQ(page.framePen, 2);
    EXPECT_DOUBLE_EQ(page.fontHeight, 15);
    EXPECT_DOUBLE_EQ(page.traces[0].penWidth, 2);
    EXPECT_DOUBLE_EQ(page.traces[1].penWidth, 1);
    EXPECT_EQ(page.rows, (std::vector<double>{200, 300, 400}));
    EXPECT_EQ(page.columns, (std::vector<double>{300, 500, 700, 900, 1100}));
}

TEST_F(PrintedPlotTest, TimeAxis) {
    struct Case {
        const char* what;
        int timeScale, sampleRate, vertical;
        double pixelsPerSample;
        const char* span;
        const char* title;
    };
    const Case cases[] = {
        {"10 s at 100 ms: 6 pixels a sample", 10, 100, 5, 6.0, "10", "Time [1.7 sec per division]"},
        {"one pixel a sample exactly", 12, 20, 3, 1.0, "12", "Time [3.0 sec per division]"},
        {"less than a pixel a sample: the span shrinks", 60, 50, 19, 1.0, "30",
         "Time [1.5 sec per division]"},
        {"a span that is not whole", 100, 57, 0, 1.0, "34.2", "Time [34.2 sec per division]"},
        {"out-of-range divisions draw four", 10, 100, 31, 6.0, "10", "Time [2.0 sec per division]"},
    };
    for (const Case& c : cases) {
        source.timeScale = c.timeScale;
        source.sampleRate = c.sampleRate;
        source.grid.vertical = c.vertical;
        const PrintedPlot page = Page();
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(page.pixelsPerSample, c.pixelsPerSample);
        ASSERT_EQ(page.texts.size(), 3u);
        EXPECT_EQ(page.texts[0].text, "0");
        EXPECT_DOUBLE_EQ(page.texts[0].at.x, page.left);
        EXPECT_DOUBLE_EQ(page.texts[0].at.y, 510);
        EXPECT_EQ(page.texts[1].text, c.span);
        EXPECT_EQ(page.texts[1].anchor, PrintText::Anchor::TopRight);
        EXPECT_EQ(page.texts[2].text, c.title);
        EXPECT_DOUBLE_EQ(page.texts[2].at.x, 350);
        EXPECT_DOUBLE_EQ(page.texts[2].at.y, 525);
    }
}

TEST_F(PrintedPlotTest, ValueLabelsAtTheGridRows) {
    const PrintedPlot page = Page();
    const std::vector<std::string> plot1 = {"100.0", "75.0", "50.0", "25.0", "0.0"};
    const std::vector<std::string> plot2 = {"1.00", "0.50", "0.00", "-0.50", "-1.00"};
    ASSERT_EQ(page.traces[0].labels.size(), plot1.size());
    ASSERT_EQ(page.traces[1].labels.size(), plot2.size());
    for (size_t i = 0; i < plot1.size(); ++i) {
        EXPECT_EQ(page.traces[0].labels[i].text, plot1[i]);
        EXPECT_EQ(page.traces[1].labels[i].text, plot2[i]);
        EXPECT_DOUBLE_EQ(page.traces[0].labels[i].at.x, 690);
        EXPECT_DOUBLE_EQ(page.traces[1].labels[i].at.x, 750);
        EXPECT_DOUBLE_EQ(page.traces[0].labels[i].at.y, 100 + 100.0 * i);
    }
    EXPECT_EQ(page.ticks.size(), plot1.size());
    EXPECT_EQ(page.traces[0].name.text, "SPEED [rpm]");
    EXPECT_DOUBLE_EQ(page.traces[0].name.at.y, 300);
}

TEST_F(PrintedPlotTest, RowsCloserThanTheFontAreLabelledEverySecondOne) {
    source.grid.horizontal = 30;  // 31 rows of 400/31 pixels, under the 15-pixel font
    const PrintedPlot page = Page();
    ASSERT_EQ(page.traces[0].labels.size(), 16u);
    EXPECT_EQ(page.traces[0].labels.front().text, "100.0");
    EXPECT_DOUBLE_EQ(page.traces[0].labels[1].at.y, 100 + 2 * 400.0 / 31);
    EXPECT_EQ(page.ticks.size(), 16u);
}

TEST_F(PrintedPlotTest, TraceRunsFromTheLeftEdgeAtThePixelsPerSample) {
    for (double value : {0.0, 50.0, 100.0})
        first.Add(value);
    const std::vector<PrintLine> segments = Page().traces[0].segments;
    ASSERT_EQ(segments.size(), 2u);
    EXPECT_DOUBLE_EQ(segments[0].from.x, 50);
    EXPECT_DOUBLE_EQ(segments[0].from.y, 500);
    EXPECT_DOUBLE_EQ(segments[0].to.x, 56);
    EXPECT_DOUBLE_EQ(segments[0].to.y, 300);
    EXPECT_DOUBLE_EQ(segments[1].to.y, 100);
}

TEST_F(PrintedPlotTest, SegmentsAreCutWhereTheyCrossTheFrame) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double minimum, maximum, previous, current;
        bool drawn;
        double fromY, toY, toX;
    };
    // Samples 6 pixels apart from x = 50; the frame spans y 100..500.
    const Case cases[] = {
        {"inside", 0, 100, 25, 75, true, 400, 200, 56},
        {"rising through the top", 0, 100, 50, 150, true, 300, 100, 53},
        {"falling through the bottom", 0, 100, 50, -50, true, 300, 500, 53},
        {"from above to below", 0, 100, 200, -100, true, 100, 500, 54},
        {"wholly above", 0, 100, 120, 130, false, 0, 0, 0},
        {"wholly below", 0, 100, -1, -2, false, 0, 0, 0},
        {"along the bottom line", 0, 100, 0, 0, true, 500, 500, 56},
        {"equal limits: on the bottom line", 5, 5, 7, 9, true, 500, 500, 56},
        {"reversed limits count their distance", 100, 0, 100, 50, true, 500, 500, 50},
        {"far off and infinite values stay finite", 0, 100, 50, inf, true, 300, 100, 50.003},
        {"not a number: the bottom line", 0, 100, std::nan(""), 0, true, 500, 500, 56},
    };
    for (const Case& c : cases) {
        first.Clear();
        first.Add(c.previous);
        first.Add(c.current);
        source.plots[0].minimum = c.minimum;
        source.plots[0].maximum = c.maximum;
        const std::vector<PrintLine> segments = Page().traces[0].segments;
        SCOPED_TRACE(c.what);
        ASSERT_EQ(segments.size(), c.drawn ? 1u : 0u);
        if (!c.drawn) continue;
        EXPECT_NEAR(segments[0].from.y, c.fromY, 1e-6);
        EXPECT_NEAR(segments[0].to.y, c.toY, 1e-6);
        EXPECT_NEAR(segments[0].to.x, c.toX, 1e-3);
    }
}

TEST_F(PrintedPlotTest, SamplesBeyondTheFramesWidthAreNotDrawn) {
    // 60 s at 50 ms is 1201 samples on 600 pixels: one pixel each, so half of them fit.
    source.timeScale = 60;
    source.sampleRate = 50;
    for (int i = 0; i < 1201; ++i)
        first.Add(50);
    const std::vector<PrintLine> segments = Page().traces[0].segments;
    ASSERT_EQ(segments.size(), 600u);
    EXPECT_DOUBLE_EQ(segments.back().to.x, 650);
}

// A gain change is a line across the frame at its sample, labelled inside the frame's top on
// the side of the line that has room; one beyond the frame's width is not printed.
TEST_F(PrintedPlotTest, GainChangesAtTheirSamples) {
    source.marks = {{0, {"P", "2.500", "2.750"}},
                    {60, {"I", "1.250", "1.375"}},
                    {101, {"D", "0.1250", "0.1375"}}};
    const PrintedPlot page = Page();
    ASSERT_EQ(page.marks.size(), 2u);
    const PrintedMark& first = page.marks[0];
    EXPECT_DOUBLE_EQ(first.line.from.x, 50);
    EXPECT_DOUBLE_EQ(first.line.from.y, 100);
    EXPECT_DOUBLE_EQ(first.line.to.y, 500);
    EXPECT_DOUBLE_EQ(first.labelAt.x, 54);
    EXPECT_DOUBLE_EQ(first.labelAt.y, 104);
    EXPECT_EQ(first.anchor, PrintText::Anchor::TopLeft);
    EXPECT_EQ(first.change.after, "2.750");
    const PrintedMark& second = page.marks[1];
    EXPECT_DOUBLE_EQ(second.line.from.x, 410);  // 6 pixels a sample
    EXPECT_DOUBLE_EQ(second.labelAt.x, 406);
    EXPECT_EQ(second.anchor, PrintText::Anchor::TopRight);
}

TEST_F(PrintedPlotTest, PlotWithoutSamplesOrBufferDrawsNoTrace) {
    source.plots[1].samples = nullptr;
    const PrintedPlot page = Page();
    EXPECT_TRUE(page.traces[0].segments.empty());
    EXPECT_TRUE(page.traces[1].segments.empty());
    EXPECT_EQ(page.traces[1].labels.size(), 5u);
}

}  // namespace
}  // namespace zvr
