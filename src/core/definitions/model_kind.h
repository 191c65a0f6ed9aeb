#pragma once

#include <string>
#include <string_view>

namespace zvr {

// The controller family a strategy belongs to, from the start of its strategy name.
enum class ModelKind : int {
    Unknown = 0,
    Zevar620 = 1,
    Zevar740 = 2,
    Lpn310 = 3,
    Zevar880 = 4,
    Zevar210 = 5,
    Kms2 = 6,
};

// Case-sensitive: "Z99" 620, "ZVX5" 880, "ZVX0" 210, "ZVX" 740, "RRQ" LPN 310, "KMS0" KMS-2.
ModelKind ClassifyStrategyName(std::string_view strategyName);

// What a report heading says of a cal file from its path alone: the base name before its
// first dot, compared case-insensitively with "ZVX5", "ZVX", "Z99" and "RRQ".
struct FileNameModel {
    std::string modelName;
    std::string strategy;
};
// False when the name matches none of the four, and the caller keeps what it had.
bool ModelFromFileName(std::string_view path, FileNameModel& out);

}  // namespace zvr
