#include "chart/printed_plot_painter.h"

#include <QFont>
#include <QFontMetricsF>
#include <algorithm>

#include "chart/gain_change_label.h"
#include "gui_base/latin1.h"

namespace zvr {

namespace {

QPointF ToPoint(const PrintPoint& point) { return {point.x, point.y}; }

QLineF ToLine(const PrintLine& line) { return {ToPoint(line.from), ToPoint(line.to)}; }

QFont PrintFont(double height) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(std::max(1, static_cast<int>(height)));
    font.setWeight(QFont::Light);
    return font;
}

void DrawText(QPainter& painter, const PrintText& text, const QString& shown) {
    const QFontMetricsF metrics(painter.font());
    const double width = metrics.horizontalAdvance(shown);
    QPointF topLeft = ToPoint(text.at);
    switch (text.anchor) {
        case PrintText::Anchor::TopLeft:
            break;
        case PrintText::Anchor::TopRight:
            topLeft.rx() -= width;
            break;
        case PrintText::Anchor::TopCentre:
            topLeft.rx() -= width / 2;
            break;
        case PrintText::Anchor::MiddleLeft:
            topLeft.ry() -= metrics.height() / 2;
            break;
    }
    painter.drawText(topLeft + QPointF(0, metrics.ascent()), shown);
}

void DrawText(QPainter& painter, const PrintText& text) { DrawText(painter, text, ToQ(text.text)); }

// Dashed lines across the frame, each labelled with its gain change.
void DrawMarks(QPainter& painter, const PrintedPlot& page) {
    QPen dashed(Qt::black, page.framePen / 2, Qt::DashLine);
    for (const PrintedMark& mark : page.marks) {
        painter.setPen(dashed);
        painter.drawLine(ToLine(mark.line));
        painter.setPen(Qt::black);
        DrawText(painter, {{}, mark.labelAt, mark.anchor}, GainChangeLabel(mark.change));
    }
}

void DrawFrameAndGrid(QPainter& painter, const PrintedPlot& page) {
    const QRectF frame(QPointF(page.left, page.top), QPointF(page.right, page.bottom));
    QPen dotted(Qt::black, page.framePen / 2, Qt::DotLine);
    painter.setPen(dotted);
    for (double y : page.rows)
        painter.drawLine(QLineF(page.left, y, page.right, y));
    for (double x : page.columns)
        painter.drawLine(QLineF(x, page.top, x, page.bottom));
    painter.setPen(QPen(Qt::black, page.framePen));
    painter.drawRect(frame);
    for (const PrintLine& tick : page.ticks)
        painter.drawLine(ToLine(tick));
}

// The name reads upwards, centred on the frame's height, just right of the widest label:
// turned this way its letters stand to the right of the point it starts from.
void DrawName(QPainter& painter, const PrintedTrace& trace, double fontHeight) {
    const QFontMetricsF metrics(painter.font());
    double widest = 0.0;
    for (const PrintText& label : trace.labels)
        widest = std::max(widest, metrics.horizontalAdvance(ToQ(label.text)));
    const QString name = ToQ(trace.name.text);
    painter.save();
    painter.translate(trace.name.at.x + widest + fontHeight / 5, trace.name.at.y);
    painter.rotate(-90);
    painter.drawText(QPointF(-metrics.horizontalAdvance(name) / 2, metrics.ascent()), name);
    painter.restore();
}

void DrawTrace(QPainter& painter, const PrintedTrace& trace, double fontHeight) {
    painter.setPen(Qt::black);
    for (const PrintText& label : trace.labels)
        DrawText(painter, label);
    DrawName(painter, trace, fontHeight);
    QPen pen(Qt::black, trace.penWidth);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    for (const PrintLine& segment : trace.segments)
        painter.drawLine(ToLine(segment));
}

}  // namespace

void PaintPrintedPlot(QPainter& painter, const PrintedPlot& page) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    DrawFrameAndGrid(painter, page);
    painter.setFont(PrintFont(page.fontHeight));
    painter.setPen(Qt::black);
    for (const PrintText& text : page.texts)
        DrawText(painter, text);
    for (const PrintedTrace& trace : page.traces)
        DrawTrace(painter, trace, page.fontHeight);
    DrawMarks(painter, page);
    painter.restore();
}

}  // namespace zvr
