#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zvr {

// Comma-separated lines, one record per line. A field holding a comma or a double quote is
// written in double quotes with its quotes doubled; a line break in a field is written as a
// blank, so that a record never spans lines.
std::string CsvField(std::string_view text);

// The fields of one line (without its line end; a trailing CR is dropped). Quoted fields may
// hold commas and doubled quotes; a quote that is never closed runs to the end of the line.
std::vector<std::string> SplitCsvLine(std::string_view line);

}  // namespace zvr
