#include "app/main_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiSubWindow>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <thread>

#include "app/info_dialogs.h"
#include "comm/serial_port_list.h"
#include "common/user_prompt.h"
#include "connection/command_ids.h"
#include "connection/controller_model.h"
#include "gui_base/latin1.h"

namespace zvr {

CMainFrame::CMainFrame(MainFrameContext context, QWidget* parent)
    : QMainWindow(parent),
      context_(std::move(context)),
      channel_(this, [this](const PostedMessage& message) { workflow_.OnMessage(message); }),
      workflow_(context_.document, context_.settings, *this, context_.prompt, context_.locate),
      menus_(new MainMenus(this)),
      workArea_(new MdiBackground(this)) {
    workflow_.SetReceiver(channel_.Current());
    setCentralWidget(workArea_);
    CreateStatusPanes();
    CreateToolBar();
    AddBuiltInCommands();
    connect(menus_, &MainMenus::commandTriggered, this, &CMainFrame::OnCommand);
    connect(workArea_, &QMdiArea::subWindowActivated, this, [this] { UpdateCommandStates(); });
    connect(&deviceTimer_, &QTimer::timeout, this, &CMainFrame::CheckDeviceWatch);
    ShowNoControllerMenu();
}

CMainFrame::~CMainFrame() {
    // Closing the child frames during the QWidget teardown activates others; by then this is
    // no longer a CMainFrame to update.
    disconnect(workArea_, nullptr, this, nullptr);
    channel_.Close();
    delete deviceNotifier_.data();  // before the watch closes the descriptor it listens to
}

void CMainFrame::CreateStatusPanes() {
    const int width = fontMetrics().horizontalAdvance(QStringLiteral("EXT------"));
    for (int i = 0; i < 3; ++i) {
        panes_[i] = new QLabel(QStringLiteral(" "), this);
        panes_[i]->setObjectName(QStringLiteral("pane%1").arg(i));
        if (i > 0) panes_[i]->setMinimumWidth(width);
    }
    statusBar()->addWidget(panes_[0], 1);
    statusBar()->addPermanentWidget(panes_[1]);
    statusBar()->addPermanentWidget(panes_[2]);
    panes_[2]->setText(context_.engineeringMode ? QStringLiteral("ENG") : QStringLiteral("USER"));
}

void CMainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setAllowedAreas(Qt::AllToolBarAreas);
    const std::pair<int, QStyle::StandardPixmap> buttons[] = {
        {kCmdSaveCal, QStyle::SP_DialogSaveButton},
        {kCmdChangeCalibration, QStyle::SP_FileDialogDetailedView},
        {kCmdParameterView, QStyle::SP_FileDialogListView},
        {kCmdParameterPlot, QStyle::SP_MediaPlay},
        {kCmdDisplayFaults, QStyle::SP_MessageBoxWarning},
        {kCmdCalibrationWizard, QStyle::SP_ArrowForward},
        {kCmdAbout, QStyle::SP_MessageBoxInformation},
    };
    for (auto [command, icon] : buttons) {
        QAction* action = menus_->action(command);
        action->setIcon(style()->standardIcon(icon));
        bar->addAction(action);
    }
}

void CMainFrame::AddBuiltInCommands() {
    for (const ControllerModel& model : ControllerModels()) {
        handlers_[model.menuCommand] = [this, key = std::string(model.demoKey)] {
            workflow_.PortChosen(key);
        };
    }
    handlers_[kCmdCom1] = [this] { workflow_.PortChosen("COM1"); };
    handlers_[kCmdCom2] = [this] { workflow_.PortChosen("COM2"); };
    handlers_[kCmdCustomPort] = [this] { ShowPortDialog(); };
    handlers_[kCmdControlStrategy] = [this] {
        context_.prompt.inform(ControlStrategyText(context_.document.GetIdentification()));
    };
    handlers_[kCmdCalibrationWizard] = [this] { RunWizard(); };
    handlers_[kCmdAbout] = [this] { AboutDialog(this).exec(); };
    handlers_[kCmdUserManuals] = [this] { ManualsDialog(this).exec(); };
    handlers_[kCmdExit] = [this] { close(); };
}

void CMainFrame::SetCommandHandler(int command, std::function<void()> handler,
                                   std::function<bool()> enabledWhen) {
    handlers_[command] = std::move(handler);
    if (enabledWhen) {
        conditions_[command] = std::move(enabledWhen);
    } else {
        conditions_.erase(command);
    }
    UpdateCommandStates();
}

