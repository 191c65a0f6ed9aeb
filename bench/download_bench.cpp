// `zvr-cli download` as a whole command against zvr-sim paced at 9600 baud, with the ZEVAR 740
// strategy (median of five runs each), against the time the wire needs:
// - a file differing in 5 values: the whole read (kept as a restore point), the 5 writes and
//   their read-back, against the plain download of every value (its writes' wire time plus the
//   connection's pauses, taken as the whole `zvr-cli identify` command);
// - a file differing in every value, against the wire time of the whole read, every write and
//   every read-back (the whole command, and the command less the connection);
// - a file the controller holds already: the write requests in its traffic log (none).
// Before each run the simulator's EEPROM is put back to the strategy's values.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "common/user_prompt.h"
#include "controller_unit.h"
#include "definitions/cal_file.h"
#include "definitions/scaling.h"
#include "program_run.h"
#include "simulator.h"

namespace {

using namespace std::chrono;
using zvr::bench::Median;
using zvr::bench::RunProgram;

constexpr double kSecondsPerByte = 10.0 / 9600.0;  // start bit, 8 data bits, stop bit
constexpr int kRuns = 5;
constexpr size_t kChanged = 5;

class Quiet : public zvr::UserPrompt {
public:
    zvr::PromptAnswer show(const zvr::PromptMessage& message) override {
        std::fprintf(stderr, "%s\n", message.text.c_str());
        return zvr::PromptAnswer::Ok;
    }
    std::optional<std::string> chooseFile(const zvr::FileChoice&) override { return {}; }
};

// Bytes on the wire: a read is request and reply of 5 bytes each; a write is the write and its
// echo (4 bytes and the value), the commit (3) and its reply (4).
size_t ReadBytes(size_t scalars) { return scalars * 10; }
size_t WriteBytes(const std::vector<const zvr::ScalarDef*>& scalars) {
    size_t bytes = 0;
    for (const zvr::ScalarDef* scalar : scalars)
        bytes += 2 * (4 + static_cast<size_t>(scalar->scaling.size)) + 3 + 4;
    return bytes;
}

// The write requests (message type 4) in a traffic log.
size_t WriteRequests(const std::string& log) {
    std::ifstream in(log);
    const std::regex write("SEND [0-9]+ Bytes: +04 ");
    size_t count = 0;
    for (std::string line; std::getline(in, line);)
        count += std::regex_search(line, write) ? 1 : 0;
    return count;
}

// Another raw value for a scalar, one the simulator takes as a plain value: the analog mode's
// 255 would start its analog calibration.
uint32_t Other(const zvr::ScalarDef& scalar) {
    uint32_t raw = (scalar.fileRaw ^ 1u) & zvr::RawMask(scalar.scaling.size);
    if (scalar.name == "EXTERNAL_ANALOG_MODE" && raw == 255) raw = scalar.fileRaw ^ 2u;
    return raw;
}

// The strategy with the scalars `changed` picks set to other values.
bool WriteChanged(const std::string& strategy, const std::string& path,
                  const std::function<bool(const zvr::ScalarDef&)>& changed) {
    Quiet quiet;
    zvr::DefinitionSet set;
    if (zvr::LoadCalFile(set, strategy, quiet) != 0) return false;
    for (const auto& scalar : set.scalars.entries()) {
        if (changed(*scalar)) scalar->fileRaw = Other(*scalar);
    }
    std::ofstream(path).close();  // the writer fills a file that exists
    return zvr::WriteCalFile(set, path, set.header.strategyName) == 0;
}

// Puts every scalar of the strategy back into the simulator's EEPROM at its file value.
void Reset(zvr::sim::Simulator& simulator, const zvr::DefinitionSet& set) {
    simulator.withUnit([&set](zvr::sim::ControllerUnit& unit) {
        for (const auto& scalar : set.scalars.entries()) {
            const auto address = static_cast<uint16_t>(scalar->eepromAddress);
            if (scalar->scaling.size == 1) {
                const uint8_t byte[] = {static_cast<uint8_t>(scalar->fileRaw)};
                unit.commitWrite(address, byte);
            } else if (scalar->scaling.size == 2) {
                const uint8_t bytes[] = {static_cast<uint8_t>(scalar->fileRaw >> 8),
                                         static_cast<uint8_t>(scalar->fileRaw)};
                unit.commitWrite(address, bytes);
            }
        }
        return 0;
    });
}

// The median of kRuns whole commands, each after the EEPROM was put back; -1 when one failed.
double Timed(zvr::sim::Simulator& simulator, const zvr::DefinitionSet& set,
             const std::vector<std::string>& args) {
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        Reset(simulator, set);
        times.push_back(RunProgram(ZVR_CLI_PROGRAM, args));
        if (times.back() < 0) return -1;
    }
    return Median(times);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string strategy =
        std::filesystem::absolute(argc > 1 ? argv[1] : "share/zvr/strategies/ZVX41R03.000");
    Quiet quiet;
    zvr::DefinitionSet set;
    if (zvr::LoadCalFile(set, strategy, quiet) != 0 || set.scalars.count() < kChanged) {
        std::fprintf(stderr, "cannot load %s, or it has fewer than %zu scalars\n", strategy.c_str(),
                     kChanged);
        return 2;
    }
    // Work in a folder of our own, restore points and traffic log included.
    const auto folder = std::filesystem::temp_directory_path() / "zvr-download-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    ::setenv("XDG_DATA_HOME", folder.c_str(), 1);
    const std::string log = (folder / "Log.txt").string();

