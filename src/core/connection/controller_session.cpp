#include "connection/controller_session.h"

#include "common/user_prompt.h"

namespace zvr {

namespace {

using std::chrono::milliseconds;

constexpr uint32_t kDone = 1124;
constexpr uint32_t kFailed = 1125;

}  // namespace

ControllerSession::ControllerSession(CDataServer& document, UserPrompt& prompt,
                                     StrategyLocator locate)
    : document_(document),
      workflowReceiver_(std::make_shared<QueueReceiver>()),
      requests_(std::make_shared<QueueReceiver>()),
      workflow_(document, settings_, *this, prompt, std::move(locate)) {
    workflow_.SetReceiver(workflowReceiver_);
}

ControllerSession::~ControllerSession() {
    // Nothing may be left reading continuously on the controller.
    if (document_.IsOpen() && document_.PendingType() == kContinuousRead) document_.RequestStop();
}

void ControllerSession::SetPane(int pane, const std::string& text) {
    if (pane == 0 && (text == "Ready" || text == "Demo mode Started")) connected_ = true;
    if (pane == 0 && text == "Query Controller Failed") failure_ = "the controller does not answer";
}

void ControllerSession::ShowPortDialog() {
    failed_ = true;
    if (failure_.empty()) {
        failure_ = "could not open port " + workflow_.PortName();
        if (!workflow_.OpenFailure().empty()) failure_ += ": " + workflow_.OpenFailure();
    }
}

void ControllerSession::ExitProgram(int) {
    failed_ = true;
    failure_ = "could not load the strategy file the controller names";
}

bool ControllerSession::Connect(const std::string& portName, milliseconds limit) {
    connected_ = failed_ = false;
    failure_.clear();
    workflow_.PortChosen(portName);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!connected_ && !failed_ && std::chrono::steady_clock::now() < deadline) {
        if (auto message = workflowReceiver_->wait(milliseconds(50))) workflow_.OnMessage(*message);
    }
    // The first look at the fault flags is a continuous read the workflow stops itself.
    while (connected_ && document_.PendingType() == kContinuousRead &&
           std::chrono::steady_clock::now() < deadline) {
        if (auto message = workflowReceiver_->wait(milliseconds(50))) workflow_.OnMessage(*message);
    }
    if (!connected_ && failure_.empty()) failure_ = "the controller does not answer";
    return connected_;
}

milliseconds ControllerSession::ReplyLimit() const {
    // Two time-outs of the link and a commit: a reply that is late once still comes.
    return milliseconds(document_.TimeoutTicks() * 20 * 2 + 1000);
}

std::optional<PostedMessage> ControllerSession::Await(milliseconds limit) {
    return requests_->wait(limit);
}

std::optional<std::vector<uint16_t>> ControllerSession::ReadOnce(
    std::span<const uint16_t> addresses) {
    if (document_.RequestReadScalars(addresses, requests_, kDone, kFailed) != 0) return {};
    const auto message = Await(ReplyLimit());
    if (!message || message->wParam != 1) return {};
    const auto values = document_.RequestValues();
    return std::vector<uint16_t>(values.begin(), values.begin() + addresses.size());
}

std::optional<std::vector<uint16_t>> ControllerSession::ReadVariablesOnce(
    std::span<const uint16_t> addresses) {
    if (!StartContinuous(addresses)) return {};
    auto values = Next(ReplyLimit());
    Stop();
    return values;
}

bool ControllerSession::Write(uint16_t address, uint16_t value, int size) {
    if (document_.RequestWriteScalar(address, value, size, requests_, kDone, kFailed) != 0) {
        return false;
    }
    const auto message = Await(ReplyLimit());
    return message && message->wParam == 1;
}

bool ControllerSession::StartContinuous(std::span<const uint16_t> addresses) {
    continuous_.assign(addresses.begin(), addresses.end());
    while (requests_->poll()) {
    }
    return document_.RequestReadVariables(addresses, requests_, kDone, kFailed) == 0;
}

std::optional<std::vector<uint16_t>> ControllerSession::Next(milliseconds wait) {
    const auto message = Await(wait);
    if (!message || message->wParam != 1) return {};
    const auto values = document_.RequestValues();
    return std::vector<uint16_t>(values.begin(), values.begin() + continuous_.size());
}

void ControllerSession::Stop() {
    document_.RequestStop();
    while (requests_->poll()) {
    }
}

}  // namespace zvr
