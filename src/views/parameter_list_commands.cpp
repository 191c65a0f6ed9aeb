#include "views/parameter_list_commands.h"

#include <QMdiSubWindow>

#include "connection/command_ids.h"
#include "gui_base/app_services.h"
#include "gui_base/view_host.h"
#include "views/form_view.h"
#include "views/parameter_list_view.h"

namespace zvr {

void RegisterParameterListCommands(AppServices& services) {
    services.frame.SetCommandHandler(kCmdParameterList, [&services] {
        auto* view = new CParameterView(services);
        QMdiSubWindow* frame = services.frame.AddChildFrame(view);
        SizeFrameInWorkArea(*frame, 750, 450);
        frame->setWindowTitle(view->windowTitle());
    });
}

}  // namespace zvr
