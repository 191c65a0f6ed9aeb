// The strip chart offscreen, judged by the pixels of the picture it paints: scroll steps and
// the widened time span, the fractional carry, values cut off at the frame, equal limits on
// the bottom line, division counts out of range, and gain marks.
#include <QFontMetrics>
#include <QTest>
#include <vector>

#include "chart/strip_chart.h"
#include "gui/gui_test_support.h"

namespace zvr {

class StripChartTest : public QObject {
    Q_OBJECT

private:
    static constexpr QRgb kRed = 0xFFFF0000;

    // A chart whose plot area is plotWidth x 100 (rows 10 .. 110) with one red trace.
    struct Fixture {
        explicit Fixture(int plotWidth, double minimum = 0, double maximum = 100) {
            trace.SetColour(QColor(255, 0, 0));
            trace.SetLimits(minimum, maximum, 1);
            chart.AddTrace(&trace);
            chart.SetGridColour(QColor(0, 128, 0));
            chart.SetTimeMinimum(QStringLiteral("0"));
            const int frame = 2 * chart.frameWidth();
            chart.resize(plotWidth + ChartGeometry::kLeft + ChartGeometry::kLabelColumns + frame,
                         135 + frame);
            chart.show();
        }
        void add(double value, double period) {
            chart.UpdateScrollStep(period);
            const double values[] = {value};
            chart.AddSample(values);
        }
        bool red(int x, int y) const { return (image.pixel(x, y) & 0xFF0000) == 0xFF0000; }
        // The columns of the plot area where the trace crosses a row, left to right (the
        // value labels right of the frame are red too).
        std::vector<int> crossings(int y) {
            image = chart.Composed();
            std::vector<int> xs;
            for (int x = 0; x <= chart.geometry().right; ++x)
                if (red(x, y)) xs.push_back(x);
            return xs;
        }

        CChartTrace trace;
        CStripChart chart;
        QImage image;
    };

    test::GuiTestDirectory directory_;

private slots:
    void scrollStepsOnThePicture_data() {
        QTest::addColumn<double>("period");
        QTest::addColumn<QString>("span");
        QTest::addColumn<int>("plotWidth");
        QTest::addColumn<std::vector<int>>("spacings");
        QTest::addColumn<QString>("shownSpan");
        QTest::newRow("4 pixels") << 0.1 << QStringLiteral("10") << 400
                                  << std::vector<int>{4, 4, 4, 4} << QStringLiteral("10");
        QTest::newRow("2 pixels") << 0.1 << QStringLiteral("20") << 400
                                  << std::vector<int>{2, 2, 2, 2} << QStringLiteral("20");
        QTest::newRow("1 pixel widens to 2")
            << 0.1 << QStringLiteral("40") << 400 << std::vector<int>{2, 2, 2, 2}
            << QStringLiteral("20");
        QTest::newRow("2.5 pixels carry") << 0.25 << QStringLiteral("40") << 400
                                          << std::vector<int>{2, 3, 2, 3} << QStringLiteral("40");
    }

    // A square wave crosses the middle row once per sample; the gaps between the crossings
    // are the scroll steps.
    void scrollStepsOnThePicture() {
        QFETCH(double, period);
        QFETCH(QString, span);
        QFETCH(int, plotWidth);
        QFETCH(std::vector<int>, spacings);
        QFETCH(QString, shownSpan);
        Fixture f(plotWidth);
        f.chart.SetTimeMaximum(span);
        f.chart.RedrawStaticLayer();
        for (int i = 0; i < 9; ++i)
            f.add(i % 2 == 0 ? 10 : 90, period);
        QCOMPARE(f.chart.timeMaximum(), shownSpan);
        const std::vector<int> xs = f.crossings(60);
        QVERIFY(xs.size() >= spacings.size() + 1);
        std::vector<int> last;
        for (size_t i = xs.size() - spacings.size(); i < xs.size(); ++i)
            last.push_back(xs[i] - xs[i - 1]);
        QCOMPARE(last, spacings);
        QVERIFY(xs.back() < f.chart.geometry().right);
    }

    void valuesBeyondTheLimitsAreCutAtTheFrame() {
        Fixture f(200);
        for (double v : {50.0, 150.0, 1e9, 50.0, -80.0, -1e300, 50.0})
            f.add(v, 0.1);
        f.image = f.chart.Composed();
        const ChartGeometry& g = f.chart.geometry();
        for (int y = 0; y < f.image.height(); ++y) {
            if (y > g.top && y < g.bottom) continue;
            for (int x = 0; x <= g.right; ++x)
                QVERIFY2(
                    !f.red(x, y) || y == g.top || y == g.bottom,
                    qPrintable(QStringLiteral("trace at %1,%2 outside the frame").arg(x).arg(y)));
        }
        // Inside, the trace climbs to the top line and falls to the bottom line.
        QVERIFY(!f.crossings(g.top + 1).empty());
        QVERIFY(!f.crossings(g.bottom - 1).empty());
    }

    void equalLimitsDrawOnTheBottomLine() {
        Fixture f(200, 5, 5);
        for (double v : {5.0, 100.0, -3.0})
            f.add(v, 0.1);
        const ChartGeometry& g = f.chart.geometry();
        // Three segments of 2 pixels (0.1 s of 10 s on 200 pixels), joined end to end.
        const std::vector<int> xs = f.crossings(g.bottom);
        QCOMPARE(xs.size(), size_t{7});
        QCOMPARE(xs.back() - xs.front(), 6);
        for (int y = 0; y < g.bottom; ++y)
            QVERIFY(f.crossings(y).empty());
    }

