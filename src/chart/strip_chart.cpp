#include "chart/strip_chart.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <limits>

#include "common/numbers.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

constexpr int kDotSpacing = 4;
constexpr int kLabelColumn = 75;  // between the value label columns of the traces
constexpr int kUnitsOffset = 15;  // from a label column to its rotated units label
constexpr int kLabelRaise = 7;    // half the font height: labels are centred on their rows
constexpr int kMarkDash = 6;      // a gain mark: dashes of half this, a gap as long
constexpr int kMarkLabelGap = 3;  // between a gain mark and its label

QFont ChartFont() {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(14);
    font.setWeight(QFont::Light);
    return font;
}

double Decimal(const QString& text) { return ParseDecimal(FromQ(text)); }

}  // namespace

CStripChart::CStripChart(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAttribute(Qt::WA_OpaquePaintEvent);
    RedrawStaticLayer();
}

void CStripChart::AddTrace(CChartTrace* trace) { traces_.push_back(trace); }

void CStripChart::SetTimeLabel(const QString& label) {
    timeLabel_ = label;
    RedrawStaticLayer();
}

void CStripChart::SetGridColour(const QColor& colour) {
    grid_ = colour;
    RedrawStaticLayer();
}

void CStripChart::SetBackgroundColour(const QColor& colour) {
    background_ = colour;
    RedrawStaticLayer();
}

void CStripChart::SetTextColour(const QColor& colour) {
    text_ = colour;
    RedrawStaticLayer();
}

void CStripChart::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    RedrawStaticLayer();
}

void CStripChart::RedrawStaticLayer() {
    const QSize size = contentsRect().size().expandedTo(QSize(1, 1));
    geometry_ = ChartGeometry::ForClient(size.width(), size.height());
    staticLayer_ = QImage(size, QImage::Format_RGB32);
    staticLayer_.fill(background_);
    {
        QPainter painter(&staticLayer_);
        painter.setPen(grid_);
        painter.drawRect(geometry_.left, geometry_.top, geometry_.right - geometry_.left,
                         geometry_.bottom - geometry_.top);
        painter.end();
        DrawGrid();
        painter.begin(&staticLayer_);
        painter.setFont(ChartFont());
        DrawTraceLabels(painter);
        DrawTimeAxis(painter);
    }
    dataLayer_ = QImage(size, QImage::Format_RGB32);
    dataLayer_.fill(background_);
    markRows_.fill(std::numeric_limits<int>::min() / 2);
    update();
}

void CStripChart::DrawGrid() {
    const ChartGeometry& g = geometry_;
    const QRgb dot = grid_.rgb();
    const int h = EffectiveDivisions(horizontalDivisions_);
    const int v = EffectiveDivisions(verticalDivisions_);
    const QRect inside = staticLayer_.rect();
    for (int i = 1; i <= h; ++i) {
        const int y = GridRow(g, h, i);
        for (int x = g.left; x < g.right; x += kDotSpacing)
            if (inside.contains(x, y)) staticLayer_.setPixel(x, y, dot);
    }
    for (int j = 1; j <= v; ++j) {
        const int x = GridColumn(g, v, j);
        for (int y = g.top; y < g.bottom; y += kDotSpacing)
            if (inside.contains(x, y)) staticLayer_.setPixel(x, y, dot);
    }
}

void CStripChart::DrawTraceLabels(QPainter& painter) {
    const ChartGeometry& g = geometry_;
    const int h = EffectiveDivisions(horizontalDivisions_);
    const int textHeight = painter.fontMetrics().height();
    for (size_t n = 0; n < traces_.size(); ++n) {
        const CChartTrace& trace = *traces_[n];
        const int column = g.right + kLabelColumn + kLabelColumn * static_cast<int>(n);
        painter.setPen(trace.colour());
        for (int i = 0; i <= h + 1; ++i) {
            const double value = GridRowValue(h, i, trace.minimum(), trace.maximum());
            const QRect box(column - 2 * kLabelColumn, GridRow(g, h, i) - kLabelRaise,
                            2 * kLabelColumn, textHeight);
            painter.drawText(box, Qt::AlignRight | Qt::AlignTop,
                             ToQ(FormatFixed(value, std::clamp(trace.precision(), 0, 10))));
        }
        painter.save();
        painter.translate(column + kUnitsOffset, (g.top + g.bottom) / 2);
        painter.rotate(-90);
        const int width = painter.fontMetrics().horizontalAdvance(trace.unitsLabel());
        painter.drawText(-width / 2, 0, trace.unitsLabel());
        painter.restore();
    }
}

void CStripChart::DrawTimeAxis(QPainter& painter) {
    const ChartGeometry& g = geometry_;
    const int v = EffectiveDivisions(verticalDivisions_);
    const int textHeight = painter.fontMetrics().height();
    const int wide = std::max(g.plotWidth, 1);
    painter.setPen(text_);
    painter.drawText(QRect(g.left, g.bottom, wide, textHeight), Qt::AlignLeft | Qt::AlignTop,
                     timeMinimum_);
    painter.drawText(QRect(g.right - wide, g.bottom, wide, textHeight),
                     Qt::AlignRight | Qt::AlignTop, timeMaximum_);
    QString title = timeLabel_;
    if (v > 1) {
        const double perDivision = (Decimal(timeMaximum_) - Decimal(timeMinimum_)) / (v + 1);
        title = QStringLiteral("%1 [%2 Sec per division]")
                    .arg(timeLabel_, ToQ(FormatFixed(perDivision, 1)));
    }
    const int centre = (g.left + g.right) / 2;
    painter.drawText(QRect(centre - 2 * wide, g.bottom, 4 * wide, textHeight),
                     Qt::AlignHCenter | Qt::AlignTop, title);
}

