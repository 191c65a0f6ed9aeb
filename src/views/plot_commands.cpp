#include "views/plot_commands.h"

#include "app/app_services.h"
#include "app/main_frame.h"
#include "connection/command_ids.h"
#include "views/strip_chart_view.h"

namespace zvr {

void RegisterPlotCommands(AppServices& services) {
    services.frame.SetCommandHandler(kCmdParameterPlot, [&services] {
        auto* view = new CStripChartView(services.document, services.settings, services.prompt);
        QMdiSubWindow* frame = services.frame.AddChildFrame(view);
        frame->resize(640, 480);
    });
}

}  // namespace zvr