    // Every value the link can write, and five of them spread over the table (PASSWORD
    // stays, so that no password question is asked).
    std::vector<const zvr::ScalarDef*> written;
    for (const auto& scalar : set.scalars.entries()) {
        if (scalar->scaling.size <= 2) written.push_back(scalar.get());
    }
    std::vector<const zvr::ScalarDef*> five;
    for (size_t k = 0; k < kChanged; ++k) {
        size_t at = k * written.size() / kChanged;
        while (at + 1 < written.size() && written[at]->name == "PASSWORD")
            ++at;
        five.push_back(written[at]);
    }
    const auto isOneOfFive = [&five](const zvr::ScalarDef& scalar) {
        return std::any_of(five.begin(), five.end(), [&scalar](const zvr::ScalarDef* picked) {
            return picked->name == scalar.name;
        });
    };
    if (!WriteChanged(strategy, "five.ZVR", isOneOfFive) ||
        !WriteChanged(strategy, "all.ZVR", [](const zvr::ScalarDef&) { return true; }) ||
        !WriteChanged(strategy, "same.ZVR", [](const zvr::ScalarDef&) { return false; })) {
        std::fprintf(stderr, "cannot write the files to download\n");
        return 2;
    }

    zvr::sim::SimOptions options;
    options.strategy = strategy;
    options.baud = 9600;
    zvr::sim::Simulator simulator;
    std::string error;
    if (!simulator.start(options, error)) {
        std::fprintf(stderr, "zvr-sim: %s\n", error.c_str());
        return 3;
    }
    const std::string port = simulator.linkPath();
    const auto download = [&](const char* file) {
        return std::vector<std::string>{
            "--log", log, "download", file, "--port", port, "--password-mismatch", "change"};
    };
    const double identify = Timed(simulator, set, {"--log", log, "identify", "--port", port});
    const double fiveTime = Timed(simulator, set, download("five.ZVR"));
    const double allTime = Timed(simulator, set, download("all.ZVR"));
    Reset(simulator, set);
    const double sameTime = RunProgram(ZVR_CLI_PROGRAM, download("same.ZVR"));
    const size_t sameWrites = WriteRequests(log);
    simulator.stop();
    if (std::min({identify, fiveTime, allTime, sameTime}) < 0) {
        std::printf("a command failed\n");
        return 1;
    }

    const double plainWrites = static_cast<double>(WriteBytes(written)) * kSecondsPerByte;
    const double plain = plainWrites + identify;
    const double wholeRead = static_cast<double>(ReadBytes(set.scalars.count())) * kSecondsPerByte;
    const double fiveWire =
        wholeRead + static_cast<double>(WriteBytes(five) + ReadBytes(kChanged)) * kSecondsPerByte;
    const double allWire =
        wholeRead + plainWrites + static_cast<double>(ReadBytes(written.size())) * kSecondsPerByte;
    std::printf(
        "zvr-cli download, %s (%zu scalars), zvr-sim --baud 9600, whole commands "
        "(median of %d runs)\n",
        set.header.strategyName.c_str(), set.scalars.count(), kRuns);
    std::printf("  the connection (zvr-cli identify)          %.3f s\n", identify);
    std::printf(
        "  plain download of every value: its writes' wire time %.3f s + the connection "
        "= %.3f s\n",
        plainWrites, plain);
    std::printf(
        "  %zu values differ, verified, restore point   %.3f s (ratio %.2f to the plain "
        "download; wire %.3f s)\n",
        kChanged, fiveTime, fiveTime / plain, fiveWire);
    std::printf(
        "  every value differs, verified              %.3f s (ratio %.2f to the wire "
        "time %.3f s of read, write and read-back; less the connection %.3f s, ratio "
        "%.2f)\n",
        allTime, allTime / allWire, allWire, allTime - identify, (allTime - identify) / allWire);
    std::printf(
        "  identical file                             %.3f s, %zu write requests in the "
        "traffic log\n",
        sameTime, sameWrites);
    return 0;
}
