#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "controller_unit.h"
#include "line_faults.h"
#include "protocol_responder.h"

namespace zvr::sim {

// What the link thread and the control thread share, all under one mutex.
struct SimulatorState {
    using Clock = std::chrono::steady_clock;

    explicit SimulatorState(uint32_t seed) : lineFaults(seed) {}

    std::mutex mutex;
    std::unique_ptr<ControllerUnit> unit;
    std::unique_ptr<ProtocolResponder> responder;
    LineFaults lineFaults;
    Clock::time_point silentUntil{};
    bool hangUpRequested = false;
    bool reopenRequested = false;
    bool hungUp = false;
    uint64_t setsStreamed = 0;  // replies of continuous reads sent, for tests that await one
};

}  // namespace zvr::sim
