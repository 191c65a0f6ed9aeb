// history and restore: the restore points and the change journal on the command line.

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>
#include <variant>

#include "cal_file_run.h"
#include "calibration/cal_transfer.h"
#include "calibration/download_checks.h"
#include "calibration/restore_points.h"
#include "command.h"
#include "command_ui.h"
#include "commands.h"
#include "controller_link.h"
#include "definitions/cal_file.h"
#include "ini_settings_store.h"
#include "input_files.h"
#include "interruption.h"
#include "settings/registry_settings.h"
#include "strategy/strategy_source.h"

namespace zvr::cli {

namespace {

// The folder of the program's settings, with the number of points the program keeps.
RestorePoints StoreOfTheProgram() {
    IniSettingsStore store;
    CRegistrySettings settings(store);
    return RestorePoints(RestorePoints::DefaultFolder(), settings.ReadRestorePointsKept());
}

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

void PrintJson(CommandContext& context, const RestorePoints& store,
               const std::vector<HistoryLine>& lines) {
    using nlohmann::json;
    json entries = json::array();
    for (const HistoryLine& line : lines) {
        if (line.point) {
            entries.push_back({{"time", line.when},
                               {"kind", "point"},
                               {"command", line.point->command},
                               {"unit", line.point->unitKey},
                               {"name", line.point->name},
                               {"path", line.point->path}});
        } else {
            const JournalEntry& c = *line.change;
            entries.push_back({{"time", c.when},
                               {"kind", "change"},
                               {"model", Latin1ToUtf8(c.model)},
                               {"strategy", Latin1ToUtf8(c.strategy)},
                               {"name", Latin1ToUtf8(c.name)},
                               {"old", Latin1ToUtf8(c.oldValue)},
                               {"new", Latin1ToUtf8(c.newValue)}});
        }
    }
    const json result = {{"folder", store.folder()}, {"entries", entries}};
    // A folder whose bytes are not UTF-8 is shown with replacement characters.
    context.out << result.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
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

// Reads the connected controller's whole calibration: every scalar of its strategy with
// the value it holds as its cal-file value. The exit code after a line saying what failed.
std::variant<DefinitionSet, int> ReadCalibration(CommandContext& context, ControllerLink& link,
                                                 std::string_view name) {
    CommandUi ui(context, {});
    auto answers = std::make_shared<QueueReceiver>();
    CalTransfer transfer(link.document, answers, context.prompt, ui);
    for (const auto& scalar : link.document.definitions.scalars.entries())
        transfer.definitions().scalars.insert(*scalar);
    enum : uint32_t { kDone = 1, kFailed, kAborted };
    if (transfer.ReadAll({answers, kDone, kFailed, kAborted}) != 0) {
        return context.fail(name, kExitNo, "the strategy has no scalars: nothing to restore");
    }
    while (true) {
        const auto message = AwaitUnlessInterrupted(*answers, link.session.ReplyLimit());
        if (!message) {
            transfer.Abort();
            return context.fail(name, kExitLink, kCalReadError);
        }
        if (transfer.Handle(*message)) continue;
        if (message->message == kDone) break;
        if (message->message == kFailed || message->message == kAborted) return kExitLink;
    }
    return CalibrationAsRead(transfer.definitions().scalars);
}

// Whether the controller, as read, holds every value of file.
bool HeldAlready(const DefinitionSet& file, const DefinitionSet& held) {
    for (const auto& scalar : file.scalars.entries()) {
        const ScalarDef* now = held.scalars.find(scalar->name);
        if (now == nullptr || now->eepromAddress != scalar->eepromAddress ||
            now->scaling.size != scalar->scaling.size || now->fileRaw != scalar->fileRaw) {
            return false;
        }
    }
    return true;
}

bool IsTargetQuestion(std::string_view text) { return IsDownloadTargetQuestion(text); }
bool IsPasswordQuestion(std::string_view text) { return text == kPasswordDiffersQuestion; }

}  // namespace

int RunHistory(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--port", "--strategy-dir"})) {
        return context.fail("history", kExitUsage, *error);
    }
    if (!parsed.positional.empty()) return context.fail("history", kExitUsage, "usage: history");
    const RestorePoints store = StoreOfTheProgram();
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
        PrintJson(context, store, lines);
    } else {
        PrintText(context, lines);
    }
    return kExitOk;
}

int RunRestore(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--no-verify"}, {"--port", "--strategy-dir"})) {
        return context.fail("restore", kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail("restore", kExitUsage, "usage: restore POINT");
    }
    RestorePoints store = StoreOfTheProgram();
    const auto path = store.Resolve(parsed.positional[0]);
    if (!path) {
        return context.fail(
            "restore", kExitUsage,
            "no restore point " + parsed.positional[0] + " (zvr-cli history lists them)");
    }
    DefinitionSet file;
    if (int code = LoadCalFileFor(context, "restore", *path, file); code != kExitOk) return code;
    ControllerLink link(context, parsed);
    if (int code = link.Connect(context, "restore", parsed); code != kExitOk) return code;
    auto read = ReadCalibration(context, link, "restore");
    if (const int* code = std::get_if<int>(&read)) return *code;
    DefinitionSet& held = std::get<DefinitionSet>(read);
    if (HeldAlready(file, held)) {
        context.out << "The controller already holds every value of " << *path
                    << ": nothing was written.\n";
        return kExitOk;
    }
    // What the controller holds is kept before anything is written; a point that cannot be
    // kept stops the restore here.
    const auto written =
        store.Write(std::move(held), link.document.definitions.header.strategyName,
                    UnitIdentity::Of(link.document.GetIdentification()), "restore");
    if (!written.ok())
        return context.fail("restore", kExitUsage, kRestorePointFailed + written.error);
    context.err << "zvr-cli restore: restore point " << written.path << '\n';
    // A restore brings back the whole calibration, the password the point holds included;
    // a point of another model or strategy is asked about on the terminal.
    CalFileRun run(
        context, link.document,
        CommandPrompt(context.prompt, {*path},
                      {{IsTargetQuestion, std::nullopt, PromptAnswer::Yes, ""},
                       {IsPasswordQuestion, PromptAnswer::Yes, PromptAnswer::Cancel, "restore"}}));
    run.operations().setVerifyDownload(!parsed.has("--no-verify"));
    run.operations().Download();
    if (!run.Drive(link.session.ReplyLimit())) {
        return context.fail("restore", kExitLink, kCalWriteError);
    }
    const CommandPrompt& prompt = run.prompt();
    if (prompt.saw(kDownloadedSuccessfully) || prompt.sawStart(kDownloadedExcept)) return kExitOk;
    if (prompt.sawStart(kCalWriteError) || prompt.saw(kReadPasswordError) ||
        prompt.sawStart(kVerifyDiffers) || prompt.saw(kVerifyReadFailed)) {
        return kExitLink;
    }
    return context.fail("restore", kExitNo, "restore abandoned: nothing was written");
}

}  // namespace zvr::cli
