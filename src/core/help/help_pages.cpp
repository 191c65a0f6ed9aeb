#include "help/help_pages.h"

#include <map>
#include <set>

#include "monitoring/help_topics.h"
#include "monitoring/scalar_entry.h"
#include "monitoring/scalar_groups.h"

namespace zvr {

namespace {

// Names whose meaning is plain from the words they are made of. Anything else gets no
// description: a wrong guess in a calibration tool is worse than none.
const std::map<std::string_view, const char*>& PlainMeanings() {
    static const std::map<std::string_view, const char*> kMeanings{
        {"PROPORTIONAL_GAIN", "The proportional gain of the governor's speed control loop."},
        {"INTEGRAL_GAIN", "The integral gain of the governor's speed control loop."},
        {"DERIVATIVE_GAIN", "The derivative gain of the governor's speed control loop."},
        {"P_STARTUP_GAIN", "The proportional gain used while the engine starts."},
        {"I_STARTUP_GAIN", "The integral gain used while the engine starts."},
        {"D_STARTUP_GAIN", "The derivative gain used while the engine starts."},
        {"SET_SPEED", "The engine set speed."},
        {"SET_SPEED_MIN", "The lowest engine set speed."},
        {"SET_SPEED_MAX", "The highest engine set speed."},
        {"SET_SPEED_WARMUP", "The engine set speed while the engine warms up."},
        {"WARMUP_TIME", "How long the engine warms up."},
        {"RAMP_UP_RATE", "How fast the speed rises to a higher set speed."},
        {"RAMP_DOWN_RATE", "How fast the speed falls to a lower set speed."},
        {"PULSES_PER_REV", "Speed sensor pulses per engine revolution."},
        {"PASSWORD",
         "The code of the controller password. Change it with Change Password, which "
         "writes the code of a text you choose."},
    };
    return kMeanings;
}

const char* TypeWord(char type) {
    switch (type) {
        case 'U':
            return "unsigned";
        case 'S':
            return "signed";
        case 'B':
            return "binary digits";
        case '$':
            return "hexadecimal";
        default:
            return "unknown";
    }
}

std::string ScalingText(ScalingSpec scaling) {
    std::string text = TypeWord(scaling.type);
    text += ", " + std::to_string(scaling.size) + (scaling.size == 1 ? " byte" : " bytes");
    if ((scaling.type == 'U' || scaling.type == 'S') && scaling.binaryPoint != 0) {
        text += scaling.binaryPoint > 0
                    ? ", value = raw / 2^" + std::to_string(scaling.binaryPoint)
                    : ", value = raw x 2^" + std::to_string(-scaling.binaryPoint);
    }
    return text;
}

std::string WithUnits(const std::string& value, const std::string& units) {
    const std::string shown = UnitsForDisplay(units);
    return shown.empty() ? value : value + " " + shown;
}

std::string Cell(const std::string& text) { return "<td>" + HtmlText(text) + "</td>"; }

std::string PageStart(std::string_view title) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlText(title) +
           "</title></head>\n<body>\n<h1>" + HtmlText(title) + "</h1>\n";
}

std::string Link(const char* page, const char* text) {
    return std::string("<a href=\"") + page + "\">" + text + "</a>";
}

std::string PageEnd() {
    return "<p>" + Link(kChangeCalibrationHelpPage, "Change Calibration") + " | " +
           Link(kHelpContentsPage, "Contents") + "</p>\n</body></html>\n";
}

std::string StrategyRow(const HelpSource& source, const ScalarDef& scalar) {
    const std::string& strategy = source.set->header.strategyName;
    const char* group = GroupName(GroupTableFor(strategy), scalar.menuGroup);
    const ScalingSpec s = scalar.scaling;
    std::string limits = "-";
    if (scalar.minRaw != 0 || scalar.maxRaw != 0) {
        limits = WithUnits(FormatValue(scalar.minRaw, s) + " to " + FormatValue(scalar.maxRaw, s),
                           scalar.units);
    }
    return "<tr>" + Cell(source.model + " (" + strategy + ")") +
           Cell(group ? group : "All Parameters only") +
           Cell(UnitsForDisplay(scalar.units).empty() ? "-" : scalar.units) + Cell(ScalingText(s)) +
           Cell(WithUnits(MinValueText(s) + " to " + MaxValueText(s), scalar.units)) +
           Cell(limits) + Cell(WithUnits(FormatValue(scalar.fileRaw, s), scalar.units)) + "</tr>\n";
}

}  // namespace

std::string PlainMeaning(std::string_view name) {
    const auto& meanings = PlainMeanings();
    if (auto at = meanings.find(name); at != meanings.end()) return at->second;
    // SET_SPEED_1 ... SET_SPEED_9: the numbered set speeds.
    if (name.size() == 11 && name.starts_with("SET_SPEED_") && name[10] >= '1' && name[10] <= '9')
        return std::string("Engine set speed ") + name[10] + ".";
    return "";
}

std::string HtmlText(std::string_view text) {
    std::string html;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '<') {
            html += "&lt;";
        } else if (c == '>') {
            html += "&gt;";
        } else if (c == '&') {
            html += "&amp;";
        } else if (c == '"') {
            html += "&quot;";
        } else if (byte > 127) {
            html += "&#" + std::to_string(byte) + ";";
        } else {
            html += c;
        }
    }
    return html;
}

std::string ScalarHelpPage(std::string_view name, std::span<const HelpSource> sources) {
    std::string page = PageStart(name);
    if (const std::string meaning = PlainMeaning(name); !meaning.empty()) {
        page += "<p>" + HtmlText(meaning) + "</p>\n";
    }
    std::string rows;
    bool protectedScalar = false;
    for (const HelpSource& source : sources) {
        if (const ScalarDef* scalar = source.set->scalars.find(name)) {
            rows += StrategyRow(source, *scalar);
            protectedScalar = !isWritableByUser(*scalar);
        }
    }
    if (rows.empty()) {
        page += "<p>None of the strategies shipped with ZVR has this scalar.</p>\n";
    } else {
        page +=
            "<p>What the strategies say of it:</p>\n<table border=\"1\" cellpadding=\"3\">\n"
            "<tr><th>Model (strategy)</th><th>Group</th><th>Units</th><th>Scaling</th>"
            "<th>New Value range</th><th>Strategy limits</th><th>Strategy value</th></tr>\n" +
            rows + "</table>\n";
        page +=
            "<p>Change Calibration accepts any value in the New Value range, the range the "
            "scaling can hold; the strategy limits are shown for guidance only.</p>\n";
    }
    if (protectedScalar) {
        page += "<p>Only engineering mode may change this scalar.</p>\n";
    }
    return page + PageEnd();
}

std::string HelpContentsPage(std::span<const HelpSource> sources) {
    std::string page = PageStart("ZVR Help Topics");
    page += "<p>" + Link(kChangeCalibrationHelpPage, "Change Calibration") +
            ": the screen that reads and changes calibration scalars one by one.</p>\n"
            "<h2>Calibration scalars</h2>\n<ul>\n";
    std::set<std::string_view> listed;
    for (const char* name : ScalarHelpTopics()) {
        if (!listed.insert(name).second) continue;
        std::string models;
        for (const HelpSource& source : sources) {
            if (source.set->scalars.find(name) == nullptr) continue;
            models += (models.empty() ? "" : ", ") + source.model;
        }
        page += "<li><a href=\"" + std::string(name) + ".html\">" + name + "</a>";
        if (!models.empty()) page += " (" + HtmlText(models) + ")";
        page += "</li>\n";
    }
    return page + "</ul>\n</body></html>\n";
}

}  // namespace zvr
