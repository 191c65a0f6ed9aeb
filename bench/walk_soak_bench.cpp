// Saves and downloads of the ZEVAR 740 strategy through zvr-sim's line faults at 9600 baud:
// how many succeed, and how many report success with values that are not the controller's
// (silent wrong results). Then the late-reply trial: a reply given up on lands just before the
// answer to one read of a walk, at full speed and at 9600 baud. Last, a
// clean download with its read-back against the wire time of its writes and reads. (Single
// reads meet the same trial in the tests.)
//
//   zvr_walk_soak_bench [STRATEGY.000] [RUNS per fault and rate] [LATE-REPLY TRIALS per speed]
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "calibration/cal_file_operations.h"
#include "comm/data_server.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "simulator.h"
#include "support/scalar_memory_controller.h"

namespace {

using namespace std::chrono;
using zvr::PostedMessage;

constexpr double kSecondsPerByte = 10.0 / 9600.0;
const microseconds kPerByte{1042};
// Shorter than the program's 150 ticks, so that a soak with dropped replies ends in minutes;
// the share of walks that succeed does not depend on it.
constexpr int kTimeoutTicks = 25;

// Answers every question No (keep going, no comment editing), chooses the given file, and
// remembers the last text shown.
class Answers : public zvr::UserPrompt, public zvr::CalFileUi {
public:
    std::string file;
    std::string last;

    zvr::PromptAnswer show(const zvr::PromptMessage& message) override {
        last = message.text;
        return message.buttons == zvr::PromptButtons::Ok ? zvr::PromptAnswer::Ok
                                                         : zvr::PromptAnswer::No;
    }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return file; }
    void ShowProgress(const zvr::ProgressState&) override {}
    void HideProgress() override {}
    bool EditComments(zvr::DefinitionSet&, const std::string&) override { return false; }
    std::optional<std::string> ShowText(const zvr::TextDialogRequest&) override { return {}; }
    void OpenWithShell(const std::string&) override {}
};

struct Tally {
    int runs = 0;
    int succeeded = 0;
    int silentWrong = 0;
};

class Soak {
public:
    Soak(const std::string& strategy, zvr::sim::Simulator& simulator)
        : strategy_(strategy), simulator_(simulator) {
        answers_.file = strategy;
    }

    bool Connect() {
        if (document_.Load(strategy_, answers_) != 0) return false;
        if (document_.OpenPort(simulator_.linkPath(), kTimeoutTicks) != 0) return false;
        for (int attempt = 0; attempt < 4; ++attempt) {
            document_.RequestIdentify(receiver_, 1124, 1125, 0);
            if (auto m = receiver_->wait(seconds(3)); m && m->wParam == 1) return true;
        }
        return false;
    }

    // Two files to download in turn, differing in every two-byte scalar but the password.
    void PrepareFiles() {
        for (int i = 0; i < 2; ++i) {
            zvr::DefinitionSet set;
            zvr::LoadCalFile(set, strategy_, answers_);
            for (const auto& scalar : set.scalars.entries()) {
                if (scalar->name != "PASSWORD" && scalar->scaling.size == 2) {
                    scalar->fileRaw = (scalar->fileRaw + 1 + i) & 0x7FFF;
                }
            }
            files_[i] = "soak-download-" + std::to_string(i) + ".ZVR";
            std::ofstream(files_[i]).close();  // written into an existing file
            zvr::WriteCalFile(set, files_[i], set.header.strategyName);
        }
    }

    void SaveOnce(Tally& tally) {
        ++tally.runs;
        answers_.file = "soak-save.ZVR";
        std::filesystem::remove(answers_.file);
        operations_.Save();
        Drive();
        if (answers_.last != answers_.file + zvr::kCreatedSuccessfully) {
            std::fprintf(stderr, "save failed: %s\n", answers_.last.c_str());
            return;
        }
        ++tally.succeeded;
        if (!ControllerHolds(answers_.file)) ++tally.silentWrong;
    }

