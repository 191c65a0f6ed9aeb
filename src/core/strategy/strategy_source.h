#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zvr {

struct DefinitionSet;

// The JSON source form of a strategy: what people read, review in a diff and edit, compiled
// into the binary cal file. It carries every field of every record, the header's reserved
// bytes, the file order of view items, diagnostics and comments, and every byte of every
// string (cal-file strings are single bytes, mapped one byte to one code point U+0000-U+00FF).
//
// Layout (strategies/README.md describes it for authors):
//   { "base": "family.json",            optional: a source whose definitions this one extends
//     "strategy": "NAME0001", "descriptions": [six strings at most],
//     "reserved4": "22 hex digits", "reserved31": "24 hex digits",      optional, 0 when absent
//     "variables": [...], "scalars": [...], "viewItems": [...], "diagnostics": [...],
//     "comments": [...] }
// Scalar values ("value", "base", "min", "max") are raw integers or, as strings, values in
// the scalar's own units ("1.5", "-20", "$1F", "00000101") that its scaling holds exactly.
// Addresses are integers or "0x" hexadecimal strings.
//
// A source with a base starts from the base's definitions: a record naming an existing
// variable, scalar, view item or diagnostic changes only the fields it gives, "remove": true
// drops it, any other record is added; comments are appended; header fields replace.

struct StrategySourceResult {
    std::string error;  // empty on success; otherwise one line saying where and what
    explicit operator bool() const { return error.empty(); }
};

// Finds the text of a base source by the name a source gives, relative to that source.
using BaseSourceLoader =
    std::function<StrategySourceResult(const std::string& name, std::string& text)>;

// Reads source text into set, replacing what it held. A source that names a base needs
// loadBase. Never throws.
StrategySourceResult ParseStrategySource(std::string_view text, DefinitionSet& set,
                                         const BaseSourceLoader& loadBase = {});

// Reads a source file; its base is looked up relative to the folder of the file naming it.
StrategySourceResult ReadStrategySourceFile(const std::string& path, DefinitionSet& set);

// A standalone source (no base) that compiles back to the same cal file: one record per line,
// values shown in their units wherever that is exact, raw integers elsewhere.
std::string WriteStrategySource(const DefinitionSet& set);

// Single-byte text to UTF-8 and back, one byte to one code point. The way back fails on a
// code point above U+00FF or on bytes that are not UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);
bool Utf8ToLatin1(std::string_view utf8, std::string& bytes);

// Single-byte text as a JSON string in UTF-8, quoted and escaped as the sources write theirs.
std::string JsonText(std::string_view text);
// A path as a JSON string: its own bytes when they are UTF-8 (as file names are by
// convention), otherwise each byte as one Latin-1 letter.
std::string JsonPath(std::string_view path);

}  // namespace zvr
