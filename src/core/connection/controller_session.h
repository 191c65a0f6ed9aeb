#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "comm/data_server.h"
#include "common/user_prompt.h"
#include "connection/connection_workflow.h"
#include "settings/memory_settings_store.h"

namespace zvr {

// Said after a failed read when the link kept delivering replies that no request asked for.
inline constexpr const char* kOutOfStepAdvice =
    " (replies came that no request asked for, so the value cannot be trusted; check the line "
    "and try again)";

// A controller link for a program without windows: opens the port or the demo, identifies
// the controller exactly as the main window does (four attempts, then the Retry question),
// loads the strategy file it names, and then answers requests one at a time, pumping the
// link's notifications on the caller's thread.
class ControllerSession : private ConnectionShell {
public:
    ControllerSession(CDataServer& document, UserPrompt& prompt, StrategyLocator locate);
    ~ControllerSession() override;

    // Shorter reply time-outs, for tests.
    void SetTimeoutTicks(int ticks) { workflow_.SetTimeoutTicks(ticks); }
    // Asked while waiting for the controller: once it says true, every wait ends as failed
    // (a signal asked the program to end; the caller then stops the controller and leaves).
    void SetInterrupted(std::function<bool()> interrupted) {
        interrupted_ = std::move(interrupted);
    }

    // True once the controller (or demo) is identified and its strategy loaded; otherwise
    // failure() says what failed.
    bool Connect(const std::string& portName,
                 std::chrono::milliseconds limit = std::chrono::seconds(60));
    const std::string& failure() const { return failure_; }
    // The strategy file the controller (or the demo key) named that no folder held, after a
    // failed Connect; empty when the failure was another.
    const std::string& unfoundStrategy() const { return unfound_; }

    // One read of scalars or stored words; the words in address order, a one-byte item in
    // the high byte. A read that fails or times out is tried kWalkRetries more times (the
    // link sends it once the line has settled). Nothing when every try failed, or when the
    // link stayed out of step (frames nobody asked for kept coming) through kOutOfStepRereads
    // more reads.
    std::optional<std::vector<uint16_t>> ReadOnce(std::span<const uint16_t> addresses);
    static constexpr int kOutOfStepRereads = 2;
    // Whether the last failed read failed because the link was out of step.
    bool OutOfStep() const { return outOfStep_; }
    // One set of a continuous read, which is stopped again.
    std::optional<std::vector<uint16_t>> ReadVariablesOnce(std::span<const uint16_t> addresses);
    // Write and commit; false when refused, rejected or timed out. A write whose commit was
    // not confirmed counts as done when the link reads the new value back; when it reads
    // another one, the write goes out again (up to kWalkRetries more times). After a failure
    // the document's LastWriteCheck() says what the controller was found to hold.
    bool Write(uint16_t address, uint16_t value, int size);

    // Continuous read: Start, then Next for each set until Stop.
    bool StartContinuous(std::span<const uint16_t> addresses);
    // The next set, or nothing when none came within the wait (a time-out or a rejected
    // reply counts as none).
    std::optional<std::vector<uint16_t>> Next(std::chrono::milliseconds wait);
    // The next outcome of a continuous read: a set of words, a set the checks rejected (the
    // read goes on), or a time-out (nothing came within the link's time-out or the wait).
    struct ContinuousSet {
        enum Outcome { Values, Rejected, TimedOut } outcome = TimedOut;
        std::vector<uint16_t> values;
    };
    ContinuousSet NextSet(std::chrono::milliseconds wait);
    void Stop();

    CDataServer& document() { return document_; }
    // How long a request may take before it counts as failed: the link may first wait for the
    // line to settle, and may read a write back before it reports.
    std::chrono::milliseconds ReplyLimit() const;

private:
    // ConnectionShell: the workflow's view of this session.
    void SetPane(int, const std::string&) override {}
    void SetCaption(const std::string&) override {}
    void ShowNoControllerMenu() override {}
    void ShowFullMenu(const std::string&) override {}
    void MarkPortEntry(const std::string&) override {}
    void ShowPortDialog() override;
    void PostCommand(int) override {}
    void ExitProgram(int) override;
    void WatchForDevice(const std::string&) override;

    std::optional<PostedMessage> Await(std::chrono::milliseconds limit);
    bool Interrupted() const { return interrupted_ && interrupted_(); }

    // What the workflow says while connecting: a question goes to the person, a notice is
    // kept, since the session's failure() restates it in one line (and a connection that
    // succeeds shows the notices after all).
    class NoticeKeeper : public UserPrompt {
    public:
        explicit NoticeKeeper(UserPrompt& person) : person_(person) {}
        PromptAnswer show(const PromptMessage& message) override;
        std::optional<std::string> chooseFile(const FileChoice& choice) override {
            return person_.chooseFile(choice);
        }
        // Hands the kept notices to the person.
        void Release();
        std::vector<PromptMessage> notices;

    private:
        UserPrompt& person_;
    };
    std::optional<std::string> Locate(const std::string& name);
    // Why a demo key did not start, or a strategy file did not load.
    std::string StrategyFailure(const std::string& fileName) const;

    CDataServer& document_;
    NoticeKeeper notices_;
    StrategyLocator locate_;
    std::string unfound_;  // the strategy file last looked for in vain
    // The port chosen here is not the desktop program's: it stays in memory.
    MemorySettingsStore store_;
    CRegistrySettings settings_{store_};
    std::shared_ptr<QueueReceiver> workflowReceiver_;
    std::shared_ptr<QueueReceiver> requests_;
    ConnectionWorkflow workflow_;
    bool failed_ = false;
    bool outOfStep_ = false;
    std::string failure_;
    std::vector<uint16_t> continuous_;
    std::function<bool()> interrupted_;
};

}  // namespace zvr
