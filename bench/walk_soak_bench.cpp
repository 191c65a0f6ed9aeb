// Saves, downloads (with their read-back) and ZEVAR 740 wizard runs through zvr-sim's line
// faults at 9600 baud and the program's own reply time-out: how many finish, how many report
// success with values that are not the controller's (silent wrong results), and how many
// downloads report differences that the controller does not hold (false read-back alarms).
// Every fault kind at 1 % and 5 % of the replies, and a row that places two late replies in
// one walk of every run. Each cell runs against a simulator of its own; cells run side by side
// (the runs spend most of their time waiting out time-outs). Then the late-reply trial (a
// stale reply lands just before the answer to one read of a walk) and a clean download with
// its read-back against the wire time.
//
//   zvr_walk_soak_bench [--runs N] [--parallel N] [--faults a,b,...] [--rates 0.01,0.05]
//                       [--seed N] [--trials N] [--strategy STRATEGY.000]
//
// How long: a save, a download and a wizard run take about 6 s on a clean line; each lost or
// late reply adds about 6 s (the time-out and the quiet after it). 60 runs of a cell take about
// 6 minutes for nak, checksum, split and garbage, 27 (drop) to 35 (delay) minutes at 1 %, 45
// for late2, and 1.7 (drop) to 2.1 (delay) hours at 5 %: about 3.5 hours for all cells two at
// a time. A cell uses a few percent of a core, so a slow cell can be split over several
// processes with distinct seeds, and their rows added.
//
// FAULT names: nak, checksum, split, drop, delay, garbage, and late2 (two late replies).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "calibration/cal_file_operations.h"
#include "comm/data_server.h"
#include "command.h"
#include "common/user_prompt.h"
#include "definitions/cal_file.h"
#include "simulator.h"
#include "support/scalar_memory_controller.h"
#include "wizard_command.h"
#include "wizard_conversation.h"

namespace {

using namespace std::chrono;
using zvr::PostedMessage;

constexpr double kSecondsPerByte = 10.0 / 9600.0;
const microseconds kPerByte{1042};
constexpr const char* kTwoLate = "late2";

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

// Nobody at the keyboard: every answer of the wizard comes from the file.
class NoInput : public zvr::cli::WizardInput {
public:
    bool Ready(milliseconds) override { return true; }
    std::optional<std::string> Line() override { return std::nullopt; }
    bool TakeInterruption() override { return false; }
    bool terminal() const override { return false; }
};

constexpr const char* kWizardAnswers = R"({
  "fields": {"welcome.start": "Start with current values", "engine.type": 1,
             "engine.count": 6, "engine.teeth": 110, "range.lowest": 700,
             "range.highest": 2600, "analog.mode": 1, "speed.count": 2, "speed.1": 1750,
             "speed.warmup_time": 0, "aux1.mode": 1, "protect.overspeed": 1,
             "protect.switch": 1},
  "calibrate": "yes"
})";

struct Tally {
    int runs = 0;
    int finished = 0;
    int silentWrong = 0;
    int falseAlarms = 0;
};

struct Cell {
    std::string fault;
    double rate = 0;
    Tally saves, downloads, wizards;
    double seconds = 0;
    std::string trouble;                  // the cell could not run
    std::map<std::string, int> failures;  // what a failed run said last, and how often
};

using Words = std::map<uint16_t, uint32_t>;  // a scalar's address and value

// One cell: a simulator with its line faults, a connected document for save and download, and
// wizard runs through zvr-cli's own command.
class Soak {
public:
    Soak(const std::string& strategy, const std::string& folder, uint32_t seed)
        : strategy_(strategy), folder_(folder) {
        std::filesystem::create_directories(folder);
        answers_.file = strategy;
        options_.strategy = strategy;
        options_.baud = 9600;
        options_.seed = seed;
        random_.seed(seed);
        options_.link = folder + "/link";
        options_.control = folder + "/control";
    }

