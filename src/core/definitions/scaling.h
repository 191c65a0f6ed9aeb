#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zvr {

class UserPrompt;

// How a raw controller value is shown and entered. The controller stores every value as an
// integer of 1, 2 or 4 bytes; the engineering value is raw / 2^binaryPoint.
// Stored in cal files as four bytes: type letter, size (signed 16-bit), binary point (signed 8).
struct ScalingSpec {
    char type = 'U';         // '$' hexadecimal, 'B' binary, 'S' signed, 'U' unsigned
    int16_t size = 2;        // bytes of the raw value: 1, 2 or 4
    int8_t binaryPoint = 0;  // fraction bits; negative multiplies

    friend bool operator==(const ScalingSpec&, const ScalingSpec&) = default;
};

// 0xFF for size 1, 0xFFFF for size 2, all 32 bits for any other size.
uint32_t RawMask(int16_t size);

double RawToEng(uint32_t raw, ScalingSpec spec);
// Rounds half up and keeps the bits of the size. A value whose scaled magnitude does not fit
// 32 bits saturates to the nearest end of the 32-bit range.
uint32_t EngToRaw(double value, ScalingSpec spec);
// -1 below the smallest representable value, +1 above the largest, 0 inside.
int CheckRange(double value, ScalingSpec spec);
double MaxEng(ScalingSpec spec);
double MinEng(ScalingSpec spec);
int DecimalsForBinaryPoint(int8_t binaryPoint);

// The display text of a raw value: "$001A", "00000101" or "1.50", followed directly by the
// units unless they are absent or "NONE". An unknown type letter reports a serious error and
// gives "<ERROR>".
std::string FormatValue(uint32_t raw, ScalingSpec spec, std::string_view units = {});
// The same into a caller's buffer, cut to fit it. A null buffer reports a serious error and
// gives the constant text "<ERROR>".
const char* FormatValue(uint32_t raw, ScalingSpec spec, char* buffer, size_t bufferSize,
                        const char* units);

// Typed text to an engineering value. '$' and 'B' give the integer the digits spell (taken as
// signed 32-bit, not divided by 2^bp); 'S' and 'U' read a decimal number.
double ParseValue(std::string_view text, ScalingSpec spec);

// Shows "Error in file BINPOINT, Line <location>, Status = <status>" titled "Serious Error"
// and returns when the user has closed it.
void ReportSeriousError(const char* module, long location, int status);

// Where serious errors are shown. The program installs its prompt at start; without one the
// text goes to standard error. Returns the prompt that was installed before.
UserPrompt* SetSeriousErrorPrompt(UserPrompt* prompt);

}  // namespace zvr
