#pragma once

#include <QPrinter>

class QWidget;

namespace zvr {

class CStripChartView;
class UserPrompt;

// The print commands of the Parameter Plot, with the one printer set-up the program keeps
// from one print to the next.
class PlotPrinting {
public:
    PlotPrinting(UserPrompt& prompt, QWidget* window) : prompt_(prompt), window_(window) {}

    // Asks for the printer and prints the plot.
    void Print(CStripChartView& view);
    // Shows the printed page; the preview prints it too.
    void Preview(CStripChartView& view);
    // Chooses the paper, its orientation and margins.
    void Setup();

    QPrinter& printer() { return printer_; }

private:
    UserPrompt& prompt_;
    QWidget* window_;
    QPrinter printer_{QPrinter::HighResolution};
};

// Draws the plot's page on a printer (or a PDF file); false when the printer could not start.
bool PrintPlot(const CStripChartView& view, QPrinter& printer);

}  // namespace zvr
