#include "views/monitoring_commands.h"

#include "connection/command_ids.h"
#include "gui_base/app_services.h"
#include "gui_base/view_host.h"
#include "views/diagnostic_view.h"
#include "views/help_browser.h"
#include "views/live_data_view.h"
#include "views/password_dialog.h"
#include "views/scalar_view.h"

namespace zvr {

namespace {

void OpenView(AppServices& s, CFormView* view) {
    s.frame.AddChildFrame(view);
    view->OnInitialUpdate();
}

void OpenParameterView(AppServices& s) {
    std::function<void()> configure;
    if (s.frame.HasCommand(kCmdParameterList)) {
        configure = [&s] { s.frame.PostCommand(kCmdParameterList); };
    }
    OpenView(s, new CLiveDataView(s.document, s.prompt, std::move(configure)));
}

void OpenChangeCalibration(AppServices& s) {
    OpenView(s, new CScalarView(s.document, s.prompt, s.engineeringMode,
                                [&s](int context) { ShowHelp(context, s.frame.Window()); }));
}

// Change Calibration sits behind the password unless access is open or the link is a demo.
void ChangeCalibrationCommand(AppServices& s) {
    if (!s.document.AccessOpen() && !s.document.IsDemo()) {
        CPasswordDlg gate(s.document, s.prompt, PasswordMode::CheckOnly,
                          QStringLiteral("This Option requires a Password"), s.frame.Window());
        if (gate.exec() != QDialog::Accepted) return;
    }
    OpenChangeCalibration(s);
}

}  // namespace

void RegisterMonitoringCommands(AppServices& s) {
    s.frame.SetCommandHandler(kCmdParameterView, [&s] { OpenParameterView(s); });
    s.frame.SetCommandHandler(kCmdDisplayFaults,
                              [&s] { OpenView(s, new CDiagnosticView(s.document, s.prompt)); });
    s.frame.SetCommandHandler(kCmdChangeCalibration, [&s] { ChangeCalibrationCommand(s); });
    s.frame.SetCommandHandler(kCmdChangePassword, [&s] {
        CPasswordDlg(s.document, s.prompt, PasswordMode::Change, {}, s.frame.Window()).exec();
    });
    s.frame.SetCommandHandler(kCmdHelpTopics, [&s] { ShowHelpContents(s.frame.Window()); });
}

}  // namespace zvr