    void divisionCountsOutOfRangeDrawFour_data() {
        QTest::addColumn<int>("divisions");
        QTest::addColumn<int>("lines");
        QTest::newRow("31") << 31 << 4;
        QTest::newRow("-1") << -1 << 4;
        QTest::newRow("0") << 0 << 0;
        QTest::newRow("30") << 30 << 30;
    }

    void divisionCountsOutOfRangeDrawFour() {
        QFETCH(int, divisions);
        QFETCH(int, lines);
        Fixture f(400);
        f.chart.resize(f.chart.width(), 400);  // room for 30 rows
        f.chart.SetDivisions(divisions, divisions);
        f.chart.RedrawStaticLayer();
        const QImage image = f.chart.Composed();
        const ChartGeometry& g = f.chart.geometry();
        const QRgb grid = QColor(0, 128, 0).rgb();
        int rows = 0;
        for (int y = g.top + 1; y < g.bottom; ++y)
            rows += image.pixel(g.left + 4, y) == grid && image.pixel(g.left + 8, y) == grid;
        int columns = 0;
        for (int x = g.left + 1; x < g.right; ++x)
            columns += image.pixel(x, g.top + 4) == grid && image.pixel(x, g.top + 8) == grid;
        QCOMPARE(rows, lines);
        QCOMPARE(columns, lines);
    }

    // The redrawn static layer forgets the plotted history.
    void redrawClearsTheHistory() {
        Fixture f(200);
        for (double v : {10.0, 90.0, 10.0})
            f.add(v, 0.1);
        QVERIFY(!f.crossings(60).empty());
        f.chart.resize(f.chart.width() + 10, f.chart.height());
        QVERIFY(f.crossings(60).empty());
    }

    // A gain mark is a dashed line at the newest sample that scrolls away with the traces; the
    // labels of marks close together stand in rows of their own; a redraw forgets them.
    void gainMarksScrollWithTheTraces() {
        Fixture f(200);
        f.chart.SetTimeMaximum(QStringLiteral("10"));  // 2 pixels a sample at 0.1 s
        for (int i = 0; i < 5; ++i)
            f.add(50, 0.1);
        const ChartGeometry& g = f.chart.geometry();
        // Yellow, or nearly so where the label's letters are smoothed.
        auto yellow = [&f](int x, int y) {
            const QColor c = f.image.pixelColor(x, y);
            return c.red() > 150 && c.green() > 150 && c.blue() < 100;
        };
        auto lineAt = [&](int x) {
            int dashes = 0;
            for (int y = g.top + 1; y < g.bottom; ++y)
                dashes += yellow(x, y);
            return dashes > (g.bottom - g.top) / 3;
        };
        // Yellow pixels of a label row left of x (and left of a mark 6 pixels before it).
        auto labelLeftOf = [&](int x, int row) {
            QFont font(QStringLiteral("Arial"));
            font.setPixelSize(14);  // as the chart writes its texts
            const int height = QFontMetrics(font).height();
            int pixels = 0;
            for (int y = g.top + 2 + row * height; y < g.top + 2 + (row + 1) * height - 2; ++y)
                for (int column = x - 60; column < x - 8; ++column)
                    pixels += yellow(column, y);
            return pixels;
        };
        const int newest = g.right - f.chart.scroll().halfStep();
        f.chart.AddMark(QStringLiteral("P 2.500 \u2192 2.750"));
        f.image = f.chart.Composed();
        QVERIFY(lineAt(newest));
        QVERIFY(labelLeftOf(newest, 0) > 20);
        for (int i = 0; i < 3; ++i)
            f.add(50, 0.1);
        f.image = f.chart.Composed();
        QVERIFY(!lineAt(newest));
        QVERIFY(lineAt(newest - 6));
        f.chart.AddMark(QStringLiteral("P 2.750 \u2192 3.025"));
        f.image = f.chart.Composed();
        QVERIFY(lineAt(newest));
        QVERIFY(labelLeftOf(newest, 1) > 20);  // the first label is in the way on row 0
        QCOMPARE(labelLeftOf(newest, 2), 0);
        f.chart.resize(f.chart.width() + 10, f.chart.height());
        f.image = f.chart.Composed();
        QVERIFY(!lineAt(f.chart.geometry().right - f.chart.scroll().halfStep() - 6));
    }

    void pictureForTheEye() {
        Fixture f(400, -1, 1);
        CChartTrace second;
        second.SetColour(QColor(0, 255, 255));
        second.SetLimits(0, 2000, 1);
        second.SetUnitsLabel(QStringLiteral("engine_rpm [rpm]"));
        f.trace.SetUnitsLabel(QStringLiteral("n_error"));
        f.chart.AddTrace(&second);
        f.chart.SetTimeLabel(QStringLiteral("Time (s)"));
        f.chart.SetTextColour(Qt::white);
        f.chart.SetTimeMaximum(QStringLiteral("10"));
        f.chart.resize(f.chart.width(), 300);
        f.chart.RedrawStaticLayer();
        for (int i = 0; i < 100; ++i) {
            f.chart.UpdateScrollStep(0.1);
            const double values[] = {std::sin(i / 5.0) * 1.3, 1500 + 300 * std::cos(i / 7.0)};
            f.chart.AddSample(values);
        }
        if (qEnvironmentVariableIsSet("ZVR_SCREENSHOTS")) {
            f.chart.Composed().save(qEnvironmentVariable("ZVR_SCREENSHOTS") +
                                    QStringLiteral("/strip_chart.png"));
        }
        QCOMPARE(f.chart.scroll().step(), 4);
    }
};

}  // namespace zvr

QTEST_MAIN(zvr::StripChartTest)
#include "strip_chart_test.moc"