void CStripChart::UpdateScrollStep(double period) {
    const ScrollStep::Change change =
        scroll_.Update(period, Decimal(timeMinimum_), Decimal(timeMaximum_), geometry_.plotWidth);
    if (change.timeMaximum) timeMaximum_ = ToQ(FormatFixed(*change.timeMaximum, 0));
    if (change.redrawStatic) RedrawStaticLayer();
}

void CStripChart::AddSample(std::span<const double> values) {
    for (size_t n = 0; n < traces_.size(); ++n)
        traces_[n]->AddValue(n < values.size() ? values[n] : 0.0);

    const ChartGeometry& g = geometry_;
    if (g.plotWidth <= 0 || g.plotHeight <= 0) return;
    ScrollDataLayer();
    QPainter painter(&dataLayer_);
    const int step = scroll_.step();
    const int cutLeft = g.right - scroll_.stepAndHalf();
    const int cutRight = g.right - scroll_.halfStep() + 1;
    for (const CChartTrace* trace : traces_) {
        const TraceSegment s = SegmentFor(g, step, trace->previousValue(), trace->currentValue(),
                                          trace->minimum(), trace->maximum());
        painter.setPen(trace->colour());
        painter.drawLine(s.x1, s.y1, s.x2, s.y2);
        // Values beyond the limits are cut off at the frame.
        if (s.cutTop)
            painter.fillRect(QRect(QPoint(cutLeft, 0), QPoint(cutRight - 1, g.top)), background_);
        if (s.cutBottom)
            painter.fillRect(QRect(QPoint(cutLeft, g.bottom + 1), QPoint(cutRight - 1, g.height)),
                             background_);
    }
    update();
}

void CStripChart::AddMark(const QString& label) {
    const ChartGeometry& g = geometry_;
    if (g.plotWidth <= 0 || g.plotHeight <= 0) return;
    const int x = g.right - scroll_.halfStep();
    QPainter painter(&dataLayer_);
    painter.setClipRect(QRect(QPoint(g.left + 1, g.top + 1), QPoint(g.right - 1, g.bottom - 1)));
    painter.setPen(mark_);
    for (int y = g.top + 1; y < g.bottom; y += kMarkDash)
        painter.drawLine(x, y, x, std::min(y + kMarkDash / 2, g.bottom - 1));
    painter.setFont(ChartFont());
    const int textHeight = painter.fontMetrics().height();
    const int width = painter.fontMetrics().horizontalAdvance(label);
    // The first row whose last label ends left of this one; else the one free the longest.
    const int left = x - kMarkLabelGap - width;
    size_t row = 0;
    for (size_t r = 0; r < markRows_.size(); ++r) {
        if (markRows_[r] < left - kMarkLabelGap) {
            row = r;
            break;
        }
        if (markRows_[r] < markRows_[row]) row = r;
    }
    markRows_[row] = x;
    const int y = g.top + 2 + static_cast<int>(row) * textHeight;
    painter.drawText(QRect(g.left, y, x - kMarkLabelGap - g.left, textHeight),
                     Qt::AlignRight | Qt::AlignTop, label);
    update();
}

// One block move of the plot area, then the background in the strip that opens at the right.
void CStripChart::ScrollDataLayer() {
    const ChartGeometry& g = geometry_;
    const int step = scroll_.step();
    const int imageWidth = dataLayer_.width();
    const int lastRow = std::min(g.top + g.plotHeight, dataLayer_.height() - 1);
    const int count = std::min(g.plotWidth, imageWidth - (g.left + step));
    if (count > 0) {
        for (int y = g.top + 1; y <= lastRow; ++y) {
            auto* row = reinterpret_cast<QRgb*>(dataLayer_.scanLine(y));
            std::memmove(row + g.left, row + g.left + step, sizeof(QRgb) * count);
        }
    }
    for (int& x : markRows_)
        x -= step;
    QPainter painter(&dataLayer_);
    const int stripLeft = std::max(g.right - step, g.left);
    painter.fillRect(QRect(stripLeft, g.top, g.right - stripLeft, g.bottom - g.top), background_);
}

QImage CStripChart::Composed() const {
    if (composed_.size() != staticLayer_.size()) {
        composed_ = QImage(staticLayer_.size(), QImage::Format_RGB32);
    }
    const auto* still = reinterpret_cast<const QRgb*>(staticLayer_.constBits());
    const auto* data = reinterpret_cast<const QRgb*>(dataLayer_.constBits());
    auto* out = reinterpret_cast<QRgb*>(composed_.bits());
    const qsizetype pixels = staticLayer_.sizeInBytes() / qsizetype(sizeof(QRgb));
    for (qsizetype i = 0; i < pixels; ++i)
        out[i] = still[i] | data[i];
    return composed_;
}

void CStripChart::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), Composed());
}

}  // namespace zvr
