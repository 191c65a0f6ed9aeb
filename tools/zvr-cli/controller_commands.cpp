// identify, get, set, monitor: zvr-cli talking to a controller (or a demo) the way the main
// window does.

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <ostream>
#include <thread>
#include <tuple>

#include "calibration/restore_points.h"
#include "comm/data_server.h"
#include "comm/device_watch.h"
#include "command.h"
#include "commands.h"
#include "common/numbers.h"
#include "controller_link.h"
#include "definitions/definitions.h"
#include "interruption.h"
#include "json_output.h"
#include "monitoring/scalar_entry.h"
#include "plot/response_recording.h"

namespace zvr::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxIntervalMs = 86'400'000;  // a day
constexpr double kMaxDurationS = 31'536'000;   // a year
// How long a continuous read may stay silent before the link counts as lost.
constexpr std::chrono::milliseconds kSetWait{5000};

// A one-byte item is the high byte of the word read at its address.
uint32_t RawOf(uint16_t word, int16_t size) {
    return size == 1 ? static_cast<uint32_t>(word >> 8) : word;
}

// After a time-out or a vanished device: waits for the device to be there (it may already
// be), then opens and identifies it again as the program does. False when interrupted or
// when the end came first.
bool Reconnect(ControllerLink& link, const std::string& port, Clock::time_point end) {
    link.document.Close();  // let go of the dead device, so its node can go too
    DeviceWatch watch(SerialDevicePath(port));
    const auto over = [end] { return Interrupted() || Clock::now() >= end; };
    const auto left = [end] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    };
    while (!over()) {
        if (!watch.WaitForReturn(
                std::min(left(), std::chrono::milliseconds(std::chrono::hours(24))), over))
            continue;
        if (link.session.Connect(port, std::min(left(), std::chrono::milliseconds(60'000))))
            return true;
        // Not answering yet (or the old device node still there): wait for the next change.
        watch.WaitForReturn(std::min(left(), std::chrono::milliseconds(1000)), over);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

// The CSV file could not take a row: the system's reason is still in errno.
int CsvFailed(CommandContext& context, const std::string& path) {
    return context.fail("monitor", kExitUsage, path + ": " + std::strerror(errno));
}

struct Reading {
    std::string name;
    std::string value;
    std::string units;
    nlohmann::ordered_json number;
};

}  // namespace

int RunIdentify(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--port", "--strategy-dir"})) {
        return context.fail("identify", kExitUsage, *error);
    }
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "identify", parsed); code != kExitOk) return code;
    const Identification id = link.document.GetIdentification();
    const std::string& file = link.document.definitions.filePath;
    const bool open = link.document.AccessOpen();
    if (parsed.has("--json")) {
        nlohmann::ordered_json result = JsonResult();
        result["model"] = JsonString(id.modelName);
        result["strategy"] = JsonString(id.strategyText);
        result["strategy_file"] = JsonPathString(file);
        result["access_open"] = open;
        PrintJson(context, result);
    } else {
        context.out << "model: " << context.shown(id.modelName)
                    << "\nstrategy: " << context.shown(id.strategyText)
                    << "\nstrategy file: " << file << "\naccess: " << (open ? "open" : "closed")
                    << '\n';
    }
    return kExitOk;
}

// A failed read, saying when replies kept coming that no request had asked for.
std::string ReadErrorText(CommandContext& context, ControllerLink& link, const std::string& name) {
    std::string text = "Read Error: " + context.shown(name);
    if (link.session.OutOfStep()) text += kOutOfStepAdvice;
    return text;
}

int RunGet(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--port", "--strategy-dir"})) {
        return context.fail("get", kExitUsage, *error);
    }
    if (parsed.positional.empty()) return context.fail("get", kExitUsage, "name the values to get");
    const auto names = context.storedArguments("get", parsed.positional);
    if (!names) return kExitUsage;
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "get", parsed); code != kExitOk) return code;
    const DefinitionSet& set = link.document.definitions;
    std::vector<Reading> readings;
    for (const std::string& name : *names) {
        std::optional<std::vector<uint16_t>> words;
        uint16_t address = 0;
        if (const ScalarDef* scalar = set.scalars.find(name)) {
            address = static_cast<uint16_t>(scalar->eepromAddress);
            words = link.session.ReadOnce({&address, 1});
            if (!words) return context.fail("get", kExitLink, ReadErrorText(context, link, name));
            const uint32_t raw = RawOf((*words)[0], scalar->scaling.size);
            readings.push_back({name, FormatValue(raw, scalar->scaling), scalar->units,
                                JsonNumber(raw, scalar->scaling)});
        } else if (const VariableDef* variable = set.variables.find(name)) {
            address = static_cast<uint16_t>(variable->ramAddress);
            words = link.session.ReadVariablesOnce({&address, 1});
            if (!words) return context.fail("get", kExitLink, "Read Error: " + context.shown(name));
            const uint32_t raw = RawOf((*words)[0], variable->scaling.size);
            readings.push_back({name, FormatValue(raw, variable->scaling), variable->units,
                                JsonNumber(raw, variable->scaling)});
        } else {
            return context.fail("get", kExitUsage,
                                "the strategy has no value named " + context.shown(name));
        }
    }
    if (parsed.has("--json")) {
        nlohmann::ordered_json values = nlohmann::ordered_json::array();
        for (const Reading& r : readings) {
            values.push_back({{"name", JsonString(r.name)},
                              {"value", r.number},
                              {"text", JsonString(r.value)},
                              {"units", JsonString(r.units)}});
        }
        nlohmann::ordered_json result = JsonResult();
        result["values"] = std::move(values);
        PrintJson(context, result);
    } else {
        for (const Reading& r : readings)
            context.out << context.shown(r.name) << '\t' << context.shown(r.value) << '\t'
                        << context.shown(r.units) << '\n';
    }
    return kExitOk;
}

