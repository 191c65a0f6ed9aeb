// step-response: the step-response figures of a monitor recording, as the Parameter Plot
// measures them while a technician tunes the gains.

#include <cmath>
#include <ostream>

#include "command.h"
#include "commands.h"
#include "common/numbers.h"
#include "common/regular_file.h"
#include "json_output.h"
#include "plot/response_recording.h"
#include "plot/step_texts.h"
#include "settings/registry_settings.h"

namespace zvr::cli {

namespace {

constexpr const char* kCommand = "step-response";

std::string WithUnits(const std::string& value, const std::string& units) {
    return units.empty() ? value : value + " " + units;
}

void PrintText(CommandContext& context, const RecordingSteps& result) {
    for (const StepFigures& step : result.steps) {
        const StepTexts texts = DescribeStep(step, result.valueDecimals, 3);
        context.out << FormatFixed(step.time, 3) << " s: " << texts.from << " -> "
                    << context.shown(WithUnits(texts.to, result.reference.units)) << ", overshoot "
                    << texts.overshoot << ", rise " << texts.rise << ", settling " << texts.settling
                    << ", error " << context.shown(WithUnits(texts.error, result.response.units))
                    << '\n';
    }
}

// A figure as shown, so that 0.456 reads 0.456 and not the nearest binary fraction's digits.
nlohmann::ordered_json JsonFigure(double value, int decimals) {
    if (decimals <= 0) return static_cast<int64_t>(std::llround(value));
    return ParsePlainDecimal(FormatFixed(value, decimals)).value_or(value);
}

nlohmann::ordered_json JsonSeconds(const std::optional<double>& seconds) {
    return seconds ? JsonFigure(*seconds, 3) : nlohmann::ordered_json(nullptr);
}

// One object per step, in a list: the one command whose result is a series.
void PrintSteps(CommandContext& context, const RecordingSteps& result) {
    nlohmann::ordered_json steps = nlohmann::ordered_json::array();
    for (const StepFigures& step : result.steps) {
        steps.push_back({{"time", JsonFigure(step.time, 3)},
                         {"from", JsonFigure(step.from, result.valueDecimals)},
                         {"to", JsonFigure(step.to, result.valueDecimals)},
                         {"overshoot_percent", JsonFigure(step.overshootPercent, 2)},
                         {"rise_s", JsonSeconds(step.riseSeconds)},
                         {"settling_s", JsonSeconds(step.settlingSeconds)},
                         {"error", JsonFigure(step.error, result.valueDecimals + 2)}});
    }
    PrintJson(context, steps);
}

}  // namespace

int RunStepResponse(CommandContext& context, std::span<const std::string> args) {
    Arguments parsed;
    if (auto error = parsed.parse(args, {"--json"}, {"--response", "--reference", "--band"})) {
        return context.fail(kCommand, kExitUsage, *error);
    }
    if (parsed.positional.size() != 1) {
        return context.fail(kCommand, kExitUsage,
                            "needs exactly one recording (the CSV file of zvr-cli monitor --csv)");
    }
    double band = 2.0;
    if (const std::string* text = parsed.value("--band")) {
        const std::optional<double> percent = SettlingBandPercent(*text);
        if (!percent) {
            return context.fail(kCommand, kExitUsage,
                                "--band takes a percentage above 0 and at most 50");
        }
        band = *percent;
    }
    RecordingChoice choice;
    for (auto [option, target] :
         {std::pair{"--reference", &choice.reference}, std::pair{"--response", &choice.response}}) {
        const std::string* name = parsed.value(option);
        if (name == nullptr) continue;
        const auto stored = context.storedArguments(kCommand, {name, 1});
        if (!stored) return kExitUsage;
        *target = stored->front();
    }
    const std::string& path = parsed.positional.front();
    const std::optional<std::string> text = ReadRegularFile(path);
    if (!text) return context.fail(kCommand, kExitUsage, path + ": cannot be read");

    RecordingSteps result;
    std::string error;
    if (!MeasureRecording(*text, choice, band, result, error)) {
        return context.fail(kCommand, kExitUsage, path + ": " + context.shown(error));
    }
    if (result.lastLineCut) {
        context.err << "zvr-cli " << kCommand << ": " << path
                    << ": the last line is incomplete and was left out\n";
    }
    if (parsed.has("--json")) {
        PrintSteps(context, result);
    } else {
        PrintText(context, result);
    }
    if (result.steps.empty()) {
        return context.fail(kCommand, kExitNo,
                            "no step of " + context.shown(result.reference.name) + " found");
    }
    return kExitOk;
}

}  // namespace zvr::cli
