// identify, get, set, monitor: zvr-cli talking to a controller (or a demo) the way the main
// window does.

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <ostream>
#include <thread>
#include <tuple>

#include "comm/data_server.h"
#include "command.h"
#include "commands.h"
#include "common/numbers.h"
#include "controller_link.h"
#include "definitions/definitions.h"
#include "monitoring/scalar_entry.h"

namespace zvr::cli {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kMaxIntervalMs = 86'400'000;  // a day
constexpr double kMaxDurationS = 31'536'000;   // a year

std::atomic<bool> g_interrupted{false};

extern "C" void OnInterrupt(int) { g_interrupted = true; }

// A one-byte item is the high byte of the word read at its address.
uint32_t RawOf(uint16_t word, int16_t size) {
    return size == 1 ? static_cast<uint32_t>(word >> 8) : word;
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
                    << ", \"strategy_file\": " << JsonText(file)
                    << ", \"access_open\": " << (open ? "true" : "false") << "}\n";
    } else {
        context.out << "model: " << id.modelName << "\nstrategy: " << id.strategyText
                    << "\nstrategy file: " << file << "\naccess: " << (open ? "open" : "closed")
                    << '\n';
    }
    return kExitOk;
}

// A failed read, saying when replies kept coming that no request had asked for.
std::string ReadErrorText(ControllerLink& link, const std::string& name) {
    std::string text = "Read Error: " + name;
    if (link.session.OutOfStep()) text += kOutOfStepAdvice;
    return text;
}

int RunGet(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--port", "--strategy-dir"})) {
        return context.fail("get", kExitUsage, *error);
    }
    if (parsed.positional.empty()) return context.fail("get", kExitUsage, "name the values to get");
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "get", parsed); code != kExitOk) return code;
    const DefinitionSet& set = link.document.definitions;
    std::vector<Reading> readings;
    for (const std::string& name : parsed.positional) {
        std::optional<std::vector<uint16_t>> words;
        uint16_t address = 0;
        if (const ScalarDef* scalar = set.scalars.find(name)) {
            address = static_cast<uint16_t>(scalar->eepromAddress);
            words = link.session.ReadOnce({&address, 1});
            if (!words) return context.fail("get", kExitLink, ReadErrorText(link, name));
            readings.push_back(
                {name, FormatValue(RawOf((*words)[0], scalar->scaling.size), scalar->scaling),
                 scalar->units});
        } else if (const VariableDef* variable = set.variables.find(name)) {
            address = static_cast<uint16_t>(variable->ramAddress);
            words = link.session.ReadVariablesOnce({&address, 1});
            if (!words) return context.fail("get", kExitLink, "Read Error: " + name);
            readings.push_back(
                {name, FormatValue(RawOf((*words)[0], variable->scaling.size), variable->scaling),
                 variable->units});
        } else {
            return context.fail("get", kExitUsage, "the strategy has no value named " + name);
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
            context.out << r.name << '\t' << r.value << '\t' << r.units << '\n';
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
    const std::string& name = parsed.positional[0];
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "set", parsed); code != kExitOk) return code;
    const ScalarDef* scalar = link.document.definitions.scalars.find(name);
    if (scalar == nullptr)
        return context.fail("set", kExitUsage, "the strategy has no scalar named " + name);
    if (!isWritableByUser(*scalar) && !parsed.has("--eng")) {
        return context.fail("set", kExitUsage, name + " is protected: only --eng changes it");
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
        return context.fail("set", kExitUsage, name + " is a 4-byte value: it cannot be written");
    }
    const uint16_t address = static_cast<uint16_t>(scalar->eepromAddress);
    if (!link.session.Write(address, static_cast<uint16_t>(check.raw), size)) {
        return context.fail("set", kExitLink, "Write Error");
    }
    const auto words = link.session.ReadOnce({&address, 1});
    if (!words) {
        return context.fail(
            "set", kExitLink,
            link.session.OutOfStep() ? "Read Error" + std::string(kOutOfStepAdvice) : "Read Error");
    }
    context.out << name << '\t'
                << FormatValue(RawOf((*words)[0], scalar->scaling.size), scalar->scaling) << '\t'
                << scalar->units << '\n';
    return kExitOk;
}

int RunMonitor(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(
            args, {}, {"--port", "--strategy-dir", "--interval", "--duration", "--csv"})) {
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
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "monitor", parsed); code != kExitOk) return code;

    std::vector<VariableDef*> variables;
    std::vector<uint16_t> addresses;
    for (const std::string& name : parsed.positional) {
        VariableDef* variable = link.document.definitions.variables.find(name);
        if (variable == nullptr)
            return context.fail("monitor", kExitUsage,
                                "the strategy has no variable named " + name);
        variables.push_back(variable);
        addresses.push_back(static_cast<uint16_t>(variable->ramAddress));
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

    g_interrupted = false;
    auto* previous = std::signal(SIGINT, OnInterrupt);
    if (!link.session.StartContinuous(addresses)) {
        std::signal(SIGINT, previous);
        return context.fail("monitor", kExitLink, "Could not start");
    }
    const auto start = Clock::now();
    auto nextPrint = start;
    int result = kExitOk;
    while (!g_interrupted) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (durationS > 0 && elapsed >= durationS) break;
        const auto words = link.session.Next(std::chrono::seconds(5));
        if (!words) {
            result = context.fail("monitor", kExitLink, "Communication Time Out");
            break;
        }
        if (Clock::now() < nextPrint) continue;
        nextPrint =
            Clock::now() + std::chrono::microseconds(static_cast<int64_t>(intervalMs * 1000));
        const std::string stamp =
            FormatFixed(std::chrono::duration<double>(Clock::now() - start).count(), 3);
        context.out << stamp;
        if (csv.is_open()) csv << stamp;
        for (size_t i = 0; i < variables.size(); ++i) {
            variables[i]->setCurrentValue(RawOf((*words)[i], variables[i]->scaling.size));
            context.out << '\t' << variables[i]->name << '=' << variables[i]->currentText;
            if (csv.is_open()) csv << ',' << variables[i]->currentText;
        }
        context.out << '\n' << std::flush;
        if (csv.is_open()) csv << "\r\n";
        // Lines that cannot be written go nowhere: without a CSV file there is no point going on.
        if (!context.out.good() && !csv.is_open()) break;
    }
    link.session.Stop();
    std::signal(SIGINT, previous);
    if (csv.is_open() && !csv.flush())
        return context.fail("monitor", kExitUsage, "writing the CSV file failed");
    return result;
}

}  // namespace zvr::cli
