#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plot/step_response.h"

namespace zvr {

// Recordings of `zvr-cli monitor --csv`: comma-separated lines ending in CR LF. The header
// names the columns, the time first, each heading perhaps followed by its units in brackets:
// "time [s],engine_rpm [rpm],n_desired [rpm]" (recordings made before units were written say
// "time,engine_rpm,n_desired"). Each row holds the time in seconds and one value per
// variable; a row with the time and no values marks where the link was lost.

struct RecordingColumn {
    std::string name;
    std::string units;  // empty when the heading gives none

    friend bool operator==(const RecordingColumn&, const RecordingColumn&) = default;
};

// "engine_rpm [rpm]", or the name alone without units; as a CSV field.
std::string RecordingHeading(const RecordingColumn& column);
// The heading's name and units: "engine_rpm [rpm]" and "engine_rpm" both name engine_rpm.
RecordingColumn ParseRecordingHeading(std::string_view heading);

// The value columns to measure: by name, or by default the first column whose name marks a set
// point (see IsReferenceName) as the reference and the first other one as the response.
struct RecordingChoice {
    std::optional<std::string> reference;
    std::optional<std::string> response;
};

struct RecordingSteps {
    RecordingColumn reference;
    RecordingColumn response;
    std::vector<StepFigures> steps;  // all complete, in time order
    int valueDecimals = 0;           // the most decimals a value of either column was written with
    // The file ends in a row without its line end (the recording was cut off while it was
    // being written: a number in it may be cut short); that row is left out.
    bool lastLineCut = false;
};

// Finds and measures the steps of a recording's text with the settling band given (percent).
// A gap in the recording ends the step being measured. False with the reason in error ("line
// 7: ..." where a line is at fault) when the text is no recording, a named column is missing,
// the reference and the response are one column, or a row cannot be read.
bool MeasureRecording(std::string_view text, const RecordingChoice& choice, double bandPercent,
                      RecordingSteps& result, std::string& error);

}  // namespace zvr
