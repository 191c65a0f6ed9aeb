#include "views/plot_commands.h"

#include <QMdiSubWindow>
#include <memory>

#include "connection/command_ids.h"
#include "gui_base/app_services.h"
#include "gui_base/view_host.h"
#include "views/form_view.h"
#include "views/plot_printing.h"
#include "views/strip_chart_view.h"

namespace zvr {

void RegisterPlotCommands(AppServices& services) {
    ViewHost& frame = services.frame;
    frame.SetCommandHandler(kCmdParameterPlot, [&services] {
        auto* view = new CStripChartView(services.document, services.settings, services.prompt);
        QMdiSubWindow* child = services.frame.AddChildFrame(view);
        SizeFrameInWorkArea(*child, 640, 480);
    });

    // Print and Print Preview act on the current Parameter Plot; other views do not print.
    auto printing = std::make_shared<PlotPrinting>(services.prompt, frame.Window());
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
