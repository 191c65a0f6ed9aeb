#include "definitions/scaling.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "common/numbers.h"
#include "common/user_prompt.h"

namespace zvr {

namespace {

constexpr const char* kModule = "BINPOINT";
constexpr const char* kErrorText = "<ERROR>";

std::atomic<UserPrompt*> g_seriousErrorPrompt{nullptr};

// Bits of a raw value. Sizes other than 1 and 2 are treated as 4 bytes, as the raw mask
// treats them, so that no size read from a file can shift past the width of the value.
int RawBits(int16_t size) { return size == 1 ? 8 : size == 2 ? 16 : 32; }

uint32_t SignBit(int16_t size) { return uint32_t{1} << (RawBits(size) - 1); }

uint32_t SmallestRaw(ScalingSpec spec) {
    return (spec.type == 'S' ? SignBit(spec.size) : 0u) & RawMask(spec.size);
}

uint32_t LargestRaw(ScalingSpec spec) {
    return ~(spec.type == 'S' ? SignBit(spec.size) : 0u) & RawMask(spec.size);
}

bool IsNoUnits(std::string_view units) {
    if (units.size() != 4) {
        return units.empty();
    }
    for (size_t i = 0; i < 4; ++i) {
        if ((units[i] & ~0x20) != "NONE"[i]) {
            return false;
        }
    }
    return true;
}

std::string HexText(uint32_t raw, int16_t size) {
    const int width = 2 * size;
    const int length = std::snprintf(nullptr, 0, "$%0*lX", width, static_cast<unsigned long>(raw));
    std::string text(static_cast<size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, "$%0*lX", width, static_cast<unsigned long>(raw));
    return text;
}

std::string BinaryText(uint32_t raw, int16_t size) {
    char digits[32];
    int count = 0;
    do {
        digits[31 - count++] = static_cast<char>('0' + (raw & 1));
        raw >>= 1;
    } while (raw != 0);
    const int padding = std::max(8 * size - count, 0);
    std::string text(static_cast<size_t>(padding), '0');
    text.append(digits + 32 - count, static_cast<size_t>(count));
    return text;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return 0;  // any other character holds its place as a zero digit
}

double AsSigned32(uint32_t bits) { return static_cast<double>(static_cast<int32_t>(bits)); }

}  // namespace

uint32_t RawMask(int16_t size) { return size == 1 ? 0xFFu : size == 2 ? 0xFFFFu : 0xFFFFFFFFu; }

double RawToEng(uint32_t raw, ScalingSpec spec) {
    double value = raw;
    if (spec.type == 'S' && raw >= SignBit(spec.size)) {
        value -= std::ldexp(1.0, RawBits(spec.size));
    }
    return std::ldexp(value, -spec.binaryPoint);
}

uint32_t EngToRaw(double value, ScalingSpec spec) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value < 0) {
        value += std::ldexp(1.0, RawBits(spec.size) - spec.binaryPoint);
    }
    value = std::ldexp(value, spec.binaryPoint);
    double whole = std::floor(value);
    if (value - whole >= 0.5) {
        whole += 1.0;
    }
    // The 32-bit integer spans the signed and the unsigned range: a negative value that the
    // offset above did not lift keeps its two's complement bits, as the controller stores it.
    constexpr double kLowest = std::numeric_limits<int32_t>::min();
    constexpr double kHighest = std::numeric_limits<uint32_t>::max();
    uint32_t raw;
    if (whole <= kLowest) {
        raw = static_cast<uint32_t>(std::numeric_limits<int32_t>::min());
    } else if (whole >= kHighest) {
        raw = std::numeric_limits<uint32_t>::max();
    } else {
        raw = static_cast<uint32_t>(static_cast<int64_t>(whole));
    }
    return raw & RawMask(spec.size);
}

int CheckRange(double value, ScalingSpec spec) {
    if (RawToEng(LargestRaw(spec), spec) < value) {
        return 1;
    }
    if (RawToEng(SmallestRaw(spec), spec) > value) {
        return -1;
    }
    return 0;
}

double MaxEng(ScalingSpec spec) { return RawToEng(LargestRaw(spec), spec); }

double MinEng(ScalingSpec spec) { return RawToEng(SmallestRaw(spec), spec); }

int DecimalsForBinaryPoint(int8_t bp) {
    // The largest binary point of each number of decimals, from 0 decimals upwards.
    static constexpr int kLargestBinaryPoint[] = {0, 3, 6, 9, 13, 16, 19, 23, 26, 29};
    int decimals = 0;
    while (decimals < 10 && bp > kLargestBinaryPoint[decimals])
        ++decimals;
    return decimals;
}

std::string FormatValue(uint32_t raw, ScalingSpec spec, std::string_view units) {
    const std::string_view suffix = IsNoUnits(units) ? std::string_view{} : units;
    std::string text;
    switch (spec.type) {
        case '$':
            text = HexText(raw, spec.size);
            break;
        case 'B':
            text = BinaryText(raw, spec.size);
            break;
        case 'S':
        case 'U':
            text = FormatFixed(RawToEng(raw, spec), DecimalsForBinaryPoint(spec.binaryPoint));
            break;
        default:
            ReportSeriousError(kModule, 391, 0);
            return kErrorText;
    }
    text += suffix;
    if (suffix == " ") {
        text.resize(text.find(' '));
    }
    return text;
}

const char* FormatValue(uint32_t raw, ScalingSpec spec, char* buffer, size_t bufferSize,
                        const char* units) {
    if (buffer == nullptr || bufferSize == 0) {
        ReportSeriousError(kModule, 360, 0);
        return kErrorText;
    }
    const std::string text = FormatValue(raw, spec, units ? std::string_view(units) : "");
    const size_t length = std::min(text.size(), bufferSize - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return buffer;
}

double ParseValue(std::string_view text, ScalingSpec spec) {
    switch (spec.type) {
        case '$': {
            if (!text.empty() && text.front() == '$') {
                text.remove_prefix(1);
            }
            uint32_t bits = 0;
            int shift = 0;
            for (auto it = text.rbegin(); it != text.rend() && shift < 32; ++it, shift += 4) {
                bits |= static_cast<uint32_t>(HexDigitValue(*it)) << shift;
            }
            return AsSigned32(bits);
        }
        case 'B': {
            uint32_t bits = 0;
            int position = 0;
            for (auto it = text.rbegin(); it != text.rend() && position < 32; ++it, ++position) {
                if (*it == '1') {
                    bits |= uint32_t{1} << position;
                }
            }
            return AsSigned32(bits);
        }
        case 'S':
        case 'U':
            return ParseDecimal(text);
        default:
            ReportSeriousError(kModule, 311, 0);
            return 0.0;
    }
}

void ReportSeriousError(const char* module, long location, int status) {
    char text[160];
    std::snprintf(text, sizeof text, "Error in file %s, Line %ld, Status = %d", module, location,
                  status);
    if (UserPrompt* prompt = g_seriousErrorPrompt.load()) {
        prompt->show({text, "Serious Error", PromptIcon::Error, PromptButtons::Ok});
    } else {
        std::fprintf(stderr, "Serious Error: %s\n", text);
    }
}

UserPrompt* SetSeriousErrorPrompt(UserPrompt* prompt) {
    return g_seriousErrorPrompt.exchange(prompt);
}

}  // namespace zvr
