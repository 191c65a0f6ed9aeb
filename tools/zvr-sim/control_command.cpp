#include "control_command.h"

#include <algorithm>

#include "common/numbers.h"

namespace zvr::sim {

namespace {

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < line.size()) {
        const size_t start = line.find_first_not_of(" \t\r\n", at);
        if (start == std::string_view::npos) break;
        const size_t end = std::min(line.find_first_of(" \t\r\n", start), line.size());
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

std::optional<bool> OnOff(std::string_view word) {
    if (word == "on") return true;
    if (word == "off") return false;
    return std::nullopt;
}

std::optional<double> InRange(std::string_view text, double low, double high) {
    const auto value = ParsePlainDecimal(text);
    if (!value || *value < low || *value > high) return std::nullopt;
    return value;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

using Kind = ControlCommand::Kind;

std::optional<ControlCommand> ParseOnOff(Kind kind, const std::vector<std::string_view>& w,
                                         std::string& error) {
    const auto on = w.size() == 2 ? OnOff(w[1]) : std::nullopt;
    if (!on) {
        error = "usage: " + std::string(w[0]) + " on|off";
        return std::nullopt;
    }
    return ControlCommand{.kind = kind, .on = *on};
}

std::optional<ControlCommand> ParseFault(const std::vector<std::string_view>& w,
                                         std::string& error) {
    error = "usage: fault DIAG BIT on|off (DIAG from 1, BIT 0-7)";
    if (w.size() != 4) return std::nullopt;
    const double diagnostic = InRange(w[1], 1, 255).value_or(0);
    const double bit = InRange(w[2], 0, 7).value_or(-1);
    const auto on = OnOff(w[3]);
    if (diagnostic < 1 || bit < 0 || !on || diagnostic != std::floor(diagnostic) ||
        bit != std::floor(bit)) {
        return std::nullopt;
    }
    error.clear();
    return ControlCommand{.kind = Kind::Fault,
                          .on = *on,
                          .diagnostic = static_cast<size_t>(diagnostic),
                          .bit = static_cast<int>(bit)};
}

std::optional<ControlCommand> ParseLine(const std::vector<std::string_view>& w,
                                        std::string& error) {
    if (w.size() == 2 && w[1] == "hangup") return ControlCommand{.kind = Kind::LineHangup};
    if (w.size() == 2 && w[1] == "clear") return ControlCommand{.kind = Kind::LineClear};
    if (w.size() == 3 && w[1] == "silent") {
        if (const auto seconds = InRange(w[2], 0, 86400)) {
            return ControlCommand{.kind = Kind::LineSilent, .number = *seconds};
        }
        error = "usage: line silent SECONDS (0-86400)";
        return std::nullopt;
    }
    if (w.size() == 3) {
        const auto fault = LineFaultByName(w[1]);
        const auto probability = InRange(w[2], 0, 1);
        if (fault && probability) {
            return ControlCommand{
                .kind = Kind::LineProbability, .number = *probability, .fault = *fault};
        }
        if (!fault) {
            error = "unknown line fault " + Quoted(w[1]) +
                    " (nak, checksum, split, drop, delay, garbage, silent, hangup, clear)";
            return std::nullopt;
        }
    }
    error = "usage: line FAULT PROBABILITY | line silent SECONDS | line hangup | line clear";
    return std::nullopt;
}

}  // namespace

std::optional<ControlCommand> ParseControlCommand(std::string_view line, std::string& error) {
    const std::vector<std::string_view> w = Words(line);
    if (w.empty()) {
        error = "empty command";
        return std::nullopt;
    }
    const std::string_view verb = w[0];
    if (verb == "pedal") {
        if (const auto position = w.size() == 2 ? InRange(w[1], 0, 1) : std::nullopt) {
            return ControlCommand{.kind = Kind::Pedal, .number = *position};
        }
        error = "usage: pedal F (0.0-1.0)";
        return std::nullopt;
    }
    if (verb == "load") {
        if (const auto percent = w.size() == 2 ? InRange(w[1], 0, 100) : std::nullopt) {
            return ControlCommand{.kind = Kind::Load, .number = *percent};
        }
        error = "usage: load PERCENT (0-100)";
        return std::nullopt;
    }
    if (verb == "ivs") return ParseOnOff(Kind::Ivs, w, error);
    if (verb == "uncalibrated") return ParseOnOff(Kind::Uncalibrated, w, error);
    if (verb == "fatal") return ParseOnOff(Kind::Fatal, w, error);
    if (verb == "fault") return ParseFault(w, error);
    if (verb == "line") return ParseLine(w, error);
    if (verb == "get") {
        if (w.size() == 2) return ControlCommand{.kind = Kind::Get, .name = std::string(w[1])};
        error = "usage: get NAME";
        return std::nullopt;
    }
    if (verb == "quit" && w.size() == 1) return ControlCommand{.kind = Kind::Quit};
    error = "unknown command " + Quoted(verb.substr(0, 64));
    return std::nullopt;
}

bool ParseScript(std::string_view text, std::vector<ScriptStep>& steps, std::string& error) {
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        const std::vector<std::string_view> w = Words(line);
        if (w.empty() || w[0].starts_with('#')) continue;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        const auto at = InRange(w[0], 0, 1e7);
        if (!at) {
            error = where + "expected SECONDS COMMAND";
            return false;
        }
        const std::string_view command =
            line.substr(static_cast<size_t>(w[1 < w.size() ? 1 : 0].data() - line.data()));
        std::string reason;
        if (w.size() < 2 || !ParseControlCommand(command, reason)) {
            error = where + (w.size() < 2 ? "expected SECONDS COMMAND" : reason);
            return false;
        }
        steps.push_back({*at, lineNumber, std::string(command)});
    }
    std::stable_sort(steps.begin(), steps.end(),
                     [](const ScriptStep& a, const ScriptStep& b) { return a.at < b.at; });
    return true;
}

}  // namespace zvr::sim
