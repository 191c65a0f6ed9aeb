#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "control_command.h"
#include "control_socket.h"
#include "link_server.h"
#include "pty_link.h"
#include "sim_options.h"
#include "simulator_state.h"

namespace zvr::sim {

// zvr-sim as a whole: loads the strategy, lays out the unit, opens the line and the control
// socket, and runs the link thread and the control thread until stopped.
class Simulator {
public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Everything that can be refused is refused here, with a message fit for the user: a
    // strategy that does not load (with its result code), a name the identification reply
    // cannot spell, an unusable EEPROM file, script, link or socket path.
    bool start(const SimOptions& options, std::string& error);
    // Joins the threads and removes the link and the control socket. Safe to call twice.
    void stop();

    // "zvr-sim: link PATH control CONTROLPATH".
    std::string startupLine() const;
    const std::string& linkPath() const { return linkPath_; }
    const std::string& controlPath() const { return controlPath_; }

    // One control command: "ok", "ok VALUE" for get, or "error: ...".
    std::string execute(std::string_view line);

    // Readable once a quit command asked the simulator to end.
    int quitFd() const { return quitFd_; }
    void requestQuit();

    // Runs f on the unit under the simulator's lock (tests and benchmarks look inside).
    template <typename F>
    auto withUnit(F&& f) {
        std::lock_guard lock(state_->mutex);
        return f(*state_->unit);
    }

    // Runs f on the line faults under the simulator's lock (benchmarks place late replies).
    template <typename F>
    auto withLineFaults(F&& f) {
        std::lock_guard lock(state_->mutex);
        return f(state_->lineFaults);
    }

    // The unit keeps answering a continuous read.
    bool streaming() {
        std::lock_guard lock(state_->mutex);
        return state_->responder->streaming();
    }

private:
    std::string apply(const ControlCommand& command);
    void controlLoop();
    bool preparePaths(const SimOptions& options, std::string& error);
    bool loadScript(const std::string& path, std::string& error);

    std::unique_ptr<SimulatorState> state_;
    PtyLink link_;
    ControlSocket control_;
    std::unique_ptr<LinkServer> linkServer_;
    std::vector<ScriptStep> script_;
    std::string linkPath_;
    std::string controlPath_;
    std::string temporaryDirectory_;  // made for the default paths; removed at stop
    std::atomic<bool> stopping_{false};
    int stopFd_ = -1;  // wakes both threads at stop
    int quitFd_ = -1;
    std::thread linkThread_;
    std::thread controlThread_;
    std::chrono::steady_clock::time_point startTime_{};
};

}  // namespace zvr::sim
