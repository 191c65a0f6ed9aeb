#include "simulator.h"

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/regular_file.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "families/family_registry.h"

namespace zvr::sim {

namespace {

using Clock = std::chrono::steady_clock;

// Messages the strategy loader shows (an unsupported section) go to standard error.
class StderrPrompt : public UserPrompt {
public:
    PromptAnswer show(const PromptMessage& message) override {
        std::fprintf(stderr, "zvr-sim: %s\n", message.text.c_str());
        return PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFile(const FileChoice&) override { return std::nullopt; }
};

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void Signal(int fd) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

}  // namespace

Simulator::Simulator()
    : stopFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      quitFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Simulator::~Simulator() {
    stop();
    if (stopFd_ >= 0) ::close(stopFd_);
    if (quitFd_ >= 0) ::close(quitFd_);
}

bool Simulator::start(const SimOptions& options, std::string& error) {
    DefinitionSet definitions;
    StderrPrompt prompt;
    if (const int result = LoadCalFile(definitions, options.strategy, prompt); result != 0) {
        const std::string reason = OpenFailureReason(options.strategy);
        error = "the strategy file " + options.strategy +
                (result == -1 ? " cannot be opened" + (reason.empty() ? "" : ": " + reason)
                              : " cannot be read: it is damaged or not a ZVR strategy file");
        return false;
    }
    const std::string name = options.ident.empty() ? BaseName(options.strategy) : options.ident;
    // The reply's layout is the family's; a strategy of no family answers in layout '1'.
    const ControllerModel* model = ModelForKind(definitions.header.modelKind);
    const bool layoutZero = model != nullptr && model->identificationLayout == '0';
    std::string reason;
    auto identity = Identity::ForFileName(name, layoutZero, reason);
    if (!identity) {
        error = "the identification reply cannot name the strategy: " + reason +
                "; give the name with --ident NAME.000";
        return false;
    }

    state_ = std::make_unique<SimulatorState>(options.seed);
    state_->unit = std::make_unique<ControllerUnit>(std::move(definitions), options.seed);
    state_->responder = std::make_unique<ProtocolResponder>(*state_->unit, std::move(*identity));
    if (!options.eeprom.empty() && !state_->unit->useEepromFile(options.eeprom, error)) {
        return false;
    }
    if (!options.script.empty() && !loadScript(options.script, error)) return false;
    if (!preparePaths(options, error) || !control_.open(controlPath_, error) ||
        !link_.open(error) || !link_.publish(linkPath_, error)) {
        stop();
        return false;
    }

    LinkServer::Timing timing{.period = std::chrono::milliseconds(options.periodMs)};
    if (options.baud > 0) {
        // Ten bits a byte: start, eight data bits, stop.
        timing.perByte = std::chrono::nanoseconds(10'000'000'000LL / options.baud);
    }
    linkServer_ = std::make_unique<LinkServer>(*state_, link_, linkPath_, timing);
    startTime_ = Clock::now();
    linkThread_ = std::thread([this] { linkServer_->run(stopFd_); });
    controlThread_ = std::thread([this] { controlLoop(); });
    return true;
}

bool Simulator::preparePaths(const SimOptions& options, std::string& error) {
    linkPath_ = options.link;
    controlPath_ = options.control;
    if (linkPath_.empty()) {
        char pattern[] = "/tmp/zvr-sim-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            error = "cannot create a directory under /tmp";
            return false;
        }
        temporaryDirectory_ = pattern;
        linkPath_ = temporaryDirectory_ + "/tty";
        if (controlPath_.empty()) controlPath_ = temporaryDirectory_ + "/control";
    }
    if (controlPath_.empty()) controlPath_ = linkPath_ + ".control";
    return true;
}

bool Simulator::loadScript(const std::string& path, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read script " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!ParseScript(text.str(), script_, error)) {
        error = "script " + path + ", " + error;
        return false;
    }
    return true;
}

void Simulator::stop() {
    stopping_ = true;
    // Never read, so it stays readable and wakes both threads for good.
    if (stopFd_ >= 0) Signal(stopFd_);
    if (linkThread_.joinable()) linkThread_.join();
    if (controlThread_.joinable()) controlThread_.join();
    link_.unpublish();
    link_.hangUp();
    control_.close();
    if (!temporaryDirectory_.empty()) {
        ::rmdir(temporaryDirectory_.c_str());
        temporaryDirectory_.clear();
    }
}

std::string Simulator::startupLine() const {
    return "zvr-sim: link " + linkPath_ + " control " + controlPath_;
}

void Simulator::requestQuit() { Signal(quitFd_); }

void Simulator::controlLoop() {
    size_t next = 0;
    const auto handler = [this](std::string_view line) { return execute(line); };
    while (!stopping_) {
        int timeoutMs = -1;
        if (next < script_.size()) {
            const auto due = startTime_ + std::chrono::duration_cast<Clock::duration>(
                                              std::chrono::duration<double>(script_[next].at));
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now());
            if (left.count() <= 0) {
                const std::string answer = execute(script_[next].command);
                if (answer.starts_with("error")) {
                    std::fprintf(stderr, "zvr-sim: script line %d: %s\n", script_[next].lineNumber,
                                 answer.c_str());
                }
                ++next;
                continue;
            }
            timeoutMs = static_cast<int>(left.count()) + 1;
        }
        control_.serve(timeoutMs, stopFd_, handler);
    }
}

std::string Simulator::execute(std::string_view line) {
    std::string error;
    const auto command = ParseControlCommand(line, error);
    if (!command) return "error: " + error;
    return apply(*command);
}

std::string Simulator::apply(const ControlCommand& command) {
    using Kind = ControlCommand::Kind;
    std::lock_guard lock(state_->mutex);
    ControllerUnit& unit = *state_->unit;
    switch (command.kind) {
        case Kind::Pedal:
            unit.setPedal(command.number);
            break;
        case Kind::Ivs:
            unit.setIdleSwitch(command.on);
            break;
        case Kind::Fault:
            if (!unit.setFault(command.diagnostic, command.bit, command.on)) {
                return "error: this strategy has " +
                       std::to_string(unit.definitions().diagnostics.count()) + " diagnostics";
            }
            break;
        case Kind::Uncalibrated:
            unit.setUncalibrated(command.on);
            break;
        case Kind::Fatal:
            unit.setFatal(command.on);
            break;
        case Kind::Load:
            unit.setLoad(command.number);
            break;
        case Kind::LineProbability:
            state_->lineFaults.setProbability(command.fault, command.number);
            break;
        case Kind::LineSilent:
            state_->silentUntil = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(command.number));
            break;
        case Kind::LineHangup:
            state_->hangUpRequested = true;
            break;
        case Kind::LineClear:
            state_->lineFaults.clear();
            state_->silentUntil = {};
            if (state_->hungUp || state_->hangUpRequested) state_->reopenRequested = true;
            break;
        case Kind::Get:
            if (const auto text = unit.valueText(command.name)) return "ok " + *text;
            return "error: no variable or scalar named '" + command.name + "'";
        case Kind::Quit:
            requestQuit();
            break;
    }
    return "ok";
}

}  // namespace zvr::sim