// A failed write, saying what the controller holds when its commit was not confirmed.
std::string WriteErrorText(const std::string& name, WriteCheck check) {
    switch (check) {
        case WriteCheck::FoundOther:
            return "Write Error: the controller did not confirm the write, and reading " + name +
                   " back found it still holding another value than the one written";
        case WriteCheck::Unreadable:
            return "Write Error: the controller did not confirm the write, and " + name +
                   " could not be read back: it may hold the new value or the old one (check "
                   "it with zvr-cli get)";
        case WriteCheck::None:
        case WriteCheck::FoundNew:
            break;
    }
    return "Write Error";
}

int RunSet(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--eng"}, {"--port", "--strategy-dir", "--password"})) {
        return context.fail("set", kExitUsage, *error);
    }
    if (parsed.positional.size() != 2)
        return context.fail("set", kExitUsage, "usage: set NAME VALUE");
    const auto stored = context.storedArguments("set", {parsed.positional.data(), 1});
    if (!stored) return kExitUsage;
    const std::string& name = stored->front();
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "set", parsed); code != kExitOk) return code;
    const ScalarDef* scalar = link.document.definitions.scalars.find(name);
    if (scalar == nullptr)
        return context.fail("set", kExitUsage,
                            "the strategy has no scalar named " + context.shown(name));
    if (!isWritableByUser(*scalar) && !parsed.has("--eng")) {
        return context.fail("set", kExitUsage,
                            context.shown(name) + " is protected: only --eng changes it");
    }
    if (!link.document.AccessOpen() && !link.document.IsDemo()) {
        const std::string* password = parsed.value("--password");
        if (password == nullptr) {
            return context.fail("set", kExitUsage,
                                "This Option requires a Password: give --password TEXT");
        }
        switch (link.OpenAccess(context, *password)) {
            case ControllerLink::Access::Open:
                break;
            case ControllerLink::Access::Refused:
                return context.fail("set", kExitNo, "Invalid Password!");
            case ControllerLink::Access::LinkFailed:
                return context.fail("set", kExitLink, kCommunicationError);
        }
    }
    // The check Change Calibration makes: text the scaling cannot read is refused, never
    // written as 0.
    const NewValueCheck check = CheckNewValue(parsed.positional[1], scalar->scaling);
    if (check.verdict != NewValueVerdict::Accepted) {
        return context.fail("set", kExitUsage, "New Value out of range");
    }
    const int size = scalar->scaling.size;
    if (size != 1 && size != 2) {
        return context.fail("set", kExitUsage,
                            context.shown(name) + " is a 4-byte value: it cannot be written");
    }
    const uint16_t address = static_cast<uint16_t>(scalar->eepromAddress);
    // The change journal keeps the value before and after; one that cannot be written stops
    // the write before it goes out.
    const RestorePoints journal = RestorePointsOfTheProgram();
    if (const auto problem = journal.CheckJournal()) {
        return context.fail("set", kExitUsage, kJournalFailed + *problem);
    }
    const auto old = link.session.ReadOnce({&address, 1});
    if (!old) return context.fail("set", kExitLink, ReadErrorText(context, link, name));
    const auto shown = [scalar](uint16_t word) {
        const std::string value = FormatValue(RawOf(word, scalar->scaling.size), scalar->scaling);
        return scalar->units.empty() ? value : value + " " + scalar->units;
    };
    if (!link.session.Write(address, static_cast<uint16_t>(check.raw), size)) {
        return context.fail("set", kExitLink,
                            WriteErrorText(context.shown(name), link.document.LastWriteCheck()));
    }
    const auto words = link.session.ReadOnce({&address, 1});
    if (!words) {
        return context.fail(
            "set", kExitLink,
            link.session.OutOfStep() ? "Read Error" + std::string(kOutOfStepAdvice) : "Read Error");
    }
    if (const auto problem =
            journal.Append(MakeJournalEntry(UnitIdentity::Of(link.document.GetIdentification()),
                                            name, shown((*old)[0]), shown((*words)[0])))) {
        context.fail("set", kExitOk,
                     "the value was written, but the change journal could not "
                     "record it: " +
                         *problem);
    }
    context.out << context.shown(name) << '\t'
                << FormatValue(RawOf((*words)[0], scalar->scaling.size), scalar->scaling) << '\t'
                << context.shown(scalar->units) << '\n';
    return kExitOk;
}