    bool Start(std::string& trouble) {
        if (!simulator_.start(options_, trouble)) return false;
        if (zvr::LoadCalFile(scalars_, strategy_, answers_) != 0) {
            trouble = "cannot load " + strategy_;
            return false;
        }
        if (document_.Load(strategy_, answers_) != 0 ||
            document_.OpenPort(simulator_.linkPath(), zvr::CDataServer::kTimeoutTicks) != 0) {
            trouble = "cannot open the link";
            return false;
        }
        bool identified = false;
        for (int attempt = 0; attempt < 4 && !identified; ++attempt) {
            document_.RequestIdentify(receiver_, 1124, 1125, 0);
            const auto m = receiver_->wait(seconds(10));
            identified = m && m->wParam == 1;
        }
        if (!identified) {
            trouble = "the simulator does not answer";
            return false;
        }
        PrepareFiles();
        original_ = ControllerWords();
        std::ofstream(folder_ + "/answers.json") << kWizardAnswers;
        // What a wizard run writes, from a clean run; a second clean run must agree.
        for (int i = 0; i < 2; ++i) {
            Restore(original_);
            if (RunWizard() != 0) {
                trouble = "a clean wizard run failed";
                return false;
            }
            if (i == 1 && ControllerWords() != wizardResult_) {
                trouble = "two clean wizard runs wrote different values";
                return false;
            }
            wizardResult_ = ControllerWords();
        }
        return true;
    }

    void Stop() {
        document_.Close();
        simulator_.stop();
    }

    void SetFault(const std::string& fault, double rate) {
        if (fault != kTwoLate) simulator_.execute("line " + fault + " " + std::to_string(rate));
    }
    void ClearFaults() { simulator_.execute("line clear"); }

    // Two replies of the type, at distinct places among the first `count`, come late.
    void PlaceTwoLate(uint8_t type, size_t count) {
        std::uniform_int_distribution<size_t> pick(1, count);
        const size_t first = pick(random_);
        size_t second = first;
        while (second == first)
            second = pick(random_);
        simulator_.withLineFaults([&](zvr::sim::LineFaults& faults) {
            faults.delayReplies(type, {first, second});
        });
    }
    void UnplaceLate() {
        simulator_.withLineFaults([](zvr::sim::LineFaults& faults) { faults.delayReplies(0, {}); });
    }

    void SaveOnce(Tally& tally, bool twoLate) {
        ++tally.runs;
        answers_.file = folder_ + "/save.ZVR";
        std::filesystem::remove(answers_.file);
        if (twoLate) PlaceTwoLate(zvr::kReadOnce, scalars_.scalars.count());
        operations_.Save();
        Drive();
        UnplaceLate();
        if (answers_.last != answers_.file + zvr::kCreatedSuccessfully) {
            errors_.push_back("save: " + answers_.last);
            return;
        }
        ++tally.finished;
        if (!ControllerHolds(answers_.file)) ++tally.silentWrong;
    }

    void DownloadOnce(Tally& tally, bool twoLate) {
        ++tally.runs;
        answers_.file = files_[next_++ % 2];
        operations_.setVerifyDownload(true);
        // The write walk's echoes or its commit replies.
        if (twoLate) PlaceTwoLate(next_ % 4 < 2 ? zvr::kWrite : zvr::kCommit, Written());
        operations_.Download();
        Drive();
        UnplaceLate();
        const bool holds = ControllerHolds(answers_.file);
        if (answers_.last.starts_with(zvr::kVerifyDiffers) && holds) ++tally.falseAlarms;
        if (answers_.last != zvr::kDownloadedSuccessfully) {
            errors_.push_back("download: " + answers_.last);
            return;
        }
        ++tally.finished;
        if (!holds) ++tally.silentWrong;
    }

