#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zvr {

struct DefinitionSet;

// Appends the text report of a definition set to path (the caller has created the file).
// The full report lists the header, variables, comments, scalars with their raw fields, view
// items and diagnostics; the short one only the comments and each scalar's value in
// engineering units. Lines end in CR LF; the last line, without a line end, says whether every
// section was written. The set's header counts are refreshed from its tables first.
// 0 success, -1 the file cannot be opened or any part fails to be written.
int writeTextReport(DefinitionSet& set, const std::string& path,
                    std::optional<std::string_view> leadingText, bool full);

}  // namespace zvr
