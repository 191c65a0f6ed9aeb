#pragma once

#include <functional>
#include <optional>
#include <string>

#include "comm/data_server.h"
#include "comm/message_receiver.h"
#include "settings/registry_settings.h"

namespace zvr {

class UserPrompt;

// What the main window shows of the connection; the workflow decides, the window shows.
class ConnectionShell {
public:
    virtual ~ConnectionShell() = default;
    virtual void SetPane(int pane, const std::string& text) = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void ShowNoControllerMenu() = 0;
    // The full menu, with the product word in the texts that name the product.
    virtual void ShowFullMenu(const std::string& productWord) = 0;
    // Radio mark on the Configure entry for this port name.
    virtual void MarkPortEntry(const std::string& portName) = 0;
    // The port dialog; it answers with PortChosen or PortDialogCancelled.
    virtual void ShowPortDialog() = 0;
    // Runs a menu command later, as if the user had picked it.
    virtual void PostCommand(int command) = 0;
    virtual void ExitProgram(int code) = 0;
    // The device of the port has gone away: watch for it to come back under this path, then
    // call DeviceReturned. A shell that does not reconnect leaves this alone.
    virtual void WatchForDevice(const std::string& /*devicePath*/) {}
};

// Where the connection stands. The workflow decides it; the status bar shows it in words.
enum class ConnectionState {
    NotConnected,  // no port open, or the one chosen could not be opened or its strategy read
    Querying,      // a port is open and the controller is being asked who it is
    NoAnswer,      // the controller did not answer the last attempt the user was asked about
    Connected,     // identified, its strategy loaded
    Demo,          // demo mode on a demo strategy
    LinkLost,      // the device went away under the open link; waiting for it to return
};

// Finds the strategy file a controller or a demo key names; nothing when no folder has it.
using StrategyLocator = std::function<std::optional<std::string>(const std::string& fileName)>;

// Choosing a port or a demo, opening the link, asking the controller who it is (four
// attempts, then the user is asked), loading the strategy file it names, and the first look
// at its fault flags.
//
// Runs on the owner's thread. The link's notifications for `self` must be handed to
// OnMessage on that thread.
class ConnectionWorkflow {
public:
    static constexpr uint16_t kIdentifyPassword = 48619;
    static constexpr uint32_t kIdentified = 1124;
    static constexpr uint32_t kNotIdentified = 1125;
    static constexpr uint32_t kFaultFlags = 1127;
    static constexpr uint32_t kFaultFlagsFailed = 1128;
    static constexpr uint32_t kLinkLost = 1129;
    static constexpr int kAutomaticRetries = 3;

    ConnectionWorkflow(CDataServer& document, CRegistrySettings& settings, ConnectionShell& shell,
                       UserPrompt& prompt, StrategyLocator locate);

    // The handle the link posts this workflow's notifications to.
    void SetReceiver(ReceiverHandle self) { self_ = std::move(self); }
    // Reply time-out of the ports it opens, in receive passes (tests shorten it).
    void SetTimeoutTicks(int ticks) { timeoutTicks_ = ticks; }

    // Start-up: the stored port, or the port dialog when none is stored or it is a demo key.
    void Start();
    // A Configure entry or the port dialog's OK: store, mark, then open the port or the demo.
    void PortChosen(const std::string& portName);
    // The port dialog's Cancel: before the first connection the program ends.
    void PortDialogCancelled();
    void OnMessage(const PostedMessage& message);

    void OpenPort(const std::string& portName);
    void StartDemo(const std::string& demoKey);
    // The device that went away is back: open it again and identify the controller, as a
    // re-query does. Views stay open when it names the strategy already loaded.
    void DeviceReturned();
    // Waiting for a vanished device to come back.
    bool WaitingForDevice() const { return waitingForDevice_; }

    // The first look at the fault flags is under way (a continuous read that this workflow
    // stops once it has its answer, or once the line has failed it).
    bool CheckingFaultFlags() const { return faultFlags_ != nullptr; }

    // -1 until the first identification or demo start; then the port number, 0 for a demo.
    int ConnectedOnce() const { return connectedOnce_; }
    ConnectionState State() const { return state_; }
    // Connected to a controller or in demo mode.
    bool IsConnected() const {
        return state_ == ConnectionState::Connected || state_ == ConnectionState::Demo;
    }
    const std::string& PortName() const { return portName_; }
    // Why the last port did not open, as the system tells it; empty when it gave no reason.
    const std::string& OpenFailure() const { return openFailure_; }

private:
    void AskForPort();
    void SendIdentify();
    void Identified();
    void NotIdentified();
    void CheckFaultFlags();
    void FaultFlagsArrived();
    void LinkLost();
    void FaultFlagsFailed(intptr_t reason);
    void EndFaultCheck();
    // After a reconnect that kept the tables: the views that were reading start again.
    void ResumeViews();
    std::optional<std::string> LoadStrategy(const std::string& fileName);

    CDataServer& document_;
    CRegistrySettings& settings_;
    ConnectionShell& shell_;
    UserPrompt& prompt_;
    StrategyLocator locate_;
    ReceiverHandle self_;

    int timeoutTicks_ = CDataServer::kTimeoutTicks;
    std::string portName_;
    std::string openFailure_;
    int retries_ = 0;
    int connectedOnce_ = -1;
    ConnectionState state_ = ConnectionState::NotConnected;
    const VariableDef* faultFlags_ = nullptr;
    int rejectedFaultSets_ = 0;
    bool waitingForDevice_ = false;
    bool reconnecting_ = false;   // the tables may stay if the controller names them again
    bool resumeViews_ = false;    // they stayed: the views resume once the fault check ends
    std::string loadedStrategy_;  // the strategy file name the controller named last
};

}  // namespace zvr