    void WizardOnce(Tally& tally, bool twoLate) {
        ++tally.runs;
        Restore(original_);
        // The whole read, or the write of every written scalar's echo.
        if (twoLate) {
            if (tally.runs % 2 == 0) {
                PlaceTwoLate(zvr::kReadOnce, scalars_.scalars.count());
            } else {
                PlaceTwoLate(zvr::kWrite, Written() - 3);
            }
        }
        const int exit = RunWizard();
        UnplaceLate();
        if (exit != 0) return;
        ++tally.finished;
        if (ControllerWords() != wizardResult_) ++tally.silentWrong;
    }

    const std::string& lastText() const { return answers_.last; }
    const std::vector<std::string>& errors() const { return errors_; }

private:
    void Drive() {
        while (operations_.busy()) {
            auto message = receiver_->wait(seconds(30));
            if (!message) {
                operations_.Abort();
                return;
            }
            operations_.Handle(*message);
        }
    }

    int RunWizard() {
        // The wizard connects on its own: the cell's document lets go of the line meanwhile.
        document_.Close();
        Answers quiet;
        NoInput input;
        std::ostringstream output;
        std::ostringstream errors;
        zvr::cli::CommandContext context{
            .logPath = folder_ + "/wizard-Log.txt", .prompt = quiet, .out = output, .err = errors};
        const std::vector<std::string> args = {
            "--answers",      folder_ + "/answers.json",
            "--port",         simulator_.linkPath(),
            "--strategy-dir", std::filesystem::path(strategy_).parent_path().string()};
        const int exit = zvr::cli::RunWizardWith(context, args, input);
        if (exit != 0) {
            errors_.push_back("wizard exit " + std::to_string(exit) + ": " +
                              (errors.str().empty() ? quiet.last : errors.str()));
        }
        document_.OpenPort(simulator_.linkPath(), zvr::CDataServer::kTimeoutTicks);
        return exit;
    }

    size_t Written() const {
        size_t count = 0;
        for (const auto& scalar : scalars_.scalars.entries())
            count += scalar->scaling.size <= 2 ? 1 : 0;
        return count;
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
            files_[i] = folder_ + "/download-" + std::to_string(i) + ".ZVR";
            std::ofstream(files_[i]).close();  // written into an existing file
            zvr::WriteCalFile(set, files_[i], set.header.strategyName);
        }
    }

    Words ControllerWords() {
        Words words;
        for (const auto& scalar : scalars_.scalars.entries()) {
            const auto address = static_cast<uint16_t>(scalar->eepromAddress);
            const uint16_t word =
                simulator_.withUnit([address](auto& unit) { return unit.readWord(address); });
            words[address] = zvr::RawFromWord(*scalar, word);
        }
        return words;
    }

    void Restore(const Words& words) {
        for (const auto& scalar : scalars_.scalars.entries()) {
            const auto address = static_cast<uint16_t>(scalar->eepromAddress);
            const uint32_t raw = words.at(address);
            const std::vector<uint8_t> bytes =
                scalar->scaling.size == 1 ? std::vector<uint8_t>{static_cast<uint8_t>(raw)}
                                          : std::vector<uint8_t>{static_cast<uint8_t>(raw >> 8),
                                                                 static_cast<uint8_t>(raw)};
            simulator_.withUnit([&](auto& unit) { return unit.commitWrite(address, bytes); });
        }
    }

    bool ControllerHolds(const std::string& path) {
        zvr::DefinitionSet set;
        if (zvr::LoadCalFile(set, path, answers_) != 0) return false;
        const Words words = ControllerWords();
        for (const auto& scalar : set.scalars.entries()) {
            const auto at = words.find(static_cast<uint16_t>(scalar->eepromAddress));
            if (at == words.end() || at->second != scalar->fileRaw) return false;
        }
        return true;
    }

    std::string strategy_;
    std::string folder_;
    zvr::sim::SimOptions options_;
    zvr::sim::Simulator simulator_;
    zvr::DefinitionSet scalars_;
    Answers answers_;
    zvr::CDataServer document_{folder_ + "/Log.txt"};
    std::shared_ptr<zvr::QueueReceiver> receiver_ = std::make_shared<zvr::QueueReceiver>();
    zvr::CalFileOperations operations_{zvr::CalFileContext{document_, answers_, answers_},
                                       receiver_};
    std::string files_[2];
    int next_ = 0;
    Words original_;
    Words wizardResult_;
    std::mt19937 random_;
    std::vector<std::string> errors_;
};

