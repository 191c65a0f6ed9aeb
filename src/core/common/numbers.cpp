#include "common/numbers.h"

#include <locale.h>
#include <stdlib.h>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace zvr {

std::string FormatFixed(double value, int decimals) {
    char buffer[400];  // the largest double in fixed notation with 10 decimals fits
    auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc{}) {
        return std::isnan(value) ? "nan" : (value < 0 ? "-inf" : "inf");
    }
    return std::string(buffer, end);
}

std::string FormatShortest(double value) {
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc{}) return FormatFixed(value, 0);
    return std::string(buffer, end);
}

std::string AddressText(uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", address);
    return text;
}

namespace {

bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

locale_t CLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
    return locale;
}

}  // namespace

double ParseDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    size_t digits = i;
    if (digits < text.size() && (text[digits] == '+' || text[digits] == '-')) {
        ++digits;
    }
    if (digits < text.size() && text[digits] == '.') {
        ++digits;
    }
    if (digits >= text.size() || !IsDigit(text[digits])) {
        return 0.0;
    }
    if (text[digits] == '0' && digits + 1 < text.size() &&
        (text[digits + 1] == 'x' || text[digits + 1] == 'X')) {
        return 0.0;  // "0x..." is a zero followed by junk in decimal text
    }
    // strtod needs a terminated string; the view may point into a longer buffer.
    const std::string copy(text.substr(i));
    return strtod_l(copy.c_str(), nullptr, CLocale());
}

std::optional<double> ParsePlainDecimal(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace zvr
