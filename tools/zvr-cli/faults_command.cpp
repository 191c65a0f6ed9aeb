// faults: Display Faults on the command line — the active faults decoded from the
// diagnostics, the fault history, and the two clear commands.

#include <ostream>

#include "command.h"
#include "commands.h"
#include "controller_link.h"
#include "json_output.h"
#include "monitoring/fault_list.h"

namespace zvr::cli {

namespace {

// Zeroes one address after another, each write after the one before, as Display Faults does.
bool RunClear(ControllerSession& session, ClearCommand command) {
    while (const std::optional<uint16_t> address = command.Current()) {
        if (!session.Write(*address, 0, 1)) return false;
        if (!command.Advance()) break;
    }
    return true;
}

void PrintRows(CommandContext& context, const char* section, const std::vector<FaultRow>& rows,
               nlohmann::ordered_json* json) {
    if (json != nullptr) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const FaultRow& row : rows) {
            list.push_back(
                {{"source", JsonString(row.source)}, {"description", JsonString(row.description)}});
        }
        (*json)[section] = std::move(list);
        return;
    }
    context.out << section << ":\n";
    for (const FaultRow& row : rows)
        context.out << "  " << context.shown(row.source) << '\t' << context.shown(row.description)
                    << '\n';
}

}  // namespace

int RunFaults(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error =
            parsed.parse(args, {"--history", "--json"}, {"--port", "--strategy-dir", "--clear"})) {
        return context.fail("faults", kExitUsage, *error);
    }
    const std::string* clear = parsed.value("--clear");
    if (clear && *clear != "current" && *clear != "history") {
        return context.fail("faults", kExitUsage, "--clear takes current or history");
    }
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "faults", parsed); code != kExitOk) return code;
    const DefinitionSet& set = link.document.definitions;
    CurrentFaults current(FaultDiagnostics(set));
    const std::vector<const ScalarDef*> history = FaultHistoryScalars(set);

    if (clear) {
        const bool cleared =
            RunClear(link.session, ClearCommand(*clear == "current" ? current.ClearAddresses()
                                                                    : HistoryAddresses(history)));
        if (!cleared) return context.fail("faults", kExitLink, "Write Error");
    }
    const std::vector<uint16_t> ram = current.RamAddresses();
    std::vector<FaultRow> rows{{"", kNoCurrentFaults}};
    if (!ram.empty()) {
        const auto words = link.session.ReadVariablesOnce(ram);
        if (!words) return context.fail("faults", kExitLink, "Read Error");
        rows = current.Update(*words).value_or(rows);
    }
    std::optional<nlohmann::ordered_json> json;
    if (parsed.has("--json")) json = JsonResult();
    PrintRows(context, "current", rows, json ? &*json : nullptr);
    if (parsed.has("--history")) {
        if (history.size() != current.diagnostics().size())
            context.err << kHistoryMismatchWarning << '\n';
        std::vector<FaultRow> stored;
        if (!history.empty()) {
            const auto words = link.session.ReadOnce(HistoryAddresses(history));
            if (!words) return context.fail("faults", kExitLink, "Read Error");
            stored = DecodeFaultHistory(history, current.diagnostics(), *words);
        }
        if (stored.empty()) stored.push_back({"", kNoHistoricalFaults});
        PrintRows(context, "history", stored, json ? &*json : nullptr);
    }
    if (json) PrintJson(context, *json);
    return kExitOk;
}

}  // namespace zvr::cli