int RunMonitor(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error =
            parsed.parse(args, {"--reconnect"},
                         {"--port", "--strategy-dir", "--interval", "--duration", "--csv"})) {
        return context.fail("monitor", kExitUsage, *error);
    }
    if (parsed.positional.empty() || parsed.positional.size() > kMaxAddresses) {
        return context.fail("monitor", kExitUsage, "name one to ten variables to monitor");
    }
    // Both options take a plain number from 0 to the limit; 0 (or no option) means every set
    // and no end.
    double intervalMs = 0;
    double durationS = 0;
    for (auto [option, limit, target] : {std::tuple{"--interval", kMaxIntervalMs, &intervalMs},
                                         std::tuple{"--duration", kMaxDurationS, &durationS}}) {
        const std::string* text = parsed.value(option);
        if (text == nullptr) continue;
        const std::optional<double> value = ParsePlainDecimal(*text);
        if (!value || *value < 0 || *value > limit) {
            return context.fail(
                "monitor", kExitUsage,
                std::string(option) + " takes a number from 0 to " + FormatFixed(limit, 0));
        }
        *target = *value;
    }
    const auto names = context.storedArguments("monitor", parsed.positional);
    if (!names) return kExitUsage;
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "monitor", parsed); code != kExitOk) return code;

    std::vector<VariableDef*> variables;
    std::vector<uint16_t> addresses;
    // The variables by name in the loaded strategy (loaded again at a reconnect); the name
    // that is missing, if one is.
    auto findVariables = [&]() -> std::optional<std::string> {
        variables.clear();
        addresses.clear();
        for (const std::string& name : *names) {
            VariableDef* variable = link.document.definitions.variables.find(name);
            if (variable == nullptr) return name;
            variables.push_back(variable);
            addresses.push_back(static_cast<uint16_t>(variable->ramAddress));
        }
        return std::nullopt;
    };
    if (const auto missing = findVariables()) {
        return context.fail("monitor", kExitUsage,
                            "the strategy has no variable named " + context.shown(*missing));
    }
    std::ofstream csv;
    if (const std::string* path = parsed.value("--csv")) {
        csv.open(*path, std::ios::binary | std::ios::trunc);
        if (!csv) return context.fail("monitor", kExitUsage, *path + ": " + std::strerror(errno));
        // Each column with its units, which step-response and spreadsheets read.
        csv << RecordingHeading({"time", "s"});
        for (const VariableDef* variable : variables)
            csv << ',' << RecordingHeading({variable->name, variable->units});
        csv << "\r\n";
    }

    if (!link.session.StartContinuous(addresses)) {
        return context.fail("monitor", kExitLink, "Could not start");
    }
    const auto start = Clock::now();
    // The end of --duration, which holds while the device is waited for too.
    const auto end = durationS > 0 ? start + std::chrono::duration_cast<Clock::duration>(
                                                 std::chrono::duration<double>(durationS))
                                   : Clock::time_point::max();
    auto stamp = [&start] {
        return FormatFixed(std::chrono::duration<double>(Clock::now() - start).count(), 3);
    };
    auto nextPrint = start;
    long badSets = 0;
    int result = kExitOk;
    while (!Interrupted() && Clock::now() < end) {
        // A set is waited for until the link counts it lost, or until the end if that is sooner:
        // then the silence is the end of the run, not a failure.
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
        const bool endFirst = left < kSetWait;
        const ControllerSession::ContinuousSet set = link.session.NextSet(std::min(left, kSetWait));
        if (Interrupted() || Clock::now() >= end) break;
        if (endFirst && set.outcome == ControllerSession::ContinuousSet::TimedOut &&
            !link.document.LinkLost()) {
            break;
        }
        if (set.outcome == ControllerSession::ContinuousSet::Rejected) {
            ++badSets;  // the line spoiled one set; the next comes on its own
            continue;
        }
        if (set.outcome == ControllerSession::ContinuousSet::TimedOut) {
            if (!parsed.has("--reconnect")) {
                result = context.fail(
                    "monitor", kExitLink,
                    link.document.LinkLost() ? "the port has gone away" : "Communication Time Out");
                break;
            }
            // The gap: a line saying so, and a CSV row with the time and no values.
            const std::string lostAt = stamp();
            context.out << lostAt << "\tlink lost\n" << std::flush;
            if (csv.is_open())
                csv << lostAt << std::string(variables.size(), ',') << "\r\n" << std::flush;
            if (csv.is_open() && !csv.good()) {
                result = CsvFailed(context, *parsed.value("--csv"));
                break;
            }
            if (!Reconnect(link, *parsed.value("--port"), end)) break;
            // The strategy was loaded again: the same names, perhaps another controller.
            if (const auto missing = findVariables()) {
                result = context.fail("monitor", kExitLink,
                                      "the controller now connected has no variable named " +
                                          context.shown(*missing));
                break;
            }
            if (!link.session.StartContinuous(addresses)) {
                result = context.fail("monitor", kExitLink, "Could not start");
                break;
            }
            context.out << stamp() << "\tlink back\n" << std::flush;
            continue;
        }
        if (Clock::now() < nextPrint) continue;
        nextPrint =
            Clock::now() + std::chrono::microseconds(static_cast<int64_t>(intervalMs * 1000));
        const std::string now = stamp();
        context.out << now;
        if (csv.is_open()) csv << now;
        for (size_t i = 0; i < variables.size(); ++i) {
            variables[i]->setCurrentValue(RawOf(set.values[i], variables[i]->scaling.size));
            context.out << '\t' << context.shown(variables[i]->name) << '='
                        << context.shown(variables[i]->currentText);
            if (csv.is_open()) csv << ',' << variables[i]->currentText;
        }
        context.out << '\n' << std::flush;
        link.logNotice.Report();
        if (csv.is_open()) csv << "\r\n" << std::flush;  // a reader may follow the file
        // A row that cannot be written (a full disk) ends the run: the file would lack it.
        if (csv.is_open() && !csv.good()) {
            result = CsvFailed(context, *parsed.value("--csv"));
            break;
        }
        // Lines that cannot be written go nowhere: without a CSV file there is no point going on.
        if (!context.out.good() && !csv.is_open()) break;
    }
    if (!link.document.LinkLost()) link.session.Stop();
    context.err << "zvr-cli monitor: " << badSets << " bad sets\n";
    if (result == kExitOk && csv.is_open() && !csv.flush())
        return CsvFailed(context, *parsed.value("--csv"));
    return result;
}

}  // namespace zvr::cli
