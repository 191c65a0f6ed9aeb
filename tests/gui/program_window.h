#pragma once

#include <QApplication>

#include "app/main_frame.h"
#include "gui/view_test_support.h"
#include "gui_base/app_services.h"
#include "settings/memory_settings_store.h"

namespace zvr::test {

// The main window with the document, settings and prompt the program gives it, finding the
// strategies in the build's data folder. Tests register the commands they need on services.
struct ProgramWindow {
    ProgramWindow()
        : frame(MainFrameContext{document,
                                 settings,
                                 prompt,
                                 false,
                                 [](const std::string& name) -> std::optional<std::string> {
                                     return StrategyPath(name.substr(0, name.find('.')));
                                 },
                                 {}}),
          services{document, settings, prompt, frame, false, "."} {
        document.SetDemoTicks(kTestDemoTicks);
    }
    ~ProgramWindow() { Close(); }

    // Closes the views, then the link; a fixture whose controller goes before the window
    // calls it first.
    void Close() {
        frame.workArea()->closeAllSubWindows();
        QApplication::processEvents();
        document.Close();
    }

    CDataServer document;
    MemorySettingsStore store;
    CRegistrySettings settings{store};
    ScriptedPrompt prompt;
    CMainFrame frame;
    AppServices services;
};

}  // namespace zvr::test
