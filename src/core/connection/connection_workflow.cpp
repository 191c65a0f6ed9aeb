#include "connection/connection_workflow.h"

#include "comm/serial_device.h"
#include "common/user_prompt.h"
#include "connection/command_ids.h"
#include "connection/controller_model.h"

namespace zvr {

namespace {

constexpr int kMessagePane = 0;
constexpr int kPortPane = 1;

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
    if (document_.OpenPort(portName, timeoutTicks_) != 0) {
        shell_.SetPane(kMessagePane, "Could not open Comm Port");
        openFailure_ = DescribeOpenFailure(portName);
        prompt_.plain("Could NOT open port " + portName +
                      (openFailure_.empty() ? "" : "\n" + openFailure_));
        AskForPort();
        return;
    }
    shell_.SetPane(kPortPane, portName);
    retries_ = 0;
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
        default:
            break;  // a failed fault-flag read is ignored
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
    shell_.SetPane(kMessagePane, "Query Controller Failed");
    if (prompt_.askYesNo("Could not find controller on open port. Retry Query?",
                         kApplicationCaption, PromptIcon::Error)) {
        SendIdentify();
        shell_.SetPane(kMessagePane, "Retrying Query Controller...Please Wait");
    } else {
        AskForPort();
    }
}

std::optional<std::string> ConnectionWorkflow::LoadStrategy(const std::string& fileName) {
    const std::optional<std::string> path = locate_(fileName);
    if (!path) return std::nullopt;
    document_.UpdateAllViews(kHintDefinitionsReplaced);
    if (document_.Load(*path, prompt_) != 0) return std::nullopt;
    return path;
}

void ConnectionWorkflow::Identified() {
    const Identification id = document_.GetIdentification();
    if (!LoadStrategy(id.strategyFileName)) {
        prompt_.plain("Controller Found, but could not open and read cal file '" +
                      id.strategyFileName + "'");
        shell_.ExitProgram(-1);
        return;
    }
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
    if (faultFlags_ == nullptr) return;
    const uint16_t address[] = {static_cast<uint16_t>(faultFlags_->ramAddress)};
    document_.RequestReadVariables(address, self_, kFaultFlags, kFaultFlagsFailed);
}

void ConnectionWorkflow::FaultFlagsArrived() {
    if (faultFlags_ == nullptr) return;  // a continuous read reporting after its stop
    faultFlags_ = nullptr;
    document_.RequestStop();
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
        prompt_.plain("Could not open or read Demo File: " + fileName);
        AskForPort();
        return;
    }
    std::string caption = "ZVR Demo - " + ModelNameForKind(document_.definitions.header.modelKind);
    shell_.SetCaption(caption);
    shell_.SetPane(kMessagePane, "Demo mode Started");
    shell_.SetPane(kPortPane, "DEMO");
    shell_.ShowFullMenu(ProductWord(document_.definitions.header.strategyName));
    shell_.MarkPortEntry(demoKey);
    document_.ResetIdentification();
    connectedOnce_ = 0;
}

}  // namespace zvr
