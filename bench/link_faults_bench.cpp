// The link on a line that is not clean, against a scripted controller on a pseudo-terminal
// paced at 9600 baud: identification after stray bytes in front of the reply, the CPU the
// program takes while its device is hung up, and the time from a pulled adapter's return to
// "Ready".
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <utility>

#include "comm/data_server.h"
#include "comm/device_watch.h"
#include "common/user_prompt.h"
#include "connection/connection_workflow.h"
#include "settings/memory_settings_store.h"
#include "support/pty_peer.h"
#include "support/sample_definitions.h"

namespace {

using namespace std::chrono;
using zvr::test::Bytes;

constexpr auto kWireByte = microseconds(1042);  // one byte at 9600 baud
constexpr int kTriesPerCount = 12;              // 60 tries over 1-5 stray bytes

struct Shell : zvr::ConnectionShell {
    std::string pane0;
    std::string watched;
    int portDialogs = 0;
    void SetPane(int pane, const std::string& text) override {
        if (pane == 0) pane0 = text;
    }
    void SetCaption(const std::string&) override {}
    void ShowNoControllerMenu() override {}
    void ShowFullMenu(const std::string&) override {}
    void MarkPortEntry(const std::string&) override {}
    void ShowPortDialog() override { ++portDialogs; }
    void PostCommand(int) override {}
    void ExitProgram(int) override {}
    void WatchForDevice(const std::string& path) override { watched = path; }
};

// Answers no question: the benchmark must never need one.
struct SilentPrompt : zvr::UserPrompt {
    zvr::PromptAnswer show(const zvr::PromptMessage&) override { return zvr::PromptAnswer::No; }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

// A ZEVAR 740 naming ZVXA1S07.000; the first identification reply has `noise` in front.
struct Controller {
    std::mutex mutex;
    Bytes noise;
    std::vector<Bytes> answer(const Bytes& request) {
        if (request[0] != zvr::kIdentify) return {};
        std::lock_guard lock(mutex);
        Bytes reply = std::exchange(noise, {});
        Bytes id = {6, 10, 'Z', 'V', 'X', 'A', '1', 'S', 7, 0, 1};
        id.push_back(zvr::Checksum(id));
        reply.insert(reply.end(), id.begin(), id.end());
        return {reply};
    }
};

struct Program {
    zvr::CDataServer document{"bench-Log.txt"};
    zvr::MemorySettingsStore store;
    zvr::CRegistrySettings settings{store};
    Shell shell;
    SilentPrompt prompt;
    std::shared_ptr<zvr::QueueReceiver> receiver = std::make_shared<zvr::QueueReceiver>();
    zvr::ConnectionWorkflow workflow{
        document, settings, shell, prompt,
        [](const std::string& name) -> std::optional<std::string> { return name; }};
    Program() { workflow.SetReceiver(receiver); }
    ~Program() { document.Close(); }

    bool pumpUntil(const std::function<bool()>& done, milliseconds limit = seconds(30)) {
        const auto deadline = steady_clock::now() + limit;
        while (!done()) {
            if (steady_clock::now() > deadline) return false;
            if (auto message = receiver->wait(milliseconds(5))) workflow.OnMessage(*message);
        }
        return true;
    }
};

void IdentificationAfterNoise() {
    std::mt19937 random(16);
    std::map<int, int> attemptsSeen;
    int tries = 0;
    int succeeded = 0;
    for (int strays = 1; strays <= 5; ++strays) {
        for (int i = 0; i < kTriesPerCount; ++i) {
            Controller fake;
            for (int b = 0; b < strays; ++b)
                fake.noise.push_back(static_cast<uint8_t>(random()));
            zvr::test::ScriptedController line([&](const Bytes& r) { return fake.answer(r); },
                                               kWireByte);
            Program program;
            program.workflow.OpenPort(line.path());
            program.pumpUntil(
                [&] { return program.shell.pane0 == "Ready" || program.shell.portDialogs > 0; });
            ++tries;
            if (program.shell.pane0 == "Ready") ++succeeded;
            int identifies = 0;
            for (const Bytes& request : line.requests())
                identifies += request[0] == zvr::kIdentify;
            ++attemptsSeen[identifies];
        }
    }
    std::printf("identification after 1-5 stray bytes: %d of %d tries succeeded\n", succeeded,
                tries);
    for (auto [attempts, count] : attemptsSeen)
        std::printf("  %d attempt%s: %d tries\n", attempts, attempts == 1 ? "" : "s", count);
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void CpuWhileHungUp() {
    zvr::test::PtyPeer peer;
    zvr::CDataServer link("bench-Log.txt");
    if (link.OpenPort(peer.path()) != 0) return;
    peer.hangUp();
    std::this_thread::sleep_for(milliseconds(200));
    const double cpuBefore = ProcessCpuSeconds();
    const uint64_t passesBefore = link.ReceivePasses();
    const auto start = steady_clock::now();
    std::this_thread::sleep_for(seconds(10));
    const double wall = duration<double>(steady_clock::now() - start).count();
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double passes = static_cast<double>(link.ReceivePasses() - passesBefore);
    std::printf("line hung up for %.1f s: %.2f %% of a core, %.1f ms per receive pass\n", wall,
                100.0 * cpu / wall, 1000.0 * wall / passes);
}

void ReconnectTime() {
    constexpr int kRounds = 5;
    Controller fake;
    auto answer = [&](const Bytes& r) { return fake.answer(r); };
    std::filesystem::remove("bench-adapter");
    auto line = std::make_unique<zvr::test::ScriptedController>(answer, kWireByte);
    std::filesystem::create_symlink(line->path(), "bench-adapter");
    Program program;
    program.workflow.PortChosen("bench-adapter");
    if (!program.pumpUntil([&] { return program.shell.pane0 == "Ready"; })) return;
    double total = 0;
    double worst = 0;
    for (int round = 0; round < kRounds; ++round) {
        program.shell.watched.clear();
        line.reset();  // pulled out
        program.pumpUntil([&] { return !program.shell.watched.empty(); });
        zvr::DeviceWatch watch(program.shell.watched);
        std::thread replug([&] {
            std::this_thread::sleep_for(milliseconds(300));
            auto next = std::make_unique<zvr::test::ScriptedController>(answer, kWireByte);
            std::filesystem::remove("bench-adapter");
            std::filesystem::create_symlink(next->path(), "bench-adapter");
            line = std::move(next);
        });
        // Timed from the moment the watch sees the path again, as the main window is woken.
        watch.WaitForReturn(seconds(10));
        const auto back = steady_clock::now();
        replug.join();
        program.workflow.DeviceReturned();
        program.pumpUntil([&] { return program.shell.pane0 == "Ready"; });
        const double seconds = duration<double>(steady_clock::now() - back).count();
        total += seconds;
        worst = std::max(worst, seconds);
    }
    std::printf(
        "device back to \"Ready\": %.0f ms on average, %.0f ms at worst (%d rounds; "
        "includes the 100 ms pause after the stop at open)\n",
        1000 * total / kRounds, 1000 * worst, kRounds);
}

}  // namespace

int main() {
    const auto folder = std::filesystem::temp_directory_path() / "zvr-link-bench";
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    zvr::DefinitionSet strategy;
    strategy.header.strategyName = "ZVXA1S";
    zvr::test::WrittenBytes(strategy, "ZVXA1S07.000");
    IdentificationAfterNoise();
    CpuWhileHungUp();
    ReconnectTime();
    return 0;
}
