#include "sim_fixtures.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

#include "definitions/cal_file.h"
#include "support/sample_definitions.h"

namespace zvr::sim::test {

namespace {

using Clock = std::chrono::steady_clock;

VariableDef Variable(const char* name, char type, int16_t size, int8_t bp, uint32_t address,
                     const char* units = "") {
    return {.scaling = {type, size, bp}, .ramAddress = address, .name = name, .units = units};
}

ScalarDef Scalar(const char* name, char type, int16_t size, int8_t bp, uint32_t address,
                 uint32_t raw) {
    return {.scaling = {type, size, bp},
            .eepromAddress = address,
            .fileRaw = raw,
            .maxRaw = 0xFFFF,
            .name = name};
}

DiagnosticDef Diagnostic(const char* name, uint32_t ram, uint32_t ee,
                         std::vector<std::string> texts) {
    DiagnosticDef def{.ramAddress = ram,
                      .eepromAddress = ee,
                      .flagCount = static_cast<uint8_t>(texts.size()),
                      .name = name};
    for (size_t i = 0; i < texts.size(); ++i)
        def.bitTexts[i] = texts[i];
    return def;
}

void FillGovernor(DefinitionSet& set) {
    for (const VariableDef& v : {
             Variable("engine_rpm", 'U', 2, 0, kEngineRpm, "rpm"),
             Variable("n_desired", 'U', 2, 0, kNDesired, "rpm"),
             Variable("n_error", 'S', 2, 0, 0x0104, "rpm"),
             Variable("battery_volts", 'U', 2, 8, 0x0106, "V"),
             Variable("act_duty", 'U', 2, 7, kActDuty, "%"),
             Variable("fault_flags2", 'B', 1, 0, kFaultFlags2),
         }) {
        set.variables.insert(v);
    }
    for (const ScalarDef& s : {
             Scalar("PROPORTIONAL_GAIN", 'U', 2, 8, kProportionalGain, 0x0280),  // 2.5
             Scalar("INTEGRAL_GAIN", 'U', 2, 8, 0x4012, 0x0140),                 // 1.25
             Scalar("DERIVATIVE_GAIN", 'U', 2, 10, 0x4014, 0x0080),              // 0.125
             Scalar("SET_SPEED_1", 'U', 2, 0, kSetSpeed1, kSetSpeed1Value),
             Scalar("SET_SPEED_MIN", 'U', 2, 0, 0x4022, 800),
             Scalar("SET_SPEED_MAX", 'U', 2, 0, 0x4024, 2400),
             Scalar("EE_FAULTS_1", 'B', 1, 0, kEeFaults1, 0),
             Scalar("EE_FAULTS_2", 'B', 1, 0, kEeFaults2, 0),
         }) {
        set.scalars.insert(s);
    }
}

}  // namespace

void Fill740(DefinitionSet& set) {
    set.header.strategyName = "ZVX41R03";
    set.header.modelKind = ClassifyStrategyName(set.header.strategyName);
    FillGovernor(set);
    for (const VariableDef& v : {
             Variable("fault_flags1", 'B', 1, 0, kFaultFlags),
             Variable("adc_app", 'U', 2, 0, kAdcApp, "counts"),
             Variable("app_min", 'U', 2, 0, kAppMin, "counts"),
             Variable("app_range", 'U', 2, 0, kAppRange, "counts"),
             Variable("switch_f_debounced", 'B', 1, 0, kSwitches),
             Variable("step_position", 'S', 2, 0, kStepPosition, "steps"),
         }) {
        set.variables.insert(v);
    }
    for (const ScalarDef& s : {
             Scalar("PASSWORD", '$', 2, 0, kPassword, 0x1234),
             Scalar("EXTERNAL_ANALOG_MODE", 'U', 1, 0, kAnalogMode, 0),
             Scalar("APP_MIN_CAL", 'U', 2, 0, kAppMinCal, 102),
             Scalar("APP_RANGE_CAL", 'U', 2, 0, kAppRangeCal, 820),
             Scalar("STEP_MODE", 'U', 1, 0, kStepMode, 0),
             Scalar("STEP_CONFIG", 'U', 1, 0, kStepConfig, 131),
             Scalar("STEP_MAX_STEP", 'U', 2, 0, kStepMaxStep, 100),
         }) {
        set.scalars.insert(s);
    }
    set.diagnostics.append(Diagnostic(
        "fault_flags1", kFaultFlags, kDiag1Stored,
        {"Unit not calibrated", "EEPROM checksum error", "Magnetic pickup signal lost"}));
    set.diagnostics.append(
        Diagnostic("fault_flags2", kFaultFlags2, kDiag2Stored, {"Engine protect switch"}));
}

void Fill620(DefinitionSet& set) {
    set.header.strategyName = "Z99620G1";
    set.header.modelKind = ClassifyStrategyName(set.header.strategyName);
    FillGovernor(set);
    set.variables.insert(Variable("fault_flags", 'B', 1, 0, kFaultFlags));
    set.diagnostics.append(Diagnostic("fault_flags", kFaultFlags, kDiag1Stored, {"Uncal"}));
}

void WriteStrategy(DefinitionSet& set, const std::string& path) {
    zvr::test::WriteBytes(path, zvr::test::WrittenBytes(set, path));
}

std::string Write740() {
    DefinitionSet set;
    Fill740(set);
    WriteStrategy(set, "ZVX41R03.000");
    return "ZVX41R03.000";
}

std::string Write620() {
    DefinitionSet set;
    Fill620(set);
    WriteStrategy(set, "Z99620G1.000");
    return "Z99620G1.000";
}

std::unique_ptr<Simulator> StartSimulator(SimOptions options) {
    if (options.link.empty()) options.link = "link";
    auto simulator = std::make_unique<Simulator>();
    std::string error;
    if (!simulator->start(options, error)) throw std::runtime_error(error);
    return simulator;
}

WireClient::WireClient(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return;
    termios raw{};
    ::tcgetattr(fd_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd_, TCSANOW, &raw);
}

WireClient::~WireClient() {
    if (fd_ >= 0) ::close(fd_);
}

Bytes WireClient::Frame(uint8_t type, const Bytes& payload) {
    Bytes frame;
    frame.push_back(type);
    frame.push_back(static_cast<uint8_t>(payload.size() + 1));
    for (uint8_t b : payload)
        frame.push_back(b);
    unsigned sum = 0;
    for (uint8_t b : frame)
        sum += b;
    frame.push_back(static_cast<uint8_t>(-sum));
    return frame;
}

Bytes WireClient::Read(uint8_t type, const std::vector<uint16_t>& addresses) {
    Bytes payload;
    for (uint16_t a : addresses) {
        payload.push_back(static_cast<uint8_t>(a >> 8));
        payload.push_back(static_cast<uint8_t>(a));
    }
    return Frame(type, payload);
}

void WireClient::send(const Bytes& bytes) {
    if (fd_ >= 0) {
        [[maybe_unused]] const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    }
}

Bytes WireClient::receive(size_t n, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    Bytes bytes;
    while (bytes.size() < n && fd_ >= 0) {
        uint8_t buffer[256];
        const ssize_t got = ::read(fd_, buffer, std::min(sizeof buffer, n - bytes.size()));
        if (got > 0) {
            bytes.insert(bytes.end(), buffer, buffer + got);
            continue;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        if ((p.revents & POLLIN) == 0) break;
    }
    return bytes;
}

Bytes WireClient::drain(std::chrono::milliseconds window) { return receive(SIZE_MAX, window); }

Bytes WireClient::ask(const Bytes& request, size_t n) {
    send(request);
    return receive(n);
}

bool WireClient::hungUp(std::chrono::milliseconds timeout) {
    pollfd p{fd_, POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0 &&
           (p.revents & (POLLHUP | POLLERR)) != 0;
}

ControlClient::ControlClient(const std::string& path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("cannot connect to " + path);
    }
}

ControlClient::~ControlClient() { ::close(fd_); }

std::string ControlClient::command(const std::string& line) {
    const std::string text = line + "\n";
    [[maybe_unused]] ssize_t n = ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL);
    std::string answer;
    char c = 0;
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, 3000) > 0 && ::read(fd_, &c, 1) == 1 && c != '\n')
        answer.push_back(c);
    return answer;
}

}  // namespace zvr::sim::test
