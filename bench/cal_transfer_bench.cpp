// Whole-calibration read and write of the ZEVAR 740 strategy over a pseudo-terminal, against
// zvr-sim paced at 9600 baud (and, for comparison, a bare memory controller paced the same
// way), compared with the time the wire itself needs for every byte of the exchange.
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "calibration/cal_transfer.h"
#include "comm/data_server.h"
#include "common/user_prompt.h"
#include "simulator.h"
#include "support/scalar_memory_controller.h"

namespace {

using namespace std::chrono;

constexpr double kSecondsPerByte = 10.0 / 9600.0;  // start bit, 8 data bits, stop bit
const microseconds kPerByte{1042};

class Silent : public zvr::UserPrompt, public zvr::ProgressDisplay {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage& message) override {
        std::fprintf(stderr, "%s\n", message.text.c_str());
        return zvr::PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
    void ShowProgress(const zvr::ProgressState&) override {}
    void HideProgress() override {}
};

// Bytes on the wire: a read is request and reply of 5 bytes each; a write is the write and its
// echo (4 bytes and the value), the commit (3) and its reply (4).
size_t WireBytes(const zvr::DefinitionSet& set, bool write) {
    size_t bytes = 0;
    for (const auto& scalar : set.scalars.entries()) {
        const size_t writeLength = 4 + static_cast<size_t>(scalar->scaling.size);
        bytes += write ? 2 * writeLength + 3 + 4 : 5 + 5;
    }
    return bytes;
}

// Runs one walk to its end; the seconds it took, or a negative number when it failed.
double RunWalk(zvr::CalTransfer& transfer, zvr::QueueReceiver& receiver,
               const std::shared_ptr<zvr::QueueReceiver>& notify, bool write) {
    const auto start = steady_clock::now();
    const zvr::TransferNotify target{notify, 1, 2, 3};
    if ((write ? transfer.WriteAll(target) : transfer.ReadAll(target)) != 0) return -1;
    while (transfer.running()) {
        auto message = receiver.wait(seconds(5));
        if (!message) return -1;
        transfer.Handle(*message);
    }
    const double elapsed = duration<double>(steady_clock::now() - start).count();
    auto outcome = notify->poll();
    return outcome && outcome->message == 1 ? elapsed : -1;
}

// Reads and writes the whole calibration over the link at path; 0 when both walks succeeded.
int Measure(const char* against, const std::string& strategy, const std::string& path,
            zvr::CalTransfer& transfer, zvr::CDataServer& link,
            const std::shared_ptr<zvr::QueueReceiver>& receiver) {
    auto notify = std::make_shared<zvr::QueueReceiver>();
    if (link.OpenPort(path, zvr::CDataServer::kTimeoutTicks) != 0) return 3;
    std::printf("%s, %s: %zu scalars, 9600 baud in both directions\n", strategy.c_str(), against,
                transfer.definitions().scalars.count());
    for (bool write : {false, true}) {
        const double seconds = RunWalk(transfer, *receiver, notify, write);
        const size_t bytes = WireBytes(transfer.definitions(), write);
        const double limit = static_cast<double>(bytes) * kSecondsPerByte;
        if (seconds < 0) {
            std::printf("%s failed\n", write ? "write" : "read");
            return 1;
        }
        std::printf("  %-5s %4zu bytes on the wire, limit %.3f s, took %.3f s, ratio %.2f\n",
                    write ? "write" : "read", bytes, limit, seconds, seconds / limit);
    }
    link.Close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strategy = argc > 1 ? argv[1] : "share/zvr/strategies/ZVX41R03.000";
    zvr::CDataServer link((std::filesystem::temp_directory_path() / "zvr-bench-Log.txt").string());
    auto receiver = std::make_shared<zvr::QueueReceiver>();
    Silent silent;
    zvr::CalTransfer transfer(link, receiver, silent, silent);
    if (transfer.LoadFile(strategy) != 0) {
        std::fprintf(stderr, "cannot load %s\n", strategy.c_str());
        return 2;
    }

    zvr::sim::SimOptions options;
    options.strategy = strategy;
    options.link = (std::filesystem::temp_directory_path() / "zvr-bench-link").string();
    options.baud = 9600;
    zvr::sim::Simulator simulator;
    std::string error;
    if (!simulator.start(options, error)) {
        std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        return 3;
    }
    int result =
        Measure("zvr-sim --baud 9600", strategy, simulator.linkPath(), transfer, link, receiver);
    simulator.stop();
    if (result != 0) return result;

    zvr::test::ScalarMemoryController controller(kPerByte);
    controller.Fill(transfer.definitions());
    return Measure("memory controller", strategy, controller.path(), transfer, link, receiver);
}
