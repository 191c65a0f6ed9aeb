#pragma once

#include <QString>

#include "gui_base/latin1.h"
#include "plot/gain_marks.h"

namespace zvr {

// "P 2.500 → 2.750": a gain change as the chart and the printed plot label it.
inline QString GainChangeLabel(const GainChange& change) {
    return ToQ(change.gain) + QLatin1Char(' ') + ToQ(change.before) + QStringLiteral(" \u2192 ") +
           ToQ(change.after);
}

}  // namespace zvr
