#include "common/csv.h"

namespace zvr {

std::string CsvField(std::string_view text) {
    std::string field;
    bool quoted = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') c = ' ';
        if (c == ',' || c == '"') quoted = true;
        if (c == '"') field += '"';
        field += c;
    }
    return quoted ? '"' + field + '"' : field;
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
    if (line.ends_with('\r')) line.remove_suffix(1);
    std::vector<std::string> fields(1);
    bool inQuotes = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inQuotes) {
            if (c != '"') {
                fields.back() += c;
            } else if (i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else {
                inQuotes = false;
            }
        } else if (c == '"') {
            inQuotes = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

}  // namespace zvr
