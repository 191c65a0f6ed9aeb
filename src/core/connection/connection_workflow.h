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

    // -1 until the first identification or demo start; then the port number, 0 for a demo.
    int ConnectedOnce() const { return connectedOnce_; }
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
    const VariableDef* faultFlags_ = nullptr;
};

}  // namespace zvr
