#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvr::cli {

// The INI format QSettings reads and writes (QSettings::IniFormat), without Qt, so that
// zvr-cli and the program keep one settings file. What matters of it:
// - Keys of no group stand in the section [General]; a key "Group/key" in [Group] as "key".
// - A key keeps letters, digits, '_', '-' and '.'; '/' is written '\'; any other character
//   up to U+00FF as %XX (upper-case hex), beyond it as %UXXXX.
// - A value is UTF-8 text with C-like escapes (\t, \n, \", \\, \xHH, \0 ...); after a \x or
//   \0 escape a following hex digit is escaped too. A value with ';', ',' or '=' or with a
//   blank at either end is quoted. Outside quotes ',' separates a list, ';' begins a comment,
//   and blanks around a value are dropped. A string beginning with '@' is written with a
//   second '@' ("@@home"); a value "@Invalid()" is no value, "@String(...)" a string.
// - Numbers are written as their decimal text.
// - Sections are written in the order their first key had in the file, new ones after them
//   by name; keys within a section sorted by name (case matters), one blank line between
//   sections.
//
// Texts here are the core's: single-byte Latin-1 characters. Keys are ASCII in practice.

// A key as the file writes it.
std::string EscapedIniKey(std::string_view latin1Key);
// A string value as the file writes it.
std::string EscapedIniString(std::string_view latin1);
// The string a value's text stands for, as QSettings' toString() would give it, Latin-1 (a
// character beyond it as '?'); nothing when the value is not a single string (a list, an
// invalid value, binary data).
std::optional<std::string> UnescapedIniString(std::string_view text);

// An INI file as sections of keys, each value kept as its text in the file, so that what
// this program does not change is written back meaning what it meant.
class QtIniDocument {
public:
    // Reads the text of a file; what cannot be read (a line without '=') is skipped, as
    // QSettings does.
    static QtIniDocument Parse(std::string_view text);
    std::string Write() const;

    // The text of a setting ("Key", or "Group/Key" as QSettings names one in a group), or
    // nothing.
    const std::string* valueText(std::string_view latin1Name) const;
    void setValueText(std::string_view latin1Name, std::string text);

private:
    static std::pair<std::string, std::string> Place(std::string_view latin1Name);

    struct Section {
        std::string name;  // as QSettings names it: "" for General; keys in UTF-8
        std::map<std::string, std::string> values;
    };
    Section& section(const std::string& name);

    std::vector<Section> sections_;  // in the order they are written
};

}  // namespace zvr::cli
