#pragma once

#include <string>
#include <string_view>

namespace zvr {

struct DefinitionSet;
class UserPrompt;

// The binary cal file: strategy files (*.000) and calibration files (*.ZVR) alike. Sections
// in a fixed order, little-endian, every fixed block starting with its own file offset;
// strings carry their length in the block before them. No magic number, no checksum.

inline constexpr const char* kCalFileOpenFilter = "Cal Files(*.000;*.ZVR)|*.000;*.ZVR||";
inline constexpr const char* kCalFileOpenExtension = "*.000";
inline constexpr const char* kCalFileSaveFilter = "CAL Files (*.ZVR)|*.ZVR||";
inline constexpr const char* kCalFileSaveExtension = "*.ZVR";

// Whether a path ends the way cal files do: "000", "ZVR" or "CFG", in any case. The file
// dialog reads and shows the comments only of such files.
bool HasCalFileEnding(std::string_view path);

// Reads a cal file into set, replacing what it held. Results:
//   0 success (the path is remembered as the set's file);
//  -1 the file cannot be opened (the set is left as it was);
//  -2 a short read, an own-offset mismatch, a file with functions or EOL programs;
//  -3 memory exhausted, or a file with tables;
//  from the comment section: -3 a short block, -2 an own-offset mismatch, -4 memory
//  exhausted, -5 a short text.
// Files with functions, tables or EOL programs are refused with a message first. After a
// failure the tables may be partly filled; whatever the result, the file-name model and
// strategy are derived again from the remembered path. Never throws.
int LoadCalFile(DefinitionSet& set, const std::string& path, UserPrompt& prompt);

// Writes set into an existing file (the caller has created it), with strategyName as the
// strategy name; the set's header counts and strategy name are updated first.
// 0 success, -1 the file cannot be opened or a write failed, -2 a table holds more entries
// than the file can count or a text is longer than 255 bytes (DefinitionSet::overLimit();
// nothing is written). Never throws.
int WriteCalFile(DefinitionSet& set, const std::string& path, const std::string& strategyName);

// The bytes WriteCalFile would write, for a writer that puts them on disk itself. 0, -1 out
// of memory, -2 as WriteCalFile (nothing made).
int CalFileBytes(DefinitionSet& set, const std::string& strategyName, std::string& bytes);

}  // namespace zvr
