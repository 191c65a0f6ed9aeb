#include "plot/response_recording.h"

#include <algorithm>

#include "common/csv.h"
#include "common/numbers.h"
#include "plot/step_reference.h"

namespace zvr {

namespace {

struct Columns {
    size_t reference = 0;
    size_t response = 0;
};

std::optional<size_t> FindColumn(const std::vector<RecordingColumn>& columns,
                                 const std::string& name) {
    for (size_t i = 1; i < columns.size(); ++i) {
        if (columns[i].name == name) return i;
    }
    return std::nullopt;
}

std::optional<Columns> ChooseColumns(const std::vector<RecordingColumn>& columns,
                                     const RecordingChoice& choice, std::string& error) {
    Columns chosen;
    if (choice.reference) {
        const auto found = FindColumn(columns, *choice.reference);
        if (!found) {
            error = "the recording has no column " + *choice.reference;
            return std::nullopt;
        }
        chosen.reference = *found;
    } else {
        for (size_t i = 1; i < columns.size() && chosen.reference == 0; ++i) {
            if (IsReferenceName(columns[i].name)) chosen.reference = i;
        }
        if (chosen.reference == 0) {
            error = "no column is named as a set point (such as n_desired): give --reference";
            return std::nullopt;
        }
    }
    if (choice.response) {
        const auto found = FindColumn(columns, *choice.response);
        if (!found) {
            error = "the recording has no column " + *choice.response;
            return std::nullopt;
        }
        chosen.response = *found;
    } else {
        for (size_t i = 1; i < columns.size() && chosen.response == 0; ++i) {
            if (i != chosen.reference) chosen.response = i;
        }
        if (chosen.response == 0) {
            error = "the recording has no column besides the reference: give --response";
            return std::nullopt;
        }
    }
    if (chosen.reference == chosen.response) {
        error = "the reference and the response are the same column";
        return std::nullopt;
    }
    return chosen;
}

enum class Row { Sample, Gap, Bad };

int Decimals(std::string_view number) {
    const size_t point = number.find('.');
    if (point == std::string_view::npos) return 0;
    const size_t digits = number.find_first_not_of("0123456789", point + 1);
    return static_cast<int>((digits == std::string_view::npos ? number.size() : digits) - point -
                            1);
}

Row ReadRow(const std::vector<std::string>& fields, size_t columnCount, Columns columns,
            const std::vector<RecordingColumn>& headings, ResponseSample& sample, int& decimals,
            std::string& error) {
    if (fields.size() != columnCount) {
        error = std::to_string(fields.size()) + " fields where the header has " +
                std::to_string(columnCount);
        return Row::Bad;
    }
    const std::optional<double> time = ParsePlainDecimal(fields[0]);
    if (!time) {
        error = "the time '" + fields[0] + "' is no number";
        return Row::Bad;
    }
    if (fields[columns.reference].empty() || fields[columns.response].empty()) return Row::Gap;
    double* targets[] = {&sample.reference, &sample.response};
    const size_t indexes[] = {columns.reference, columns.response};
    for (size_t k = 0; k < 2; ++k) {
        const std::optional<double> value = ParsePlainDecimal(fields[indexes[k]]);
        if (!value) {
            error = headings[indexes[k]].name + " '" + fields[indexes[k]] + "' is no number";
            return Row::Bad;
        }
        *targets[k] = *value;
        decimals = std::max(decimals, Decimals(fields[indexes[k]]));
    }
    sample.time = *time;
    return Row::Sample;
}

}  // namespace

std::string RecordingHeading(const RecordingColumn& column) {
    return CsvField(column.units.empty() ? column.name : column.name + " [" + column.units + "]");
}

RecordingColumn ParseRecordingHeading(std::string_view heading) {
    const size_t open = heading.rfind(" [");
    if (!heading.ends_with(']') || open == std::string_view::npos) {
        return {.name = std::string(heading)};
    }
    return {.name = std::string(heading.substr(0, open)),
            .units = std::string(heading.substr(open + 2, heading.size() - open - 3))};
}

bool MeasureRecording(std::string_view text, const RecordingChoice& choice, double bandPercent,
                      RecordingSteps& result, std::string& error) {
    result = {};
    std::vector<RecordingColumn> columns;
    std::optional<Columns> chosen;
    StepTracker tracker({.bandPercent = bandPercent});
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const bool cut = end == std::string_view::npos;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(cut ? text.size() : end + 1);
        ++lineNumber;
        const std::vector<std::string> fields = SplitCsvLine(line);
        if (columns.empty()) {
            for (const std::string& field : fields)
                columns.push_back(ParseRecordingHeading(field));
            if (columns.front().name != "time" || columns.size() < 2) {
                error =
                    "line 1: not a recording of zvr-cli monitor (its header starts with time "
                    "and names the variables)";
                return false;
            }
            chosen = ChooseColumns(columns, choice, error);
            if (!chosen) return false;
            result.reference = columns[chosen->reference];
            result.response = columns[chosen->response];
            continue;
        }
        if (line.empty() || line == "\r") continue;
        // Every row ends in CR LF: a last line without them was cut off while it was written,
        // and its last number may be cut short to another that reads well.
        if (cut && !line.ends_with('\r')) {
            result.lastLineCut = true;
            break;
        }
        ResponseSample sample;
        std::string problem;
        switch (ReadRow(fields, columns.size(), *chosen, columns, sample, result.valueDecimals,
                        problem)) {
            case Row::Sample:
                tracker.Add(sample);
                break;
            case Row::Gap:
                tracker.Break();
                break;
            case Row::Bad:
                if (cut) {
                    result.lastLineCut = true;
                    break;
                }
                error = "line " + std::to_string(lineNumber) + ": " + problem;
                return false;
        }
    }
    if (columns.empty()) {
        error = "the file is empty";
        return false;
    }
    tracker.Break();
    result.steps = tracker.TakeCompleted();
    return true;
}

}  // namespace zvr