    void DownloadOnce(Tally& tally, bool verify) {
        ++tally.runs;
        answers_.file = files_[next_++ % 2];
        operations_.setVerifyDownload(verify);
        operations_.Download();
        Drive();
        if (answers_.last != zvr::kDownloadedSuccessfully) {
            std::fprintf(stderr, "download failed: %s\n", answers_.last.c_str());
            return;
        }
        ++tally.succeeded;
        if (!ControllerHolds(answers_.file)) ++tally.silentWrong;
    }

    const std::string& lastText() const { return answers_.last; }

private:
    void Drive() {
        while (operations_.busy()) {
            auto message = receiver_->wait(seconds(10));
            if (!message) {
                operations_.Abort();
                return;
            }
            operations_.Handle(*message);
        }
    }

    bool ControllerHolds(const std::string& path) {
        zvr::DefinitionSet set;
        if (zvr::LoadCalFile(set, path, answers_) != 0) return false;
        for (const auto& scalar : set.scalars.entries()) {
            const auto address = static_cast<uint16_t>(scalar->eepromAddress);
            const uint16_t word =
                simulator_.withUnit([address](auto& unit) { return unit.readWord(address); });
            if (zvr::RawFromWord(*scalar, word) != scalar->fileRaw) return false;
        }
        return true;
    }

    std::string strategy_;
    zvr::sim::Simulator& simulator_;
    Answers answers_;
    zvr::CDataServer document_{
        (std::filesystem::temp_directory_path() / "zvr-soak-Log.txt").string()};
    std::shared_ptr<zvr::QueueReceiver> receiver_ = std::make_shared<zvr::QueueReceiver>();
    zvr::CalFileOperations operations_{zvr::CalFileContext{document_, answers_, answers_},
                                       receiver_};
    std::string files_[2];
    int next_ = 0;
};

double Percent(int part, int whole) { return whole == 0 ? 0 : 100.0 * part / whole; }

int LineFaults(const std::string& strategy, int runs) {
    zvr::sim::SimOptions options;
    options.strategy = strategy;
    options.baud = 9600;
    options.seed = 17;
    zvr::sim::Simulator simulator;
    std::string error;
    if (!simulator.start(options, error)) {
        std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        return 3;
    }
    Soak soak(strategy, simulator);
    if (!soak.Connect()) {
        std::fprintf(stderr, "the simulator does not answer\n");
        return 3;
    }
    soak.PrepareFiles();
    std::printf("line faults at 9600 baud, %d saves and %d downloads (with read-back) each:\n",
                runs, runs);
    std::printf("  %-9s %5s  %-16s %-16s %s\n", "fault", "rate", "saves ok", "downloads ok",
                "silent wrong");
    for (const char* fault : {"drop", "nak", "checksum"}) {
        for (const double rate : {0.01, 0.05}) {
            simulator.execute(std::string("line ") + fault + " " + std::to_string(rate));
            Tally saves;
            Tally downloads;
            for (int i = 0; i < runs; ++i) {
                soak.SaveOnce(saves);
                soak.DownloadOnce(downloads, true);
            }
            simulator.execute("line clear");
            std::printf("  %-9s %4.0f%%  %3d/%-3d %6.1f%%  %3d/%-3d %6.1f%%  %d\n", fault,
                        rate * 100, saves.succeeded, saves.runs,
                        Percent(saves.succeeded, saves.runs), downloads.succeeded, downloads.runs,
                        Percent(downloads.succeeded, downloads.runs),
                        saves.silentWrong + downloads.silentWrong);
            std::fflush(stdout);
        }
    }

    // A clean download with its read-back, against the wire time of the writes and reads.
    zvr::DefinitionSet set;
    Answers quiet;
    zvr::LoadCalFile(set, strategy, quiet);
    size_t bytes = 0;
    for (const auto& scalar : set.scalars.entries()) {
        const size_t write = 4 + static_cast<size_t>(scalar->scaling.size);
        bytes += 2 * write + 3 + 4 + 5 + 5;  // write, echo, commit, its reply; read, reply
    }
    Tally clean;
    const auto start = steady_clock::now();
    soak.DownloadOnce(clean, true);
    const double took = duration<double>(steady_clock::now() - start).count();
    const double limit = static_cast<double>(bytes) * kSecondsPerByte;
    std::printf(
        "clean download with read-back: %zu scalars, %zu bytes, wire limit %.3f s, "
        "took %.3f s, ratio %.2f (%s)\n",
        set.scalars.count(), bytes, limit, took, took / limit,
        clean.succeeded ? "succeeded" : soak.lastText().c_str());
    simulator.stop();
    return 0;
}

