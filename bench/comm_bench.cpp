// Round trips of one-scalar reads over a pseudo-terminal: against a controller that answers
// at once, and against one that paces every byte at 9600 baud, compared with the time the
// wire itself needs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "comm/data_server.h"
#include "support/pty_peer.h"

namespace {

using namespace std::chrono;
using zvr::test::Bytes;

constexpr int kReads = 300;
constexpr uint32_t kOk = 1124;
constexpr uint32_t kFailed = 1125;

std::vector<Bytes> Answer(const Bytes& request) {
    if (request[0] != zvr::kReadOnce) return {};
    return {zvr::test::Reply(zvr::kReadOnce, {0x12, 0x34})};
}

// Times kReads one-scalar reads; each starts when the previous one has been reported.
std::vector<double> RunReads(microseconds perByte, double& totalSeconds) {
    zvr::test::ScriptedController controller(Answer, perByte);
    zvr::CDataServer server(
        (std::filesystem::temp_directory_path() / "zvr-bench-Log.txt").string());
    auto receiver = std::make_shared<zvr::QueueReceiver>();
    if (server.OpenPort(controller.path(), zvr::CDataServer::kTimeoutTicks) != 0) {
        std::fprintf(stderr, "cannot open %s\n", controller.path().c_str());
        return {};
    }
    const uint16_t address[] = {0x0010};
    std::vector<double> roundTrips;
    const auto start = steady_clock::now();
    for (int i = 0; i < kReads; ++i) {
        const auto sent = steady_clock::now();
        server.RequestReadScalars(address, receiver, kOk, kFailed);
        const auto message = receiver->wait(seconds(5));
        if (!message || message->wParam != 1) {
            std::fprintf(stderr, "read %d failed\n", i);
            break;
        }
        roundTrips.push_back(duration<double, std::milli>(steady_clock::now() - sent).count());
    }
    totalSeconds = duration<double>(steady_clock::now() - start).count();
    return roundTrips;
}

double Percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main() {
    double seconds = 0;
    const std::vector<double> immediate = RunReads(microseconds(0), seconds);
    if (immediate.size() != kReads) return 1;
    std::printf(
        "immediate peer: %d one-scalar reads, median %.2f ms, 95th percentile %.2f ms, "
        "%.0f requests/s\n",
        kReads, Percentile(immediate, 0.5), Percentile(immediate, 0.95), kReads / seconds);

    const microseconds perByte(1042);  // 10 bits at 9600 baud
    const std::vector<double> paced = RunReads(perByte, seconds);
    if (paced.size() != kReads) return 1;
    const double wireLimit = kReads * 10 * 10 / 9600.0;  // 5 bytes out, 5 back, 10 bits each
    std::printf(
        "9600 baud peer: %d one-scalar reads in %.3f s, wire-time limit %.3f s, "
        "ratio %.2f (median %.2f ms, 95th percentile %.2f ms)\n",
        kReads, seconds, wireLimit, seconds / wireLimit, Percentile(paced, 0.5),
        Percentile(paced, 0.95));
    return 0;
}