double Percent(int part, int whole) { return whole == 0 ? 0 : 100.0 * part / whole; }

void RunCell(const std::string& strategy, int runs, uint32_t seed, size_t index, Cell& cell) {
    const auto start = steady_clock::now();
    const std::string folder =
        (std::filesystem::temp_directory_path() /
         ("zvr-soak-" + std::to_string(::getpid()) + "-" + std::to_string(index)))
            .string();
    Soak soak(strategy, folder, seed + static_cast<uint32_t>(index));
    if (!soak.Start(cell.trouble)) {
        soak.Stop();
        return;
    }
    const bool twoLate = cell.fault == kTwoLate;
    soak.SetFault(cell.fault, cell.rate);
    for (int i = 0; i < runs; ++i) {
        soak.SaveOnce(cell.saves, twoLate);
        soak.DownloadOnce(cell.downloads, twoLate);
        soak.WizardOnce(cell.wizards, twoLate);
    }
    for (const std::string& text : soak.errors())
        ++cell.failures[text.substr(0, text.find_last_not_of('\n') + 1)];
    soak.ClearFaults();
    soak.Stop();
    std::filesystem::remove_all(folder);
    cell.seconds = duration<double>(steady_clock::now() - start).count();
}

std::string Column(const Tally& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%3d/%-3d %5.1f%% %3d", t.finished, t.runs,
                  Percent(t.finished, t.runs), t.silentWrong);
    return text;
}

void PrintHeader(std::FILE* to) {
    std::fprintf(to, "  %-9s %5s  %-24s %-24s %-24s %s\n", "", "", "saves", "downloads",
                 "wizard runs", "downloads");
    std::fprintf(to, "  %-9s %5s  %-24s %-24s %-24s %s\n", "fault", "rate", "finished    %  wrong",
                 "finished    %  wrong", "finished    %  wrong", "false alarms  minutes");
}

void PrintRow(std::FILE* to, const Cell& cell) {
    if (!cell.trouble.empty()) {
        std::fprintf(to, "  %-9s could not run: %s\n", cell.fault.c_str(), cell.trouble.c_str());
        return;
    }
    char rate[16];
    std::snprintf(rate, sizeof rate, cell.fault == kTwoLate ? "-" : "%.0f%%", cell.rate * 100);
    std::fprintf(to, "  %-9s %5s  %-24s %-24s %-24s %-13d %.1f\n", cell.fault.c_str(), rate,
                 Column(cell.saves).c_str(), Column(cell.downloads).c_str(),
                 Column(cell.wizards).c_str(), cell.downloads.falseAlarms, cell.seconds / 60);
    for (const auto& [text, count] : cell.failures)
        std::fprintf(to, "      %dx %s\n", count, text.c_str());
    std::fflush(to);
}

