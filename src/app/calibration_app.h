#pragma once

#include <memory>
#include <string>

#include "app/main_frame.h"
#include "comm/data_server.h"
#include "connection/command_line.h"
#include "gui_base/app_services.h"
#include "gui_base/qt_prompt.h"
#include "settings/registry_settings.h"

namespace zvr {

// The program: its one document, settings, prompt and main window, and the start-up
// sequence that ends in the connection.
class CCalibrationApp {
public:
    // store: where settings live (the user's QSettings in the program, memory in tests).
    CCalibrationApp(CommandLine commandLine, std::unique_ptr<SettingsStore> store);
    ~CCalibrationApp();

    // Shows the main window and starts the connection. Called from the running event loop,
    // so a scripted run can end the program from inside a message box.
    void Start();

    CMainFrame& mainFrame() { return *frame_; }
    AppServices& services() { return *services_; }
    CDataServer& document() { return document_; }
    const std::string& startDirectory() const { return startDirectory_; }
    bool engineeringMode() const { return commandLine_.engineeringMode; }

private:
    CommandLine commandLine_;
    std::string startDirectory_;
    std::unique_ptr<SettingsStore> store_;
    CRegistrySettings settings_;
    CDataServer document_;
    QtPrompt prompt_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<AppServices> services_;
};

}  // namespace zvr
