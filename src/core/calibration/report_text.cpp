#include "calibration/report_text.h"

#include <cstdio>

#include "common/stored_text.h"

namespace zvr {

namespace {

constexpr const char* kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                     "Thursday", "Friday", "Saturday"};
constexpr const char* kMonths[] = {"January",   "February", "March",    "April",
                                   "May",       "June",     "July",     "August",
                                   "September", "October",  "November", "December"};

template <typename... Args>
std::string Format(const char* pattern, Args... args) {
    const int length = std::snprintf(nullptr, 0, pattern, args...);
    std::string out(static_cast<size_t>(length > 0 ? length : 0), '\0');
    std::snprintf(out.data(), out.size() + 1, pattern, args...);
    return out;
}

}  // namespace

std::string DateLine(const std::tm& date) {
    const int weekday = date.tm_wday >= 0 && date.tm_wday < 7 ? date.tm_wday : 0;
    const int month = date.tm_mon >= 0 && date.tm_mon < 12 ? date.tm_mon : 0;
    return Format("%s, %s %02d, %d\r\n", kWeekdays[weekday], kMonths[month], date.tm_mday,
                  date.tm_year + 1900);
}

std::string TodayLine() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return DateLine(local);
}

std::string ModelHeading(const std::string& model, const std::string& strategy) {
    return "\r\nModel    : " + model + "\r\nStrategy : " + strategy + "\r\n\r\n";
}

std::string WithCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string CommentsBlock(std::string_view typed, size_t maxLength) {
    std::string text = WithCrLf(typed);
    if (text.size() > maxLength) {
        text.resize(maxLength);
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    return "**Comments:\r\n" + text + "\r\n**End Comments**\r\n\r\n";
}

std::string CompareHeading(const std::string& path) {
    return "Controller <> " + PathText(path) + " Mismatch List.\r\n\r\n" +
           Format(" %-30s", "Name") + Format("%10s ", "File") + Format(" %10s ", "Controller") +
           " Units\r\n";
}

std::string CompareLine(const ScalarDef& scalar, uint32_t fileRaw, uint32_t controllerRaw) {
    return Format(" %-30s %10s ", scalar.name.c_str(), formatDefValue(scalar, fileRaw).c_str()) +
           Format(" %10s %s\r\n", formatDefValue(scalar, controllerRaw).c_str(),
                  scalar.units.c_str());
}

std::string ValueLine(const ScalarDef& scalar, uint32_t raw) {
    return Format("%-30s%10s %s\r\n", scalar.name.c_str(), formatDefValue(scalar, raw).c_str(),
                  scalar.units.c_str());
}

std::string WithoutExtension(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart) return path;
    return path.substr(0, dot);
}

}  // namespace zvr
