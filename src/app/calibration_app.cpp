#include "app/calibration_app.h"

#include <filesystem>
#include <memory>

#include "app/scripted_screenshot.h"
#include "app/wizard_commands.h"
#include "calfile/calfile_commands.h"
#include "connection/controller_model.h"
#include "definitions/scaling.h"
#include "gui_base/latin1.h"
#include "strategy/strategy_locator.h"
#include "views/monitoring_commands.h"
#include "views/parameter_list_commands.h"
#include "views/plot_commands.h"

namespace zvr {

CCalibrationApp::CCalibrationApp(CommandLine commandLine, std::unique_ptr<SettingsStore> store)
    : commandLine_(std::move(commandLine)),
      startDirectory_(std::filesystem::current_path().string()),
      store_(std::move(store)),
      settings_(*store_) {
    const StrategySearchPath search =
        StrategySearchPath::FromEnvironment(commandLine_.strategyDirs);
    std::vector<std::string> extraPorts;
    if (commandLine_.port && !IsDemoKey(*commandLine_.port))
        extraPorts.push_back(*commandLine_.port);
    frame_ = std::make_unique<CMainFrame>(MainFrameContext{
        document_, settings_, prompt_, commandLine_.engineeringMode,
        [search](const std::string& name) { return LocateStrategyFile(name, search); },
        extraPorts});
    prompt_.SetParent(frame_.get());
    SetSeriousErrorPrompt(&prompt_);
    services_ = std::make_unique<AppServices>(AppServices{
        document_, settings_, prompt_, *frame_, commandLine_.engineeringMode, startDirectory_});
    RegisterMonitoringCommands(*services_);
    RegisterParameterListCommands(*services_);
    RegisterPlotCommands(*services_);
    RegisterCalFileCommands(*services_);
    RegisterCalibrationWizards(*frame_, document_, prompt_, settings_);
}

CCalibrationApp::~CCalibrationApp() {
    SetSeriousErrorPrompt(nullptr);
    services_.reset();
    frame_.reset();
    document_.Close();
}

void CCalibrationApp::Start() {
    frame_->showMaximized();
    frame_->ApplyStoredPosition();
    frame_->SetCaption("ZVR Initializing");
    // Before the connection starts: a port that cannot be opened shows a message box, and
    // the picture is taken while it is up.
    if (commandLine_.screenshot)
        new ScriptedScreenshot(*frame_, document_, *commandLine_.screenshot);
    if (commandLine_.port) {
        frame_->ShowNoControllerMenu();
        frame_->workflow().PortChosen(*commandLine_.port);
    } else {
        frame_->workflow().Start();
    }
}

}  // namespace zvr
