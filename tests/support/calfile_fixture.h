#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <memory>
#include <sstream>

#include "calibration/cal_file_operations.h"
#include "comm/data_server.h"
#include "definitions/cal_file.h"
#include "support/sample_definitions.h"
#include "support/scalar_memory_controller.h"
#include "support/scripted_prompt.h"

namespace zvr::test {

// A scalar of the given size at an EEPROM address, with its file value.
inline ScalarDef Scalar(std::string name, int16_t size, uint32_t address, uint32_t fileRaw,
                        char type = 'U', int8_t binaryPoint = 0) {
    ScalarDef def;
    def.scaling = {type, size, binaryPoint};
    def.eepromAddress = address;
    def.fileRaw = fileRaw;
    def.name = std::move(name);
    def.units = "rpm";
    return def;
}

inline void WriteCal(DefinitionSet set, const std::string& path, const std::string& strategy) {
    set.header.strategyName = strategy;
    WriteBytes(path, WrittenBytes(set, path));
}

// The windows of the commands, scripted: records the progress shown, answers the text
// dialogs in turn and remembers what would have been opened.
class RecordingUi : public CalFileUi {
public:
    std::vector<ProgressState> progress;
    int hides = 0;
    bool visible = false;
    std::vector<TextDialogRequest> texts;
    std::deque<std::optional<std::string>> textAnswers;  // unscripted: cancelled
    std::vector<std::string> opened;
    std::vector<std::string> editedPaths;
    std::function<void(DefinitionSet&)> editComments;

    void ShowProgress(const ProgressState& state) override {
        progress.push_back(state);
        visible = true;
    }
    void HideProgress() override {
        ++hides;
        visible = false;
    }
    bool EditComments(DefinitionSet& set, const std::string& path) override {
        editedPaths.push_back(path);
        if (editComments) editComments(set);
        return true;
    }
    std::optional<std::string> ShowText(const TextDialogRequest& request) override {
        texts.push_back(request);
        if (textAnswers.empty()) return std::nullopt;
        auto answer = textAnswers.front();
        textAnswers.pop_front();
        return answer;
    }
    void OpenWithShell(const std::string& path) override { opened.push_back(path); }
};

// A document connected to a memory controller over a pty, and the host's receiver.
class LinkFixture : public testing::Test {
protected:
    static constexpr int kTicks = 10;  // about 200 ms of silence before a time-out

    void Connect(const std::string& strategyFile = "ZVX41R03") {
        controller.SetStrategyFile(strategyFile);
        ASSERT_EQ(document->OpenPort(controller.path(), kTicks), 0);
        ASSERT_EQ(document->RequestIdentify(receiver, 1124, 1125, 0), 0);
        ASSERT_EQ(receiver->wait(std::chrono::seconds(3)), (PostedMessage{1124, 1, 0}));
    }

    // Hands posted messages to handle until done() or no message comes for a while.
    template <typename Handle, typename Done>
    void Pump(Handle handle, Done done) {
        while (!done()) {
            auto message = receiver->wait(std::chrono::seconds(3));
            if (!message) return;
            handle(*message);
        }
    }

    ScalarMemoryController controller;
    std::unique_ptr<CDataServer> document = std::make_unique<CDataServer>();
    std::shared_ptr<QueueReceiver> receiver = std::make_shared<QueueReceiver>();
    ScriptedPrompt prompt;
    RecordingUi ui;

    void TearDown() override { document.reset(); }
};

}  // namespace zvr::test