int LineFaults(const std::string& strategy, int runs, int parallel, uint32_t seed,
               const std::vector<std::string>& faults, const std::vector<double>& rates) {
    std::vector<Cell> cells;
    for (const std::string& fault : faults) {
        if (fault == kTwoLate) {
            cells.push_back({fault, 0});
            continue;
        }
        for (const double rate : rates)
            cells.push_back({fault, rate});
    }
    std::printf(
        "line faults at 9600 baud, the program's time-out (%d passes) and late-reply window "
        "(%lld ms),\n%d saves, downloads with read-back and ZEVAR 740 wizard runs per cell, %d "
        "cells at a time:\n",
        zvr::CDataServer::kTimeoutTicks, static_cast<long long>(zvr::kLateReplyWindow.count()),
        runs, parallel);
    std::fflush(stdout);
    // The cells that wait out time-outs take longest: they start first.
    std::vector<size_t> order(cells.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    auto cost = [&cells](size_t i) {
        const Cell& c = cells[i];
        const bool slow = c.fault == "drop" || c.fault == "delay" || c.fault == kTwoLate;
        return (slow ? 1.0 : 0.0) + (c.fault == kTwoLate ? 0.02 : c.rate);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&cost](size_t a, size_t b) { return cost(a) > cost(b); });
    std::mutex mutex;
    size_t nextCell = 0;
    auto worker = [&] {
        for (;;) {
            size_t index;
            {
                std::lock_guard lock(mutex);
                if (nextCell == cells.size()) return;
                index = order[nextCell++];
            }
            RunCell(strategy, runs, seed, index, cells[index]);
            // Each row as its cell ends: a long soak shows its figures before the last cell.
            std::lock_guard lock(mutex);
            PrintRow(stderr, cells[index]);
        }
    };
    std::vector<std::thread> workers;
    for (int i = 0; i < parallel; ++i)
        workers.emplace_back(worker);
    for (std::thread& t : workers)
        t.join();

    PrintHeader(stdout);
    for (const Cell& cell : cells)
        PrintRow(stdout, cell);
    return 0;
}

// A clean download with its read-back, against the wire time of the writes and reads.
int CleanDownload(const std::string& strategy) {
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("zvr-soak-clean-" + std::to_string(::getpid())))
            .string();
    Soak soak(strategy, folder, 17);
    std::string trouble;
    if (!soak.Start(trouble)) {
        std::fprintf(stderr, "%s\n", trouble.c_str());
        soak.Stop();
        return 3;
    }
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
    soak.DownloadOnce(clean, false);
    const double took = duration<double>(steady_clock::now() - start).count();
    const double limit = static_cast<double>(bytes) * kSecondsPerByte;
    std::printf(
        "clean download with read-back: %zu scalars, %zu bytes, wire limit %.3f s, "
        "took %.3f s, ratio %.2f (%s)\n",
        set.scalars.count(), bytes, limit, took, took / limit,
        clean.finished ? "succeeded" : soak.lastText().c_str());
    soak.Stop();
    std::filesystem::remove_all(folder);
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
    if (link.OpenPort(controller.path(), 25) != 0) return;
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

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, ',');)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

}  // namespace

int main(int argc, char** argv) {
    std::string strategy = "share/zvr/strategies/ZVX41R03.000";
    int runs = 60;
    int parallel = 2;
    int trials = 200;
    uint32_t seed = 100;  // the first cell's; the next cells count on from it
    std::vector<std::string> faults = {"nak",   "checksum", "split", "drop",
                                       "delay", "garbage",  kTwoLate};
    std::vector<double> rates = {0.01, 0.05};
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--runs") {
            runs = std::atoi(value.c_str());
        } else if (option == "--parallel") {
            parallel = std::max(1, std::atoi(value.c_str()));
        } else if (option == "--faults") {
            faults = Split(value);
        } else if (option == "--rates") {
            rates.clear();
            for (const std::string& rate : Split(value))
                rates.push_back(std::atof(rate.c_str()));
        } else if (option == "--seed") {
            seed = static_cast<uint32_t>(std::atol(value.c_str()));
        } else if (option == "--trials") {
            trials = std::atoi(value.c_str());
        } else if (option == "--strategy") {
            strategy = value;
        } else {
            std::fprintf(stderr, "unknown option %s\n", option.c_str());
            return 2;
        }
    }
    const std::string absolute = std::filesystem::absolute(strategy).string();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    if (trials > 0) {
        if (int result = LateReplies(absolute, trials); result != 0) return result;
    }
    if (int result = CleanDownload(absolute); result != 0) return result;
    if (runs > 0) return LineFaults(absolute, runs, parallel, seed, faults, rates);
    return 0;
}
