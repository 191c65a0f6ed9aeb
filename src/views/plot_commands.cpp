#include "views/plot_commands.h"

#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

#include "connection/command_ids.h"
#include "gui_base/app_services.h"
#include "gui_base/view_host.h"
#include "plot/tuning_log.h"
#include "views/form_view.h"
#include "views/plot_printing.h"
#include "views/strip_chart_view.h"
#include "views/tuning_log_dialog.h"

namespace zvr {

void RegisterPlotCommands(AppServices& services) {
    ViewHost& frame = services.frame;
    // One tuning log for every plot of the program: a log that cannot be written is said once.
    auto log = std::make_shared<TuningLog>(DefaultTuningLogPath());
    frame.SetCommandHandler(kCmdParameterPlot, [&services, log] {
        auto* view = new CStripChartView(services.document, services.settings, services.prompt);
        view->SetTuningLog(log);
        QMdiSubWindow* child = services.frame.AddChildFrame(view);
        SizeFrameInWorkArea(*child, 640, 480);
    });
    // The log beside the plots: one window, read again each time it is asked for.
    auto shown = std::make_shared<QPointer<CTuningLogDlg>>();
    frame.SetCommandHandler(kCmdTuningLog, [&frame, log, shown] {
        if (*shown) {
            (*shown)->Reload();
        } else {
            *shown = new CTuningLogDlg(log->path(), frame.Window());
            (*shown)->setAttribute(Qt::WA_DeleteOnClose);
        }
        (*shown)->show();
        (*shown)->raise();
        (*shown)->activateWindow();
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
