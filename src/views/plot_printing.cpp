#include "views/plot_printing.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrintPreviewDialog>

#include "chart/printed_plot_painter.h"
#include "common/user_prompt.h"
#include "views/strip_chart_view.h"

namespace zvr {

namespace {

constexpr const char* kPrinterFailed = "The printer could not be started.";

}  // namespace

bool PrintPlot(const CStripChartView& view, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PaintPrintedPlot(painter, view.PrintedPage(printer.logicalDpiX(), printer.logicalDpiY()));
    return painter.end();
}

// The plot may close while a dialog is open (the controller was disconnected): then there is
// nothing left to print.
void PlotPrinting::Print(CStripChartView& view) {
    QPointer<CStripChartView> plot(&view);
    QPrintDialog dialog(&printer_, window_);
    if (dialog.exec() != QDialog::Accepted || !plot) return;
    if (!PrintPlot(*plot, printer_)) prompt_.error(kPrinterFailed);
}

void PlotPrinting::Preview(CStripChartView& view) {
    QPointer<CStripChartView> plot(&view);
    QPrintPreviewDialog preview(&printer_, window_);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                     [plot](QPrinter* printer) {
                         if (plot) PrintPlot(*plot, *printer);
                     });
    preview.exec();
}

void PlotPrinting::Setup() {
    QPageSetupDialog dialog(&printer_, window_);
    dialog.exec();
}

}  // namespace zvr
