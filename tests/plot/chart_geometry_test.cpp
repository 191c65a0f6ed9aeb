#include "plot/chart_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zvr {
namespace {

TEST(ChartGeometry, PlotAreaOfAClient) {
    const ChartGeometry g = ChartGeometry::ForClient(640, 380);
    EXPECT_EQ(g.left, 20);
    EXPECT_EQ(g.top, 10);
    EXPECT_EQ(g.right, 640 - 178);
    EXPECT_EQ(g.bottom, 355);
    EXPECT_EQ(g.plotWidth, 442);
    EXPECT_EQ(g.plotHeight, 345);
    EXPECT_EQ(g.top + g.plotHeight, g.bottom);
}

TEST(ChartGeometry, DivisionCountsOutsideTheListDrawFour) {
    const std::pair<int, int> cases[] = {{-1, 4}, {0, 0}, {1, 1}, {30, 30}, {31, 4}, {1000, 4}};
    for (auto [given, drawn] : cases)
        EXPECT_EQ(EffectiveDivisions(given), drawn) << given;
}

TEST(ChartGeometry, GridRowsAndColumnsSpanTheFrame) {
    const ChartGeometry g = ChartGeometry::ForClient(420, 135);  // plot 20..242 x 10..110
    EXPECT_EQ(GridRow(g, 3, 0), g.top);
    EXPECT_EQ(GridRow(g, 3, 1), 35);
    EXPECT_EQ(GridRow(g, 3, 4), g.bottom);
    EXPECT_EQ(GridColumn(g, 2, 1), 20 + 222 / 3);
    EXPECT_EQ(GridColumn(g, 2, 3), g.right);
    EXPECT_DOUBLE_EQ(GridRowValue(3, 0, -1.0, 1.0), 1.0);
    EXPECT_DOUBLE_EQ(GridRowValue(3, 2, -1.0, 1.0), 0.0);
    EXPECT_DOUBLE_EQ(GridRowValue(3, 4, -1.0, 1.0), -1.0);
}

TEST(ChartGeometry, ValueToRow) {
    const ChartGeometry g = ChartGeometry::ForClient(420, 135);  // plot height 100
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        double value, minimum, maximum;
        int y;
    };
    const Case cases[] = {
        {"minimum on the bottom line", 0, 0, 100, 110},
        {"maximum on the top line", 100, 0, 100, 10},
        {"middle", 50, 0, 100, 60},
        {"equal limits: the bottom line", 75, 5, 5, 110},
        {"reversed limits: the bottom line", 75, 100, 0, 110},
        {"not a number: the bottom line", std::nan(""), 0, 100, 110},
        {"far above: held off the plot", 1e300, 0, 1, 110 - 100000},
        {"far below: held off the plot", -1e300, 0, 1, 110 + 100000},
        {"infinite limits", 3, -inf, inf, 110},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ValueToY(g, c.value, c.minimum, c.maximum), c.y) << c.what;
}

TEST(ChartGeometry, NewestSegmentAndItsCuts) {
    const ChartGeometry g = ChartGeometry::ForClient(420, 135);
    const TraceSegment inside = SegmentFor(g, 4, 20, 80, 0, 100);
    EXPECT_EQ(inside.x1, g.right - 6);
    EXPECT_EQ(inside.x2, g.right - 2);
    EXPECT_EQ(inside.y1, 90);
    EXPECT_EQ(inside.y2, 30);
    EXPECT_FALSE(inside.cutTop || inside.cutBottom);

    const TraceSegment above = SegmentFor(g, 4, 50, 150, 0, 100);
    EXPECT_TRUE(above.cutTop);
    EXPECT_FALSE(above.cutBottom);
    const TraceSegment flat = SegmentFor(g, 3, 50, 50, 7, 7);
    EXPECT_EQ(flat.x1, g.right - 4);
    EXPECT_EQ(flat.x2, g.right - 1);
    EXPECT_TRUE(flat.cutBottom);
}

}  // namespace
}  // namespace zvr