// One late-reply trial: a walk over the strategy's scalars on a memory controller where a
// stale reply lands just before the answer to one of its reads. A right result and a reported
// failure are fine; a success holding a wrong value is a silent wrong result.
struct Trials {
    int walks = 0;
    int walkFailures = 0;
    int silentWrong = 0;
};

void LateReplyTrial(const zvr::DefinitionSet& strategy, microseconds perByte, size_t landing,
                    Trials& trials) {
    zvr::test::ScalarMemoryController controller(perByte);
    zvr::CDataServer link(
        (std::filesystem::temp_directory_path() / "zvr-soak-late-Log.txt").string());
    auto receiver = std::make_shared<zvr::QueueReceiver>();
    if (link.OpenPort(controller.path(), kTimeoutTicks) != 0) return;
    uint16_t word = 0x1000;
    for (const auto& scalar : strategy.scalars.entries())
        controller.SetWord(static_cast<uint16_t>(scalar->eepromAddress), word++);
    controller.LandLateReplyAt(landing, 0x0023);

    struct Values : zvr::ScalarWalkListener {
        std::vector<std::pair<const zvr::ScalarDef*, uint32_t>> values;
        bool failed = false;
        void OnWalkStep(const zvr::ScalarDef&, size_t, size_t) override {}
        void OnWalkValue(zvr::ScalarDef& scalar, uint32_t raw) override {
            values.emplace_back(&scalar, raw);
        }
        void OnWalkEnd(const zvr::WalkEnd& end) override { failed = end.failed; }
    } listener;
    zvr::CScalarWalk walk(link, receiver);
    walk.StartRead(strategy.scalars, listener);
    while (walk.Running()) {
        auto message = receiver->wait(seconds(5));
        if (!message) return;
        walk.Handle(*message);
    }
    ++trials.walks;
    if (listener.failed) {
        ++trials.walkFailures;
    } else {
        for (const auto& [scalar, raw] : listener.values) {
            if (raw != controller.Value(*scalar)) {
                ++trials.silentWrong;
                break;
            }
        }
    }
}

int LateReplies(const std::string& strategyPath, int trialsPerSpeed) {
    zvr::DefinitionSet strategy;
    Answers quiet;
    if (zvr::LoadCalFile(strategy, strategyPath, quiet) != 0) return 2;
    std::mt19937 random(17);
    std::printf("late-reply trial, %d walks of %zu reads per speed:\n", trialsPerSpeed,
                strategy.scalars.count());
    for (const auto perByte : {microseconds(0), kPerByte}) {
        Trials trials;
        for (int i = 0; i < trialsPerSpeed; ++i) {
            const size_t landing = 1 + random() % strategy.scalars.count();
            LateReplyTrial(strategy, perByte, landing, trials);
        }
        std::printf("  %-9s %d walks, %d reported a failure, %d silent wrong results\n",
                    perByte.count() == 0 ? "full speed" : "9600 baud", trials.walks,
                    trials.walkFailures, trials.silentWrong);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strategy = argc > 1 ? argv[1] : "share/zvr/strategies/ZVX41R03.000";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 100;
    const int trials = argc > 3 ? std::atoi(argv[3]) : 200;
    const std::string absolute = std::filesystem::absolute(strategy).string();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    if (int result = LateReplies(absolute, trials); result != 0) return result;
    return LineFaults(absolute, runs);
}
