#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "pty_link.h"
#include "request_framer.h"
#include "simulator_state.h"

namespace zvr::sim {

// The link thread: reads requests from the pseudo-terminal, answers them through the
// responder, repeats a continuous read's reply every period, passes every reply through the
// line faults, and moves the unit on in real time (every 10 ms).
//
// With a baud rate each byte takes its wire time in both directions: a request is acted on
// only once its last byte would have arrived, and reply bytes go out one at a time.
class LinkServer {
public:
    using Clock = std::chrono::steady_clock;

    struct Timing {
        std::chrono::nanoseconds perByte{0};  // 0: no pacing
        std::chrono::milliseconds period{50};
    };

    static constexpr auto kModelTick = std::chrono::milliseconds(10);

    LinkServer(SimulatorState& state, PtyLink& link, std::string linkPath, Timing timing)
        : state_(state), link_(link), linkPath_(std::move(linkPath)), timing_(timing) {}

    // Serves until wakeFd becomes readable.
    void run(int wakeFd);

private:
    struct Input {
        Clock::time_point due;
        RequestFramer::Event event;
    };
    struct Output {
        Clock::time_point due;
        Message bytes;
    };

    Clock::time_point nextWake(Clock::time_point now) const;
    void readInput(Clock::time_point now);
    void answerDueInput(Clock::time_point now);
    void streamIfDue(Clock::time_point now);
    void tickModel(Clock::time_point now);
    void writeDueOutput(Clock::time_point now);
    // Under the state lock: passes the reply through the line faults into the outbox.
    void sendLocked(const Message& reply, Clock::time_point now);
    void schedule(Clock::time_point due, const Message& bytes);
    void applyLineRequestsLocked();

    SimulatorState& state_;
    PtyLink& link_;
    std::string linkPath_;
    Timing timing_;
    RequestFramer framer_;
    std::deque<Input> inputs_;
    std::deque<Output> outbox_;  // in time order
    Clock::time_point rxFree_{};
    Clock::time_point txFree_{};
    Clock::time_point nextStream_{};
    Clock::time_point lastTick_{};
};

}  // namespace zvr::sim
