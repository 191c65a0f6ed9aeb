#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "definitions/definition_tables.h"
#include "definitions/definitions.h"
#include "definitions/model_kind.h"

namespace zvr {

struct SectionCounts {
    uint16_t number_of_variables = 0;
    uint16_t number_of_scalars = 0;
    uint16_t number_of_view_items = 0;
    uint16_t number_of_functions = 0;
    uint16_t number_of_tables = 0;
    uint16_t number_of_diagnostics = 0;
    uint16_t number_of_eol_programs = 0;
    uint16_t number_of_comments = 0;

    friend bool operator==(const SectionCounts&, const SectionCounts&) = default;
};

struct FileHeader {
    std::string strategyName;
    std::array<std::string, 6> descriptions;
    SectionCounts counts;
    // Header bytes 4-14 and 31-42: their meaning is not ours to know, so they are carried
    // from the file a document was loaded from into every file written from it.
    std::array<uint8_t, 11> reserved4{};
    std::array<uint8_t, 12> reserved31{};
    ModelKind modelKind = ModelKind::Unknown;

    friend bool operator==(const FileHeader&, const FileHeader&) = default;
};

// A cal file counts each table's entries in 16 bits: it holds at most this many.
inline constexpr size_t kMaxTableEntries = 65535;

// The header and the five definition tables of one document, with what the document
// remembers of the file it was loaded from.
struct DefinitionSet {
    FileHeader header;
    SortedTable<VariableDef> variables;
    SortedTable<ScalarDef> scalars;
    ViewItemTable<ViewItemDef> viewItems;
    OrderedTable<DiagnosticDef> diagnostics;
    OrderedTable<CommentDef> comments;

    std::string filePath;       // the last file that loaded successfully
    std::string fileModelName;  // "ZEVAR 880" ..., from the file name; for report headings
    std::string fileStrategy;

    // Empties the header and every table; the remembered file stays.
    void clear();
    // Sets the section counts from the table sizes; functions, tables and EOL programs are 0.
    void refreshCounts();
    // "the file can hold at most 65535 scalars; there are 65536" for the first table a file
    // cannot count, or "comment 2 is 300 bytes long; ..." for the first text longer than its
    // one-byte length can say; nothing when everything fits. A set over the limit is never
    // written, so nothing is cut on the way to the file.
    std::optional<std::string> overLimit() const;
};

}  // namespace zvr
