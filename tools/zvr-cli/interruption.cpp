#include "interruption.h"

#include <algorithm>
#include <atomic>
#include <csignal>

namespace zvr::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void OnInterruption(int) { g_interrupted = 1; }

// Waits are cut into slices this long so that a signal is seen soon.
constexpr std::chrono::milliseconds kSlice{50};

}  // namespace

void CatchInterruptions() {
    struct sigaction action {};
    action.sa_handler = OnInterruption;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

bool Interrupted() { return g_interrupted != 0; }

void ClearInterruption() { g_interrupted = 0; }

std::optional<PostedMessage> AwaitUnlessInterrupted(QueueReceiver& receiver,
                                                    std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (Interrupted()) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds(0)) return std::nullopt;
        if (auto message = receiver.wait(std::min(left, kSlice))) return message;
    }
}

}  // namespace zvr::cli
