#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "comm/data_server.h"
#include "comm/message_receiver.h"
#include "command.h"
#include "connection/controller_session.h"
#include "strategy/strategy_locator.h"
#include "strategy/strategy_source.h"

namespace zvr {
class PasswordSession;
}

namespace zvr::cli {

// The controller a command talks to: the port of --port (a device, a pseudo-terminal link or
// a demo key), identified as ZVR does, with its strategy from the current directory,
// --strategy-dir folders and the data folders.
// Says once, on the error stream, that the traffic log cannot be written (a full disk); the
// command goes on without it. Asked while the command runs, and once more when the link
// is gone and its last lines have been written.
class TrafficLogNotice {
public:
    explicit TrafficLogNotice(CommandContext& context) : context_(context) {}
    ~TrafficLogNotice() { Report(); }
    TrafficLogNotice(const TrafficLogNotice&) = delete;
    TrafficLogNotice& operator=(const TrafficLogNotice&) = delete;

    void Watch(const CLogFile& log);
    void Report();

private:
    CommandContext& context_;
    std::string path_;
    std::shared_ptr<const std::atomic<int>> error_;
    bool said_ = false;
};

struct ControllerLink {
    TrafficLogNotice logNotice;  // first: it reports after the link has written its last lines
    StrategySearchPath search;
    CDataServer document;
    ControllerSession session;

    ControllerLink(CommandContext& context, const Arguments& args);

    // Connects and gives kExitOk, or the command's exit code (2 without --port, 3 when the
    // port, the controller or its strategy failed) with one line saying what failed.
    int Connect(CommandContext& context, std::string_view command, const Arguments& args);
    // Opens the controller's access with a password, as Change Calibration's password gate
    // does. A check whose answer was lost is a link failure, never a wrong password.
    enum class Access { Open, Refused, LinkFailed };
    Access OpenAccess(CommandContext& context, const std::string& password);
};

// Where a command looks for strategy files: the current folder, its --strategy-dir folders,
// the global ones, and the data folders.
StrategySearchPath SearchPathFor(const CommandContext& context, const Arguments& args);
// Said when the controller did not answer a password check.
inline constexpr const char* kCommunicationError = "There was a communication error.";

// Types text into a password session and presses OK.
void EnterPassword(PasswordSession& session, const std::string& text);
// Hands a password session the controller's answers until it no longer waits for one. False
// when none came within limit, or the controller's answer was lost (the session shows why).
bool AwaitPasswordAnswers(PasswordSession& session, QueueReceiver& answers,
                          std::chrono::milliseconds limit);

}  // namespace zvr::cli
