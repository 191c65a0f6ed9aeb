#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "definitions/definition_set.h"
#include "simulator.h"

namespace zvr::sim::test {

using Bytes = std::vector<uint8_t>;

// Addresses of the small strategies below.
inline constexpr uint16_t kEngineRpm = 0x0100;
inline constexpr uint16_t kNDesired = 0x0102;
inline constexpr uint16_t kActDuty = 0x0108;
inline constexpr uint16_t kFaultFlags = 0x0120;  // also diagnostic 1's flag byte
inline constexpr uint16_t kFaultFlags2 = 0x0121;
inline constexpr uint16_t kAdcApp = 0x0140;
inline constexpr uint16_t kAppMin = 0x0142;
inline constexpr uint16_t kAppRange = 0x0144;
inline constexpr uint16_t kSwitches = 0x0148;
inline constexpr uint16_t kStepPosition = 0x0150;
inline constexpr uint16_t kPassword = 0x4000;
inline constexpr uint16_t kProportionalGain = 0x4010;
inline constexpr uint16_t kSetSpeed1 = 0x4020;
inline constexpr uint16_t kEeFaults1 = 0x40F0;
inline constexpr uint16_t kEeFaults2 = 0x40F1;
inline constexpr uint16_t kAnalogMode = 0x4100;
inline constexpr uint16_t kAppMinCal = 0x4102;
inline constexpr uint16_t kAppRangeCal = 0x4104;
inline constexpr uint16_t kStepMode = 0x4186;
inline constexpr uint16_t kStepConfig = 0x4187;
inline constexpr uint16_t kStepMaxStep = 0x418C;
inline constexpr uint16_t kDiag1Stored = 0x4300;
inline constexpr uint16_t kDiag2Stored = 0x4301;

inline constexpr uint16_t kSetSpeed1Value = 1500;

// A ZEVAR 740-like strategy "ZVX41R03" (engine, gains, set speeds, analog input, stepper,
// two diagnostics with EE_FAULTS_1/2, PASSWORD 0x1234), and a ZEVAR 620-like "Z99620G1" with
// "fault_flags" and no PASSWORD.
void Fill740(DefinitionSet& set);
void Fill620(DefinitionSet& set);

// Writes set to path (created) as a strategy file named after it.
void WriteStrategy(DefinitionSet& set, const std::string& path);
// Both strategies written into the working directory under their 12-character names.
std::string Write740();  // "ZVX41R03.000"
std::string Write620();  // "Z99620G1.000"

// A simulator started on a strategy with a link in the working directory.
std::unique_ptr<Simulator> StartSimulator(SimOptions options);

// The program's side of the line, written from the protocol description alone (none of the
// core's framing code), so that it checks the simulator rather than agreeing with it.
class WireClient {
public:
    explicit WireClient(const std::string& path);
    ~WireClient();
    WireClient(const WireClient&) = delete;
    WireClient& operator=(const WireClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    // type, length, payload, checksum (all bytes add up to 0 modulo 256).
    static Bytes Frame(uint8_t type, const Bytes& payload);
    static Bytes Read(uint8_t type, const std::vector<uint16_t>& addresses);

    void send(const Bytes& bytes);
    // Exactly n bytes, or what came before the timeout.
    Bytes receive(size_t n, std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Everything that arrives within the window.
    Bytes drain(std::chrono::milliseconds window);
    // Sends a request and reads a reply of n bytes.
    Bytes ask(const Bytes& request, size_t n);
    // True when the line reports a hang-up within the timeout.
    bool hungUp(std::chrono::milliseconds timeout);

private:
    int fd_ = -1;
};

// A control channel client.
class ControlClient {
public:
    explicit ControlClient(const std::string& path);
    ~ControlClient();
    ControlClient(const ControlClient&) = delete;
    ControlClient& operator=(const ControlClient&) = delete;

    // Sends one line and returns the answer line without its newline.
    std::string command(const std::string& line);

private:
    int fd_ = -1;
};

}  // namespace zvr::sim::test
