#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "definitions/definitions.h"

namespace zvr {

// Whether a value a wizard is about to write fits its scalar: the raw number within what the
// scalar's size holds (a value outside would be cut to its low bits and wrap round), and the
// value within the scalar's own minimum and maximum where the strategy gives them (a scalar
// whose minimum and maximum are both 0 has none).
struct ScalarFit {
    enum class Kind { Fits, TooSmall, TooLarge };
    Kind kind = Kind::Fits;
    double limit = 0;  // the limit passed, in the scalar's units (raw for a raw value)

    bool fits() const { return kind == Kind::Fits; }
};

// An engineering value, rounded to the scalar's scaling as it would be stored.
ScalarFit CheckScalarFit(const ScalarDef& def, double value);
// A raw value as it would be stored.
ScalarFit CheckRawFit(const ScalarDef& def, uint64_t raw);

// "<what> <value> is too large for <SCALAR>: it takes at most <limit>." (or "too small ...
// at least ..."), what being the entry's name or "The value".
std::string ScalarFitText(std::string_view what, double value, const ScalarDef& def,
                          const ScalarFit& fit);

// A number for a message: up to five decimals, without trailing zeros ("1667", "2.5").
std::string ShortNumber(double value);

}  // namespace zvr
