// identify, get, set, monitor: zvr-cli talking to a controller (or a demo) the way the main
// window does.

#include <chrono>
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
#include "monitoring/scalar_entry.h"

namespace zvr::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxIntervalMs = 86'400'000;  // a day
constexpr double kMaxDurationS = 31'536'000;   // a year

// A one-byte item is the high byte of the word read at its address.
uint32_t RawOf(uint16_t word, int16_t size) {
    return size == 1 ? static_cast<uint32_t>(word >> 8) : word;
}

// After a time-out or a vanished device: waits for the device to be there (it may already
// be), then opens and identifies it again as the program does. False only when interrupted.
bool Reconnect(ControllerLink& link, const std::string& port) {
    link.document.Close();  // let go of the dead device, so its node can go too
    DeviceWatch watch(SerialDevicePath(port));
    while (!Interrupted()) {
        if (!watch.WaitForReturn(std::chrono::hours(24), Interrupted)) continue;
        if (link.session.Connect(port)) return true;
        // Not answering yet (or the old device node still there): wait for the next change.
        watch.WaitForReturn(std::chrono::seconds(1), Interrupted);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return false;
}

struct Reading {
    std::string name;
    std::string value;
    std::string units;
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
        context.out << "{\"model\": " << JsonText(id.modelName)
                    << ", \"strategy\": " << JsonText(id.strategyText)
                    << ", \"strategy_file\": " << JsonPath(file)
                    << ", \"access_open\": " << (open ? "true" : "false") << "}\n";
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
            readings.push_back(
                {name, FormatValue(RawOf((*words)[0], scalar->scaling.size), scalar->scaling),
                 scalar->units});
        } else if (const VariableDef* variable = set.variables.find(name)) {
            address = static_cast<uint16_t>(variable->ramAddress);
            words = link.session.ReadVariablesOnce({&address, 1});
            if (!words) return context.fail("get", kExitLink, "Read Error: " + context.shown(name));
            readings.push_back(
                {name, FormatValue(RawOf((*words)[0], variable->scaling.size), variable->scaling),
                 variable->units});
        } else {
            return context.fail("get", kExitUsage,
                                "the strategy has no value named " + context.shown(name));
        }
    }
    if (parsed.has("--json")) {
        context.out << "[";
        for (size_t i = 0; i < readings.size(); ++i) {
            context.out << (i ? ", " : "") << "{\"name\": " << JsonText(readings[i].name)
                        << ", \"value\": " << JsonText(readings[i].value)
                        << ", \"units\": " << JsonText(readings[i].units) << "}";
        }
        context.out << "]\n";
    } else {
        for (const Reading& r : readings)
            context.out << context.shown(r.name) << '\t' << context.shown(r.value) << '\t'
                        << context.shown(r.units) << '\n';
    }
    return kExitOk;
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
        if (!link.OpenAccess(context, *password)) {
            return context.fail("set", kExitNo, "Invalid Password!");
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
        return context.fail("set", kExitLink, "Write Error");
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
        if (!csv) return context.fail("monitor", kExitUsage, "cannot write " + *path);
        csv << "time";
        for (const VariableDef* variable : variables)
            csv << ',' << variable->name;
        csv << "\r\n";
    }

    if (!link.session.StartContinuous(addresses)) {
        return context.fail("monitor", kExitLink, "Could not start");
    }
    const auto start = Clock::now();
    auto stamp = [&start] {
        return FormatFixed(std::chrono::duration<double>(Clock::now() - start).count(), 3);
    };
    auto nextPrint = start;
    long badSets = 0;
    int result = kExitOk;
    while (!Interrupted()) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (durationS > 0 && elapsed >= durationS) break;
        const ControllerSession::ContinuousSet set = link.session.NextSet(std::chrono::seconds(5));
        if (Interrupted()) break;
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
            if (!Reconnect(link, *parsed.value("--port"))) break;
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
        if (csv.is_open()) csv << "\r\n" << std::flush;  // a reader may follow the file
        // Lines that cannot be written go nowhere: without a CSV file there is no point going on.
        if (!context.out.good() && !csv.is_open()) break;
    }
    if (!link.document.LinkLost()) link.session.Stop();
    context.err << "zvr-cli monitor: " << badSets << " bad sets\n";
    if (csv.is_open() && !csv.flush())
        return context.fail("monitor", kExitUsage, "writing the CSV file failed");
    return result;
}

}  // namespace zvr::cli
