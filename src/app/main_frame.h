#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "app/comm_config_dialog.h"
#include "app/main_menus.h"
#include "app/mdi_background.h"
#include "comm/data_server.h"
#include "comm/device_watch.h"
#include "connection/connection_workflow.h"
#include "gui_base/request_channel.h"
#include "gui_base/view_host.h"

namespace zvr {

class UserPrompt;

// What the main window works with; the application owns all of it.
struct MainFrameContext {
    CDataServer& document;
    CRegistrySettings& settings;
    UserPrompt& prompt;
    bool engineeringMode = false;
    StrategyLocator locate;
    std::vector<std::string> extraPorts;  // offered by the port dialog besides those found
};

// The main window: menus swapped with the connection state, the toolbar, the three status
// panes (messages; port or "DEMO"; "ENG" or "USER"), the work area for the views, and the
// connection workflow it shows.
class CMainFrame : public QMainWindow, public ConnectionShell, public ViewHost {
    Q_OBJECT
public:
    explicit CMainFrame(MainFrameContext context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    ConnectionWorkflow& workflow() { return workflow_; }
    MainMenus& menus() { return *menus_; }
    MdiBackground* workArea() const { return workArea_; }
    QString paneText(int pane) const;
    // The port dialog while it is open.
    CCommConfigDlg* portDialog() const { return portDialog_; }
    std::optional<int> requestedExit() const { return requestedExit_; }

    // Shows a view in a child frame of the work area: no maximise box, the view sets its
    // caption. The frame is deleted when it closes.
    QMdiSubWindow* AddChildFrame(QWidget* view) override;
    // The view of the current child frame, if any.
    QWidget* CurrentView() const override;

    // Puts the window where it was last closed, when that place is acceptable.
    void ApplyStoredPosition();

    // A command from a menu, the toolbar or PostCommand. Commands without a handler are
    // disabled and do nothing.
    void OnCommand(int command);
    // Commands of the views and operations, as they land. A command with a condition is
    // enabled only while the condition holds; it is asked again whenever another view
    // becomes the current one.
    void SetCommandHandler(int command, std::function<void()> handler,
                           std::function<bool()> enabledWhen = {}) override;
    // Whether a command has a handler (a view offers a command only when it does).
    bool HasCommand(int command) const override { return handlers_.count(command) != 0; }
    // The wizard a model's strategy runs.
    void SetWizard(ModelKind kind, std::function<void()> run);
    QWidget* Window() override { return this; }

    // ConnectionShell
    void SetPane(int pane, const std::string& text) override;
    void SetCaption(const std::string& caption) override;
    void ShowNoControllerMenu() override;
    void ShowFullMenu(const std::string& productWord) override;
    void MarkPortEntry(const std::string& portName) override;
    void ShowPortDialog() override;
    void PostCommand(int command) override;
    void ExitProgram(int code) override;
    void WatchForDevice(const std::string& devicePath) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateStatusPanes();
    void CreateToolBar();
    void AddBuiltInCommands();
    void UpdateCommandStates();
    void RunWizard();
    void CheckDeviceWatch();

    MainFrameContext context_;
    RequestChannel channel_;
    ConnectionWorkflow workflow_;
    MainMenus* menus_;
    MdiBackground* workArea_;
    QLabel* panes_[3];
    QPointer<CCommConfigDlg> portDialog_;
    std::map<int, std::function<void()>> handlers_;
    std::map<int, std::function<bool()>> conditions_;
    std::map<ModelKind, std::function<void()>> wizards_;
    std::optional<int> requestedExit_;
    bool closed_ = false;
    // While a vanished device is awaited: its watch, woken by notifications, and a slow
    // timer for what notifications miss.
    std::unique_ptr<DeviceWatch> deviceWatch_;
    QPointer<QSocketNotifier> deviceNotifier_;
    QTimer deviceTimer_;
};

}  // namespace zvr