void CMainFrame::SetWizard(ModelKind kind, std::function<void()> run) {
    wizards_[kind] = std::move(run);
    UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates() {
    const ControllerModel* model =
        WizardModelFor(context_.document.definitions.header.strategyName);
    for (auto& [command, action] : menus_->actions()) {
        bool enabled = handlers_.count(command) != 0 && menus_->InShownMenu(command);
        if (auto condition = conditions_.find(command); condition != conditions_.end())
            enabled = enabled && condition->second();
        if (command == kCmdCalibrationWizard) {
            enabled = model && wizards_.count(model->kind) && menus_->InShownMenu(command);
        }
        action->setEnabled(enabled);
    }
}

void CMainFrame::OnCommand(int command) {
    QAction* action = menus_->action(command);
    auto handler = handlers_.find(command);
    if (handler == handlers_.end() || (action && !action->isEnabled())) return;
    handler->second();
}

void CMainFrame::RunWizard() {
    context_.document.QuietTheLink();
    const std::string& strategy = context_.document.definitions.header.strategyName;
    const ControllerModel* model = WizardModelFor(strategy);
    if (model == nullptr) {
        context_.prompt.plain(WizardRefusalText(strategy));
        return;
    }
    if (auto wizard = wizards_.find(model->kind); wizard != wizards_.end()) wizard->second();
}

QMdiSubWindow* CMainFrame::AddChildFrame(QWidget* view) {
    QMdiSubWindow* frame = workArea_->addSubWindow(view);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowFlags(frame->windowFlags() & ~Qt::WindowMaximizeButtonHint);
    frame->show();
    return frame;
}

QWidget* CMainFrame::CurrentView() const {
    QMdiSubWindow* frame = workArea_->currentSubWindow();
    return frame != nullptr ? frame->widget() : nullptr;
}

QString CMainFrame::paneText(int pane) const { return panes_[pane]->text(); }

void CMainFrame::SetPane(int pane, const std::string& text) {
    if (pane >= 0 && pane < 3) panes_[pane]->setText(ToQ(text));
}

void CMainFrame::SetCaption(const std::string& caption) { setWindowTitle(ToQ(caption)); }

void CMainFrame::ShowNoControllerMenu() {
    menus_->ShowNoController(menuBar());
    UpdateCommandStates();
}

void CMainFrame::ShowFullMenu(const std::string& productWord) {
    menus_->ShowFull(menuBar(), productWord);
    UpdateCommandStates();
}

void CMainFrame::MarkPortEntry(const std::string& portName) { menus_->MarkPort(portName); }

void CMainFrame::ShowPortDialog() {
    if (portDialog_) {
        portDialog_->disconnect(this);
        portDialog_->deleteLater();
    }
    const std::string preset = context_.settings.ReadComPort().value_or("");
    auto* dialog = new CCommConfigDlg(preset, ListSerialPorts(context_.extraPorts), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    portDialog_ = dialog;
    // The choice is acted on once the dialog has finished closing: acting on it may open the
    // dialog again.
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        QTimer::singleShot(0, this,
                           [this, name = dialog->portName()] { workflow_.PortChosen(name); });
    });
    connect(dialog, &QDialog::rejected, this,
            [this] { QTimer::singleShot(0, this, [this] { workflow_.PortDialogCancelled(); }); });
    dialog->open();
}

void CMainFrame::WatchForDevice(const std::string& devicePath) {
    delete deviceNotifier_.data();
    deviceWatch_ = std::make_unique<DeviceWatch>(devicePath);
    if (deviceWatch_->fd() >= 0) {
        deviceNotifier_ = new QSocketNotifier(deviceWatch_->fd(), QSocketNotifier::Read, this);
        connect(deviceNotifier_, &QSocketNotifier::activated, this, &CMainFrame::CheckDeviceWatch);
    }
    deviceTimer_.start(1000);
    CheckDeviceWatch();
}

void CMainFrame::CheckDeviceWatch() {
    if (!deviceWatch_) return;
    deviceWatch_->Changed();
    // A new connection chosen meanwhile ends the wait.
    if (!workflow_.WaitingForDevice() || deviceWatch_->Present()) {
        delete deviceNotifier_.data();
        deviceTimer_.stop();
        deviceWatch_.reset();
        workflow_.DeviceReturned();
    }
}

void CMainFrame::PostCommand(int command) {
    QTimer::singleShot(0, this, [this, command] { OnCommand(command); });
}

void CMainFrame::ExitProgram(int code) {
    requestedExit_ = code;
    QTimer::singleShot(0, qApp, [code] { QCoreApplication::exit(code); });
}

void CMainFrame::ApplyStoredPosition() {
    const std::optional<WindowRect> stored = context_.settings.ReadWindowPosition();
    const QRect screen =
        (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
    if (!stored || !AcceptWindowPosition(*stored, screen.width(), screen.height())) return;
    showNormal();
    setGeometry(stored->x, stored->y, stored->width, stored->height);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The views close first, so that one holding a value the user typed but did not write
    // can ask, and keep the program open when the user says so.
    workArea_->closeAllSubWindows();
    for (const QMdiSubWindow* frame : workArea_->subWindowList()) {
        if (frame->isVisible()) {
            event->ignore();
            return;
        }
    }
    if (!closed_) {
        closed_ = true;
        const QRect rect = geometry();
        context_.settings.WriteWindowPosition({rect.x(), rect.y(), rect.width(), rect.height()});
        if (context_.document.HasViews()) context_.document.QuietTheLink();
        context_.document.SendCloseNotice();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        context_.document.Close();
    }
    event->accept();
}

}  // namespace zvr
