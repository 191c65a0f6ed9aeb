// history and restore: the restore points and the change journal on the command line.

#include <algorithm>
#include <ostream>

#include "calibration/restore_points.h"
#include "command.h"
#include "commands.h"
#include "controller_link.h"
#include "ini_settings_store.h"
#include "json_output.h"
#include "settings/registry_settings.h"

namespace zvr::cli {

RestorePoints RestorePointsOfTheProgram() {
    IniSettingsStore store;
    CRegistrySettings settings(store);
    return RestorePoints(RestorePoints::DefaultFolder(), settings.ReadRestorePointsKept());
}

namespace {

// One line of the history: a restore point or a journal line.
struct HistoryLine {
    std::string when;
    const RestorePoint* point = nullptr;
    const JournalEntry* change = nullptr;
};

std::vector<HistoryLine> Merged(const std::vector<RestorePoint>& points,
                                const std::vector<JournalEntry>& changes) {
    std::vector<HistoryLine> lines;
    for (const RestorePoint& point : points)
        lines.push_back({point.when, &point, nullptr});
    for (const JournalEntry& change : changes)
        lines.push_back({change.when, nullptr, &change});
    std::stable_sort(lines.begin(), lines.end(),
                     [](const HistoryLine& a, const HistoryLine& b) { return a.when > b.when; });
    return lines;
}

void PrintHistoryJson(CommandContext& context, const RestorePoints& store,
                      const std::vector<HistoryLine>& lines) {
    nlohmann::ordered_json entries = nlohmann::ordered_json::array();
    for (const HistoryLine& line : lines) {
        if (line.point) {
            entries.push_back({{"time", line.when},
                               {"kind", "point"},
                               {"command", line.point->command},
                               {"unit", JsonString(line.point->unitKey)},
                               {"name", JsonPathString(line.point->name)},
                               {"path", JsonPathString(line.point->path)}});
        } else {
            const JournalEntry& c = *line.change;
            entries.push_back({{"time", c.when},
                               {"kind", "change"},
                               {"model", JsonString(c.model)},
                               {"strategy", JsonString(c.strategy)},
                               {"name", JsonString(c.name)},
                               {"old", JsonString(c.oldValue)},
                               {"new", JsonString(c.newValue)}});
        }
    }
    nlohmann::ordered_json result = JsonResult();
    result["folder"] = JsonPathString(store.folder());
    result["entries"] = std::move(entries);
    PrintJson(context, result);
}

void PrintText(CommandContext& context, const std::vector<HistoryLine>& lines) {
    for (const HistoryLine& line : lines) {
        if (line.point) {
            context.out << line.when << "\tpoint\t" << line.point->command << '\t'
                        << line.point->unitKey << '\t' << line.point->name << '\n';
        } else {
            const JournalEntry& c = *line.change;
            context.out << c.when << "\tchange\t" << context.shown(c.name) << '\t'
                        << context.shown(c.oldValue) << " -> " << context.shown(c.newValue) << '\t'
                        << context.shown(c.model) << ' ' << context.shown(c.strategy) << '\n';
        }
    }
}

}  // namespace

int RunHistory(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--port", "--strategy-dir"})) {
        return context.fail("history", kExitUsage, *error);
    }
    if (!parsed.positional.empty()) return context.fail("history", kExitUsage, "usage: history");
    const RestorePoints store = RestorePointsOfTheProgram();
    std::optional<UnitIdentity> unit;
    if (parsed.value("--port")) {
        ControllerLink link(context, parsed);
        if (int code = link.Connect(context, "history", parsed); code != kExitOk) return code;
        unit = UnitIdentity::Of(link.document.GetIdentification());
    }
    const UnitIdentity* only = unit ? &*unit : nullptr;
    const std::vector<RestorePoint> points = store.List(only);
    const std::vector<JournalEntry> changes = store.Journal(only);
    const std::vector<HistoryLine> lines = Merged(points, changes);
    if (parsed.has("--json")) {
        PrintHistoryJson(context, store, lines);
    } else {
        PrintText(context, lines);
    }
    return kExitOk;
}

int RunRestore(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error =
            parsed.parse(args, {"--no-verify"},
                         {"--port", "--strategy-dir", "--on-mismatch", "--password-mismatch"})) {
        return context.fail("restore", kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail("restore", kExitUsage, "usage: restore POINT");
    }
    const auto path = RestorePointsOfTheProgram().Resolve(parsed.positional[0]);
    if (!path) {
        return context.fail(
            "restore", kExitUsage,
            "no restore point " + parsed.positional[0] + " (zvr-cli history lists them)");
    }
    // The download of the point, with the same options; a restore brings back the whole
    // calibration, the password the point holds included, unless told otherwise.
    std::vector<std::string> download = {"--", *path};
    for (const char* option :
         {"--port", "--strategy-dir", "--on-mismatch", "--password-mismatch"}) {
        if (const std::string* value = parsed.value(option)) {
            download.insert(download.begin(), {option, *value});
        }
    }
    if (parsed.value("--password-mismatch") == nullptr) {
        download.insert(download.begin(), {"--password-mismatch", "change"});
    }
    if (parsed.has("--no-verify")) download.insert(download.begin(), "--no-verify");
    return RunDownloadAs(context, "restore", download);
}

}  // namespace zvr::cli
