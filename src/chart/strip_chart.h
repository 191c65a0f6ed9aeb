#pragma once

#include <QColor>
#include <QFrame>
#include <QImage>
#include <QString>
#include <array>
#include <span>
#include <vector>

#include "chart/chart_trace.h"
#include "plot/chart_geometry.h"
#include "plot/scroll_step.h"

namespace zvr {

// A scrolling strip chart of a few traces against time. The static layer holds the frame,
// the dotted grid and the axis texts; each sample scrolls the data layer left by one step and
// draws one segment per trace at the right edge. A paint ORs the data layer onto the static
// layer off screen and copies the result once, so a black background shows the traces in
// their own colours.
class CStripChart : public QFrame {
    Q_OBJECT
public:
    explicit CStripChart(QWidget* parent = nullptr);

    // The chart draws the traces in the order added; it never deletes them.
    void AddTrace(CChartTrace* trace);

    // Each of these redraws the static layer.
    void SetTimeLabel(const QString& label);
    void SetGridColour(const QColor& colour);
    void SetBackgroundColour(const QColor& colour);
    void SetTextColour(const QColor& colour);

    // Set directly; RedrawStaticLayer() shows them.
    void SetTimeMinimum(const QString& text) { timeMinimum_ = text; }
    void SetTimeMaximum(const QString& text) { timeMaximum_ = text; }
    void SetDivisions(int horizontal, int vertical) {
        horizontalDivisions_ = horizontal;
        verticalDivisions_ = vertical;
    }

    // Before each sample: the seconds between samples set how far the picture scrolls.
    void UpdateScrollStep(double period);
    // One value per trace, in trace order; missing values count as 0.
    void AddSample(std::span<const double> values);
    // A line across the plot at the newest sample, labelled near its top, drawn with the
    // traces so that it scrolls away with them. The label stands left of the line, over the
    // picture that is already there, and is cut at the plot's left edge.
    void AddMark(const QString& label);
    void SetMarkColour(const QColor& colour) { mark_ = colour; }
    // Redraws the frame, grid and texts, and clears the plotted history.
    void RedrawStaticLayer();

    const ChartGeometry& geometry() const { return geometry_; }
    const ScrollStep& scroll() const { return scroll_; }
    const QString& timeMaximum() const { return timeMaximum_; }
    int horizontalDivisions() const { return horizontalDivisions_; }
    int verticalDivisions() const { return verticalDivisions_; }
    // The picture a paint copies to the screen.
    QImage Composed() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void DrawGrid();
    void DrawTraceLabels(QPainter& painter);
    void DrawTimeAxis(QPainter& painter);
    void ScrollDataLayer();
    void FillData(int x1, int y1, int x2, int y2);

    std::vector<CChartTrace*> traces_;
    QColor background_{0, 0, 0};
    QColor grid_{0, 255, 255};
    QColor text_{128, 128, 128};
    QColor mark_{255, 255, 0};
    int horizontalDivisions_ = kDefaultDivisions;
    int verticalDivisions_ = kDefaultDivisions;
    QString timeLabel_ = QStringLiteral("Samples");
    QString timeMinimum_ = QStringLiteral("0");
    QString timeMaximum_ = QStringLiteral("10");
    ChartGeometry geometry_;
    ScrollStep scroll_;
    QImage staticLayer_;
    QImage dataLayer_;
    mutable QImage composed_;
    // Per row of mark labels, where the latest mark drawn in it now stands: a label goes to
    // the first row it does not overlap.
    std::array<int, 4> markRows_{};
};

}  // namespace zvr
