#include "connection/controller_session.h"

#include <algorithm>
#include <utility>

#include "comm/request_retries.h"
#include "common/user_prompt.h"
#include "connection/controller_model.h"

namespace zvr {

namespace {

using std::chrono::milliseconds;

constexpr uint32_t kDone = 1124;
constexpr uint32_t kFailed = 1125;
// Waits are cut into slices this long so that an interruption is seen soon.
constexpr milliseconds kSlice{50};

}  // namespace

ControllerSession::ControllerSession(CDataServer& document, UserPrompt& prompt,
                                     StrategyLocator locate)
    : document_(document),
      notices_(prompt),
      locate_(std::move(locate)),
      workflowReceiver_(std::make_shared<QueueReceiver>()),
      requests_(std::make_shared<QueueReceiver>()),
      workflow_(document, settings_, *this, notices_,
                [this](const std::string& name) { return Locate(name); }) {
    workflow_.SetReceiver(workflowReceiver_);
}

PromptAnswer ControllerSession::NoticeKeeper::show(const PromptMessage& message) {
    if (message.buttons != PromptButtons::Ok) return person_.show(message);
    notices.push_back(message);
    return PromptAnswer::Ok;
}

void ControllerSession::NoticeKeeper::Release() {
    for (const PromptMessage& notice : std::exchange(notices, {}))
        person_.show(notice);
}

std::optional<std::string> ControllerSession::Locate(const std::string& name) {
    std::optional<std::string> path = locate_(name);
    if (!path) unfound_ = name;
    return path;
}

std::string ControllerSession::StrategyFailure(const std::string& fileName) const {
    if (!unfound_.empty()) return "no strategy folder holds " + unfound_;
    // The loader's own reason, shown before the workflow's message that it failed.
    std::string text = "could not load the strategy file " + fileName;
    if (notices_.notices.size() > 1) text += ": " + notices_.notices.front().text;
    return text;
}

ControllerSession::~ControllerSession() {
    // Nothing may be left reading continuously on the controller.
    if (document_.IsOpen() && document_.PendingType() == kContinuousRead) document_.RequestStop();
}

void ControllerSession::ShowPortDialog() {
    failed_ = true;
    if (!failure_.empty()) return;
    if (workflow_.State() == ConnectionState::NoAnswer) {
        failure_ = "the controller does not answer";
        return;
    }
    const std::string& port = workflow_.PortName();
    if (IsDemoKey(port)) {
        if (ModelForDemoKey(port) == nullptr) {
            failure_ = "unknown demo key " + port + "; the demo keys are";
            for (const ControllerModel& model : ControllerModels())
                failure_ += std::string(" ") + model.demoKey;
        } else {
            failure_ = "the demo of " + port + " did not start: " + StrategyFailure(port + ".000");
        }
        return;
    }
    failure_ = "could not open port " + port;
    if (!workflow_.OpenFailure().empty()) failure_ += ": " + workflow_.OpenFailure();
}

// The device went away while connecting: the caller decides whether to wait for it.
void ControllerSession::WatchForDevice(const std::string&) {
    failed_ = true;
    failure_ = "the port has gone away";
}

void ControllerSession::ExitProgram(int) {
    failed_ = true;
    failure_ = "the controller was found, but " +
               StrategyFailure(document_.GetIdentification().strategyFileName);
}

bool ControllerSession::Connect(const std::string& portName, milliseconds limit) {
    failed_ = false;
    failure_.clear();
    unfound_.clear();
    notices_.notices.clear();
    workflow_.PortChosen(portName);
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!workflow_.IsConnected() && !failed_ && !Interrupted() &&
           std::chrono::steady_clock::now() < deadline) {
        if (auto message = workflowReceiver_->wait(milliseconds(50))) workflow_.OnMessage(*message);
    }
    // The first look at the fault flags is a continuous read the workflow stops itself, once
    // it has the flags or the line has failed the read.
    while (workflow_.IsConnected() && workflow_.CheckingFaultFlags() && !Interrupted() &&
           std::chrono::steady_clock::now() < deadline) {
        if (auto message = workflowReceiver_->wait(milliseconds(50))) workflow_.OnMessage(*message);
    }
    if (!workflow_.IsConnected() && failure_.empty()) failure_ = "the controller does not answer";
    // What was said on the way to a connection still reaches the person; a failure says it
    // in failure().
    if (workflow_.IsConnected()) notices_.Release();
    return workflow_.IsConnected();
}

