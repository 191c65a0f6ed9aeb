#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <memory>
#include <string>

#include "comm/data_server.h"
#include "definitions/cal_file.h"
#include "gui/gui_test_support.h"
#include "support/memory_controller.h"
#include "support/scripted_prompt.h"

namespace zvr::test {

inline constexpr int kTestTimeoutTicks = 25;         // about half a second of silence
inline constexpr int kTestDemoTicks = 2;             // a demo answer in about 20 ms instead of 100
inline constexpr int kTestTimeoutDialogTickMs = 10;  // the time-out dialog's countdown in 0.5 s

inline std::string StrategyPath(const std::string& name) {
    return std::string(ZVR_STRATEGY_DIR) + "/" + name + ".000";
}

// A document loaded with a shipped strategy and linked to a controller on a pty whose
// EEPROM holds the strategy's values. Views under test sit in child frames of an MDI area,
// as in the program.
struct LinkedDocument {
    explicit LinkedDocument(const std::string& strategy = "ZVX41R03") : controller(strategy) {
        ScriptedPrompt loadPrompt;
        loaded = document.Load(StrategyPath(strategy), loadPrompt) == 0;
        for (const auto& scalar : document.definitions.scalars.entries()) {
            if (scalar->scaling.size == 1) {
                controller.setByte(static_cast<uint16_t>(scalar->eepromAddress),
                                   static_cast<uint8_t>(scalar->fileRaw));
            } else {
                controller.setWord(static_cast<uint16_t>(scalar->eepromAddress),
                                   static_cast<uint16_t>(scalar->fileRaw));
            }
        }
        opened = document.OpenPort(controller.path(), kTestTimeoutTicks) == 0;
    }
    ~LinkedDocument() { document.Close(); }

    // Puts a view in a child frame and runs its first update.
    template <typename View>
    View* Show(View* view) {
        QMdiSubWindow* frame = area.addSubWindow(view);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->show();
        view->OnInitialUpdate();
        return view;
    }

    MemoryController controller;
    CDataServer document;
    ScriptedPrompt prompt;
    QMdiArea area;
    bool loaded = false;
    bool opened = false;
};

}  // namespace zvr::test
