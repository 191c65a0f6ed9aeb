#include "wizard/scalar_fit.h"

#include <cmath>

#include "common/numbers.h"
#include "definitions/scaling.h"

namespace zvr {

namespace {

bool HasOwnLimits(const ScalarDef& def) { return def.minRaw != 0 || def.maxRaw != 0; }

// The stored engineering value against the scaling's range, then the scalar's own limits.
ScalarFit Judge(const ScalarDef& def, double stored, double rangeMin, double rangeMax) {
    if (stored > rangeMax) return {ScalarFit::Kind::TooLarge, rangeMax};
    if (stored < rangeMin) return {ScalarFit::Kind::TooSmall, rangeMin};
    if (HasOwnLimits(def)) {
        const double maximum = RawToEng(def.maxRaw, def.scaling);
        const double minimum = RawToEng(def.minRaw, def.scaling);
        if (stored > maximum) return {ScalarFit::Kind::TooLarge, maximum};
        if (stored < minimum) return {ScalarFit::Kind::TooSmall, minimum};
    }
    return {};
}

}  // namespace

ScalarFit CheckScalarFit(const ScalarDef& def, double value) {
    if (!std::isfinite(value)) return {ScalarFit::Kind::TooLarge, MaxEng(def.scaling)};
    // Rounded half up at the scaling's resolution, as EngToRaw stores it, but without cutting
    // the result to the size's bits.
    const double scaled = std::ldexp(value, def.scaling.binaryPoint);
    double whole = std::floor(scaled);
    if (scaled - whole >= 0.5) whole += 1.0;
    const double stored = std::ldexp(whole, -def.scaling.binaryPoint);
    return Judge(def, stored, MinEng(def.scaling), MaxEng(def.scaling));
}

ScalarFit CheckRawFit(const ScalarDef& def, uint64_t raw) {
    const uint32_t mask = RawMask(def.scaling.size);
    if (raw > mask) return {ScalarFit::Kind::TooLarge, static_cast<double>(mask)};
    const double stored = RawToEng(static_cast<uint32_t>(raw), def.scaling);
    // The size holds every raw number up to its mask; the engineering range follows from it.
    return Judge(def, stored, MinEng(def.scaling), MaxEng(def.scaling));
}

std::string ScalarFitText(std::string_view what, double value, const ScalarDef& def,
                          const ScalarFit& fit) {
    const bool large = fit.kind == ScalarFit::Kind::TooLarge;
    return std::string(what) + " " + ShortNumber(value) +
           (large ? " is too large" : " is too small") + " for " + def.name +
           (large ? ": it takes at most " : ": it takes at least ") + ShortNumber(fit.limit) + ".";
}

std::string ShortNumber(double value) {
    std::string text = FormatFixed(value, 5);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

}  // namespace zvr
