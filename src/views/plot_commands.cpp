#include "views/plot_commands.h"

#include <memory>

#include "app/app_services.h"
#include "app/main_frame.h"
#include "connection/command_ids.h"
#include "views/plot_printing.h"
#include "views/strip_chart_view.h"

namespace zvr {

void RegisterPlotCommands(AppServices& services) {
    CMainFrame& frame = services.frame;
    frame.SetCommandHandler(kCmdParameterPlot, [&services] {
        auto* view = new CStripChartView(services.document, services.settings, services.prompt);
        QMdiSubWindow* child = services.frame.AddChildFrame(view);
        child->resize(640, 480);
    });

    // Print and Print Preview act on the current Parameter Plot; other views do not print.
    auto printing = std::make_shared<PlotPrinting>(services.prompt, &frame);
    auto currentPlot = [&frame] { return qobject_cast<CStripChartView*>(frame.CurrentView()); };
    auto plotIsCurrent = [currentPlot] { return currentPlot() != nullptr; };
    frame.SetCommandHandler(
        kCmdPrint,
        [printing, currentPlot] {
            if (CStripChartView* view = currentPlot()) printing->Print(*view);
        },
        plotIsCurrent);
    frame.SetCommandHandler(
        kCmdPrintPreview,
        [printing, currentPlot] {
            if (CStripChartView* view = currentPlot()) printing->Preview(*view);
        },
        plotIsCurrent);
    frame.SetCommandHandler(kCmdPrintSetup, [printing] { printing->Setup(); });
}

}  // namespace zvr
