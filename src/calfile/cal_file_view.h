#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "calfile/cal_file_prompt.h"
#include "calfile/progress_dialog.h"
#include "calibration/cal_file_operations.h"
#include "comm/data_server.h"
#include "gui_base/request_channel.h"

namespace zvr {

struct AppServices;

// The host of the calibration-file commands: a view of the document that is never shown. It
// runs the commands' walks with the "ZVR PROGRESS" dialog, receives their notifications, and
// shows the comment editor and the text dialogs they ask for.
class CCalFile : public QWidget, public DocumentView, private CalFileUi {
    Q_OBJECT
public:
    // prompt: message boxes and file choices (cal files to open are chosen with the comment
    // panel); parent: the main window.
    CCalFile(CDataServer& document, UserPrompt& prompt, bool engineeringMode,
             std::string startDirectory, QWidget* parent);
    ~CCalFile() override;

    CalFileOperations& operations() { return operations_; }
    CProgressDlg* progressDialog() const { return progress_; }
    // How a written text file is opened: the desktop's viewer unless replaced. The opener
    // answers false when nothing could open the file; the program then shows it itself.
    void SetShellOpener(std::function<bool(const std::string&)> open) {
        shellOpener_ = std::move(open);
    }

    void OnDocumentUpdate(int hint) override;

private:
    void ShowProgress(const ProgressState& state) override;
    void HideProgress() override;
    bool EditComments(DefinitionSet& set, const std::string& path) override;
    std::optional<std::string> ShowText(const TextDialogRequest& request) override;
    void OpenWithShell(const std::string& path) override;

    CDataServer& document_;
    UserPrompt& prompt_;
    RequestChannel channel_;
    QPointer<CProgressDlg> progress_;  // a window of the main window's, not of this hidden view
    std::function<bool(const std::string&)> shellOpener_;
    CalFileOperations operations_;
};

}  // namespace zvr
