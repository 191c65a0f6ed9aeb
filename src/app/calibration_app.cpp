#include "app/calibration_app.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "calfile/calfile_commands.h"
#include "connection/controller_model.h"
#include "definitions/scaling.h"
#include "gui_base/latin1.h"
#include "strategy/strategy_locator.h"
#include "views/monitoring_commands.h"
#include "views/parameter_list_commands.h"
#include "views/plot_commands.h"

namespace zvr {

namespace {

// The program's resident set, from /proc.
double ResidentMiB() {
    std::FILE* status = std::fopen("/proc/self/statm", "r");
    if (status == nullptr) return 0;
    long pages = 0;
    long resident = 0;
    const int read = std::fscanf(status, "%ld %ld", &pages, &resident);
    std::fclose(status);
    const double page = static_cast<double>(sysconf(_SC_PAGESIZE));
    return read == 2 ? static_cast<double>(resident) * page / (1024.0 * 1024.0) : 0;
}

}  // namespace

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
    if (commandLine_.port) {
        frame_->ShowNoControllerMenu();
        frame_->workflow().PortChosen(*commandLine_.port);
    } else {
        frame_->workflow().Start();
    }
    if (commandLine_.screenshot) TakeScreenshotWhenConnected(*commandLine_.screenshot);
}

void CCalibrationApp::TakeScreenshotWhenConnected(const std::string& file) {
    auto* timer = new QTimer(frame_.get());
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, frame_.get(), [this, timer, started, file] {
        const bool connected = frame_->workflow().IsConnected();
        if (!connected && started->elapsed() < 60'000) return;
        timer->stop();
        // A moment for the status bar and menus to be painted in their connected state.
        if (connected) {
            std::printf("zvr: %s, %s after %lld ms, resident memory %.1f MiB\n",
                        FromQ(frame_->windowTitle()).c_str(), FromQ(frame_->paneText(0)).c_str(),
                        static_cast<long long>(started->elapsed()), ResidentMiB());
        }
        QTimer::singleShot(300, frame_.get(), [this, connected, file] {
            const bool saved = frame_->grab().save(QString::fromStdString(file));
            std::printf("%s\n", saved ? file.c_str() : "zvr: the screenshot could not be saved");
            std::fflush(stdout);
            QCoreApplication::exit(connected && saved ? 0 : 1);
        });
    });
    timer->start(100);
}

}  // namespace zvr
