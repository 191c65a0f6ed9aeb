#include "calfile/calfile_commands.h"

#include <QPointer>

#include "calfile/cal_file_view.h"
#include "calfile/file_dialog_ex.h"
#include "calfile/restore_points_dialog.h"
#include "comm/data_server.h"
#include "connection/command_ids.h"
#include "definitions/cal_file.h"
#include "gui_base/app_services.h"
#include "gui_base/view_host.h"
#include "settings/registry_settings.h"

namespace zvr {

namespace {

// "View Cal File Comments": the cal-file dialog as a viewer; nothing happens when it closes.
void ViewCalFileComments(UserPrompt& prompt, QWidget* parent) {
    CFileDialogEx dialog(true, QStringLiteral("*.000"), QString(), kCalFileOpenFilter, prompt,
                         parent);
    dialog.SetTitle(
        QStringLiteral("Select a Calibration file and its comments are displayed below"));
    dialog.SetViewerMode(true);
    dialog.exec();
}

}  // namespace

void RegisterCalFileCommands(AppServices& services) {
    ViewHost& frame = services.frame;
    // The prompt lives as long as the frame, which owns the view that uses it.
    auto* prompt = new CalFilePrompt(services.prompt, frame.Window());
    QPointer<CCalFile> view = new CCalFile(services.document, *prompt, services.engineeringMode,
                                           services.startDirectory, frame.Window());
    QObject::connect(view, &QObject::destroyed, [prompt] { delete prompt; });

    using Operation = void (CalFileOperations::*)();
    const std::pair<int, Operation> commands[] = {
        {kCmdSaveCal, &CalFileOperations::Save},
        {kCmdDownloadCal, &CalFileOperations::Download},
        {kCmdCompareCal, &CalFileOperations::Compare},
        {kCmdConvertControllerToText, &CalFileOperations::ConvertControllerToText},
        {kCmdConvertFileToText, &CalFileOperations::ConvertFileToText},
        {kCmdConvertFileToStrategy, &CalFileOperations::ConvertFileToStrategy},
        {kCmdViewTextFile, &CalFileOperations::ViewTextFile},
    };
    CRegistrySettings* settings = &services.settings;
    // Where a download keeps what the controller held; the number kept as set now.
    auto points = std::make_shared<RestorePoints>();
    auto prepare = [view, settings, points] {
        *points = RestorePoints(RestorePoints::DefaultFolder(), settings->ReadRestorePointsKept());
        view->operations().setVerifyDownload(settings->ReadVerifyDownload());
        view->operations().setRestorePoints(points.get());
    };
    for (const auto& [command, operation] : commands) {
        frame.SetCommandHandler(command, [view, prepare, operation = operation] {
            if (!view) return;
            prepare();
            (view->operations().*operation)();
        });
    }
    frame.SetCommandHandler(kCmdRestorePoints, [view, &services, prepare, points] {
        if (!view || view->operations().busy()) return;
        prepare();
        CRestorePointsDlg::Actions actions;
        actions.compare = [view](const std::string& path) {
            if (view) view->operations().CompareFile(path);
        };
        actions.restore = [view](const std::string& path) {
            if (view) view->operations().DownloadFile(path, "restore");
        };
        CRestorePointsDlg dialog(*points, UnitIdentity::Of(services.document.GetIdentification()),
                                 services.prompt, std::move(actions), services.frame.Window());
        dialog.exec();
    });
    frame.SetCommandHandler(kCmdViewComments, [&services, &frame] {
        ViewCalFileComments(services.prompt, frame.Window());
    });
}

}  // namespace zvr
