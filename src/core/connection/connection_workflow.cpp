#include "connection/connection_workflow.h"

#include <utility>

#include "comm/serial_device.h"
#include "common/user_prompt.h"
#include "connection/command_ids.h"
#include "connection/controller_model.h"

namespace zvr {

namespace {

constexpr int kMessagePane = 0;
constexpr int kPortPane = 1;
// Rejected fault-flag sets in a row after which the check is given up, as four failed
// identification attempts are.
constexpr int kFaultSetAttempts = 4;

}  // namespace

ConnectionWorkflow::ConnectionWorkflow(CDataServer& document, CRegistrySettings& settings,
                                       ConnectionShell& shell, UserPrompt& prompt,
                                       StrategyLocator locate)
    : document_(document),
      settings_(settings),
      shell_(shell),
      prompt_(prompt),
      locate_(std::move(locate)) {}

void ConnectionWorkflow::Start() {
    shell_.ShowNoControllerMenu();
    const std::optional<std::string> stored = settings_.ReadComPort();
    if (!stored || IsDemoKey(*stored)) {
        AskForPort();
        return;
    }
    shell_.SetPane(kPortPane, *stored);
    OpenPort(*stored);
}

void ConnectionWorkflow::AskForPort() {
    shell_.SetPane(kMessagePane, "Select a new Port or Demo Mode");
    shell_.ShowPortDialog();
}

void ConnectionWorkflow::PortChosen(const std::string& portName) {
    reconnecting_ = false;
    settings_.WriteComPort(portName);
    shell_.MarkPortEntry(portName);
    if (IsDemoKey(portName)) {
        StartDemo(portName);
    } else {
        OpenPort(portName);
    }
}

void ConnectionWorkflow::PortDialogCancelled() {
    if (connectedOnce_ == -1) shell_.ExitProgram(-1);
}

void ConnectionWorkflow::OpenPort(const std::string& portName) {
    portName_ = portName;
    faultFlags_ = nullptr;
    waitingForDevice_ = false;
    document_.SetLinkLostNotice(self_, kLinkLost);
    if (document_.OpenPort(portName, timeoutTicks_) != 0) {
        state_ = ConnectionState::NotConnected;
        shell_.SetPane(kMessagePane, "Could not open Comm Port");
        openFailure_ = DescribeOpenFailure(portName);
        prompt_.plain("Could NOT open port " + portName +
                      (openFailure_.empty() ? "" : "\n" + openFailure_));
        AskForPort();
        return;
    }
    shell_.SetPane(kPortPane, portName);
    retries_ = 0;
    state_ = ConnectionState::Querying;
    SendIdentify();
    shell_.SetPane(kMessagePane, "Querying Controller...Please Wait");
    shell_.ShowNoControllerMenu();
}

void ConnectionWorkflow::SendIdentify() {
    document_.RequestIdentify(self_, kIdentified, kNotIdentified, kIdentifyPassword);
}

void ConnectionWorkflow::OnMessage(const PostedMessage& message) {
    switch (message.message) {
        case kIdentified:
            Identified();
            break;
        case kNotIdentified:
            NotIdentified();
            break;
        case kFaultFlags:
            FaultFlagsArrived();
            break;
        case kFaultFlagsFailed:
            FaultFlagsFailed(message.lParam);
            break;
        case kLinkLost:
            LinkLost();
            break;
        default:
            break;
    }
}

void ConnectionWorkflow::NotIdentified() {
    if (retries_ < kAutomaticRetries) {
        ++retries_;
        document_.PurgeInput();
        shell_.SetPane(kMessagePane, "Query Controller Failed, retrying...");
        SendIdentify();
        return;
    }
    state_ = ConnectionState::NoAnswer;
    shell_.SetPane(kMessagePane, "Query Controller Failed");
    if (prompt_.askYesNo("Could not find controller on open port. Retry Query?",
                         kApplicationCaption, PromptIcon::Error)) {
        state_ = ConnectionState::Querying;
        SendIdentify();
        shell_.SetPane(kMessagePane, "Retrying Query Controller...Please Wait");
    } else {
        AskForPort();
    }
}

// The device went away under the open link (an adapter pulled out): every view stops
// reading, the dead device is let go, and the shell watches for it to come back.
void ConnectionWorkflow::LinkLost() {
    // A notice from a link that has been opened again since is stale.
    if (!document_.IsOpen() || !document_.LinkLost() || IsDemoKey(portName_)) return;
    faultFlags_ = nullptr;
    waitingForDevice_ = true;
    state_ = ConnectionState::LinkLost;
    document_.UpdateAllViews(kHintLinkLost);
    document_.Close();
    shell_.SetPane(kMessagePane, "Controller link lost: waiting for " + portName_ + " to return");
    shell_.SetPane(kPortPane, portName_ + " (lost)");
    // Nothing that needs the controller can be reached until it answers again.
    shell_.ShowNoControllerMenu();
    shell_.WatchForDevice(SerialDevicePath(portName_));
}

void ConnectionWorkflow::DeviceReturned() {
    if (!waitingForDevice_) return;
    reconnecting_ = true;
    OpenPort(portName_);
}

std::optional<std::string> ConnectionWorkflow::LoadStrategy(const std::string& fileName) {
    // Back on the same controller after a reconnect: the tables (and the views on them) stay.
    if (std::exchange(reconnecting_, false) && fileName == loadedStrategy_ &&
        !document_.definitions.filePath.empty()) {
        resumeViews_ = true;
        return document_.definitions.filePath;
    }
    resumeViews_ = false;
    const std::optional<std::string> path = locate_(fileName);
    if (!path) return std::nullopt;
    document_.UpdateAllViews(kHintDefinitionsReplaced);
    loadedStrategy_.clear();
    if (document_.Load(*path, prompt_) != 0) return std::nullopt;
    loadedStrategy_ = fileName;
    return path;
}

void ConnectionWorkflow::Identified() {
    const Identification id = document_.GetIdentification();
    if (!LoadStrategy(id.strategyFileName)) {
        prompt_.plain("Controller Found, but could not open and read cal file '" +
                      id.strategyFileName + "'");
        state_ = ConnectionState::NotConnected;
        shell_.ExitProgram(-1);
        return;
    }
    state_ = ConnectionState::Connected;
    shell_.SetPane(kMessagePane, "Ready");
    shell_.SetCaption(id.modelName);
    shell_.ShowFullMenu(ProductWord(document_.definitions.header.strategyName));
    if (auto stored = settings_.ReadComPort()) shell_.MarkPortEntry(*stored);
    connectedOnce_ = PortNumber(portName_);
    CheckFaultFlags();
}

void ConnectionWorkflow::CheckFaultFlags() {
    if (document_.IsDemo()) return;
    faultFlags_ = document_.definitions.variables.find("fault_flags");
    if (faultFlags_ == nullptr) faultFlags_ = document_.definitions.variables.find("fault_flags1");
    if (faultFlags_ == nullptr) {
        ResumeViews();
        return;
    }
    rejectedFaultSets_ = 0;
    const uint16_t address[] = {static_cast<uint16_t>(faultFlags_->ramAddress)};
    if (document_.RequestReadVariables(address, self_, kFaultFlags, kFaultFlagsFailed) != 0) {
        faultFlags_ = nullptr;
        ResumeViews();
    }
}

void ConnectionWorkflow::ResumeViews() {
    if (std::exchange(resumeViews_, false)) document_.UpdateAllViews(kHintLinkBack);
}

// A failed fault-flag read offers nothing, but the continuous read must not go on: a
// controller that refused it or a line that timed out is told to stop, so nothing keeps
// streaming. A single bad set is let pass while the good ones may follow.
void ConnectionWorkflow::FaultFlagsFailed(intptr_t reason) {
    if (faultFlags_ == nullptr) return;
    if (reason != kReplyTimedOut && ++rejectedFaultSets_ < kFaultSetAttempts) return;
    EndFaultCheck();
}

// A window opened right after "Ready" may have started its own read while the fault flags were
// on their way: that read has replaced the check's, and stopping the link would leave the
// window without values.
void ConnectionWorkflow::EndFaultCheck() {
    faultFlags_ = nullptr;
    if (document_.PendingForAnother(self_)) {
        resumeViews_ = false;  // a window has taken the link since: it keeps it
        return;
    }
    document_.RequestStop();
    ResumeViews();
}

void ConnectionWorkflow::FaultFlagsArrived() {
    if (faultFlags_ == nullptr) return;  // a continuous read reporting after its stop
    if (document_.PendingForAnother(self_)) {
        faultFlags_ = nullptr;  // the values now are the other window's, not the fault flags
        resumeViews_ = false;
        return;
    }
    EndFaultCheck();
    const uint8_t flags = static_cast<uint8_t>(document_.RequestValues()[0] >> 8);
    if (flags & 0x02) {
        shell_.PostCommand(kCmdDisplayFaults);
    } else if (flags & 0x01) {
        shell_.PostCommand(kCmdCalibrationWizard);
    }
}

void ConnectionWorkflow::StartDemo(const std::string& demoKey) {
    portName_ = demoKey;
    faultFlags_ = nullptr;
    document_.OpenPort("DEMO", CDataServer::kTimeoutTicks);
    const std::string fileName = demoKey + ".000";
    if (!LoadStrategy(fileName)) {
        state_ = ConnectionState::NotConnected;
        prompt_.plain("Could not open or read Demo File: " + fileName);
        AskForPort();
        return;
    }
    std::string caption = "ZVR Demo - " + ModelNameForKind(document_.definitions.header.modelKind);
    shell_.SetCaption(caption);
    state_ = ConnectionState::Demo;
    shell_.SetPane(kMessagePane, "Demo mode Started");
    shell_.SetPane(kPortPane, "DEMO");
    shell_.ShowFullMenu(ProductWord(document_.definitions.header.strategyName));
    shell_.MarkPortEntry(demoKey);
    document_.ResetIdentification();
    connectedOnce_ = 0;
}

}  // namespace zvr
