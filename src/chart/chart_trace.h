#pragma once

#include <QColor>
#include <QString>

namespace zvr {

// One trace of a strip chart: its limits, colour, axis label and its two newest values. The view
// that adds a trace to a chart owns it.
class CChartTrace {
public:
    void SetLimits(double minimum, double maximum, int precision) {
        minimum_ = minimum;
        maximum_ = maximum;
        precision_ = precision;
    }
    void SetUnitsLabel(const QString& label) { unitsLabel_ = label; }
    void SetColour(const QColor& colour) { colour_ = colour; }

    // Called by the chart for each sample.
    void AddValue(double value) {
        previousValue_ = currentValue_;
        currentValue_ = value;
    }

    double minimum() const { return minimum_; }
    double maximum() const { return maximum_; }
    int precision() const { return precision_; }
    const QColor& colour() const { return colour_; }
    const QString& unitsLabel() const { return unitsLabel_; }
    double currentValue() const { return currentValue_; }
    double previousValue() const { return previousValue_; }

private:
    double currentValue_ = 0.0;
    double previousValue_ = 0.0;
    int precision_ = 1;
    QColor colour_{255, 255, 255};
    double minimum_ = -10.0;
    double maximum_ = 10.0;
    QString unitsLabel_ = QStringLiteral("Y units");
};

}  // namespace zvr
