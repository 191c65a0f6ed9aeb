#pragma once

#include <QPainter>

#include "plot/printed_plot.h"

namespace zvr {

// Draws a laid-out Parameter Plot page in black on the painter's device: the frame, the
// dotted grid, the time axis texts, the value labels and names, the two traces with their
// own pen widths, and the gain changes as dashed lines with their labels.
void PaintPrintedPlot(QPainter& painter, const PrintedPlot& page);

}  // namespace zvr