milliseconds ControllerSession::ReplyLimit() const {
    // The wait for a quiet line, the request's own time-out, and for a write whose commit
    // was not confirmed the same again for its read-back; late replies may make a wait for
    // quiet start over.
    const milliseconds timeout(document_.TimeoutTicks() * 20);
    return 2 * (timeout + document_.LateReplyWindow()) + milliseconds(3000);
}

std::optional<PostedMessage> ControllerSession::Await(milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (Interrupted()) return std::nullopt;
        // A device that went away answers nothing more: no use waiting out the time-out.
        if (document_.LinkLost()) return requests_->poll();
        const auto left =
            std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left <= milliseconds(0)) return std::nullopt;
        if (auto message = requests_->wait(std::min(left, kSlice))) return message;
    }
}

std::optional<std::vector<uint16_t>> ControllerSession::ReadOnce(
    std::span<const uint16_t> addresses) {
    // Replies carry no request number: an answer is taken only when no stray frame came
    // around it; otherwise it may be another request's, and is read again.
    outOfStep_ = false;
    int failures = 0;
    int rereads = 0;
    for (;;) {
        // A late answer to an earlier request, already posted, is not this one's.
        while (requests_->poll()) {
        }
        const uint32_t mark = document_.StrayCount();
        if (document_.RequestReadScalars(addresses, requests_, kDone, kFailed) != 0) return {};
        const auto message = Await(ReplyLimit());
        if (!message) return {};
        if (message->wParam != 1) {
            if (++failures > kWalkRetries) return {};
            continue;
        }
        const auto values = document_.RequestValues();
        if (!document_.IsDemo()) document_.Settle(kSettleQuiet, kSettleLimit);
        if (document_.StrayCount() == mark) {
            return std::vector<uint16_t>(values.begin(), values.begin() + addresses.size());
        }
        if (++rereads > kOutOfStepRereads) {
            outOfStep_ = true;
            return {};
        }
    }
}

std::optional<std::vector<uint16_t>> ControllerSession::ReadVariablesOnce(
    std::span<const uint16_t> addresses) {
    if (!StartContinuous(addresses)) return {};
    auto values = Next(ReplyLimit());
    Stop();
    return values;
}

bool ControllerSession::Write(uint16_t address, uint16_t value, int size) {
    for (int attempt = 0; attempt <= kWalkRetries; ++attempt) {
        while (requests_->poll()) {
        }
        if (document_.RequestWriteScalar(address, value, size, requests_, kDone, kFailed) != 0) {
            return false;
        }
        const auto message = Await(ReplyLimit());
        if (message && message->wParam == 1) return true;
        // Only a write the controller answered for and did not take goes out again.
        if (!message || document_.LastWriteCheck() != WriteCheck::FoundOther) return false;
    }
    return false;
}

bool ControllerSession::StartContinuous(std::span<const uint16_t> addresses) {
    continuous_.assign(addresses.begin(), addresses.end());
    while (requests_->poll()) {
    }
    return document_.RequestReadVariables(addresses, requests_, kDone, kFailed) == 0;
}

std::optional<std::vector<uint16_t>> ControllerSession::Next(milliseconds wait) {
    ContinuousSet set = NextSet(wait);
    if (set.outcome != ContinuousSet::Values) return {};
    return std::move(set.values);
}

ControllerSession::ContinuousSet ControllerSession::NextSet(milliseconds wait) {
    const auto message = Await(wait);
    if (!message || message->lParam == kReplyTimedOut) return {};
    if (message->wParam != 1) return {ContinuousSet::Rejected, {}};
    const auto values = document_.RequestValues();
    return {ContinuousSet::Values,
            std::vector<uint16_t>(values.begin(), values.begin() + continuous_.size())};
}

void ControllerSession::Stop() {
    document_.RequestStop();
    while (requests_->poll()) {
    }
}

}  // namespace zvr
