#include "qt_ini_format.h"

#include <algorithm>
#include <cstdint>

#include "strategy/strategy_source.h"  // Latin1ToUtf8

namespace zvr::cli {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool IsHexDigit(uint32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string LowerHex(uint32_t value) {
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789abcdef"[value % 16]);
        value /= 16;
    } while (value != 0);
    return digits;
}

// The code points of UTF-8 text; a byte that starts no valid sequence stands for U+FFFD, as
// a UTF-8 decoder replaces it.
std::vector<uint32_t> CodePoints(std::string_view utf8) {
    std::vector<uint32_t> points;
    for (size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int length = byte < 0x80         ? 1
                           : (byte >> 5) == 6  ? 2
                           : (byte >> 4) == 14 ? 3
                           : (byte >> 3) == 30 ? 4
                                               : 0;
        uint32_t point = length == 1   ? byte
                         : length == 2 ? byte & 0x1F
                         : length == 3 ? byte & 0x0F
                                       : byte & 0x07;
        bool valid = length > 0 && i + static_cast<size_t>(length) <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            point = (point << 6) | (next & 0x3F);
        }
        if (!valid) {
            points.push_back(0xFFFD);
            ++i;
            continue;
        }
        points.push_back(point);
        i += static_cast<size_t>(length);
    }
    return points;
}

// Text for the core: a character beyond Latin-1 becomes '?' (two for one beyond the
// 16-bit range, as a string of 16-bit units turns into Latin-1).
std::string Latin1Of(const std::vector<uint32_t>& points) {
    std::string text;
    for (uint32_t point : points)
        text += point <= 0xFF    ? std::string(1, static_cast<char>(point))
                : point > 0xFFFF ? "??"
                                 : "?";
    return text;
}

void AppendUtf8(std::string& out, uint32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

// A key's characters from the file: %XX, %UXXXX and '\' undone. Keys are compared as UTF-8.
std::string UnescapedKey(std::string_view text) {
    const std::vector<uint32_t> points = CodePoints(text);
    std::string key;
    for (size_t i = 0; i < points.size();) {
        if (points[i] == '\\') {
            key += '/';
            ++i;
            continue;
        }
        if (points[i] != '%' || i + 1 == points.size()) {
            AppendUtf8(key, points[i++]);
            continue;
        }
        const size_t first = points[i + 1] == 'U' ? i + 2 : i + 1;
        const size_t digits = points[i + 1] == 'U' ? 4 : 2;
        uint32_t value = 0;
        bool ok = first + digits <= points.size();
        for (size_t k = 0; ok && k < digits; ++k) {
            ok = points[first + k] < 0x80 && IsHexDigit(points[first + k]);
            if (ok)
                value = value * 16 +
                        static_cast<uint32_t>(HexValue(static_cast<char>(points[first + k])));
        }
        if (!ok) {
            key += '%';
            ++i;
            continue;
        }
        AppendUtf8(key, value);
        i = first + digits;
    }
    return key;
}

std::string Trimmed(std::string_view text) {
    const size_t start = text.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos) return "";
    const size_t end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(start, end - start + 1));
}

// One logical line of the file, as QSettings cuts it: a quoted text may span lines, a
// backslash joins the next line, and ';' outside quotes starts a comment.
struct IniLine {
    std::string_view text;
    size_t equals = std::string_view::npos;
};

std::optional<IniLine> NextLine(std::string_view data, size_t& position) {
    for (;;) {
        size_t start = position;
        while (start < data.size() && (data[start] == ' ' || data[start] == '\t' ||
                                       data[start] == '\r' || data[start] == '\n')) {
            ++start;
        }
        if (start >= data.size()) return std::nullopt;
        if (data[start] == ';') {  // a comment line
            while (start < data.size() && data[start] != '\n' && data[start] != '\r')
                ++start;
            position = start;
            continue;
        }
        bool inQuotes = false;
        size_t equals = std::string_view::npos;
        size_t i = start;
        for (; i < data.size(); ++i) {
            const char c = data[i];
            if (c == '=' && !inQuotes && equals == std::string_view::npos) {
                equals = i - start;
            } else if ((c == '\n' || c == '\r') && !inQuotes) {
                break;
            } else if (c == '\\' && i + 1 < data.size()) {
                ++i;
                const char next = data[i];
                if (i + 1 < data.size() && ((next == '\n' && data[i + 1] == '\r') ||
                                            (next == '\r' && data[i + 1] == '\n'))) {
                    ++i;
                }
            } else if (c == '"') {
                inQuotes = !inQuotes;
            } else if (c == ';' && !inQuotes) {
                break;
            }
        }
        // A comment after the value runs to the end of its line.
        size_t end = i;
        while (end < data.size() && data[end] == ';') {
            while (end < data.size() && data[end] != '\n' && data[end] != '\r')
                ++end;
        }
        position = end;
        return IniLine{data.substr(start, i - start), equals};
    }
}

// A value's text as QSettings unescapes it into one string or a list of them.
std::vector<std::string> UnescapedStrings(std::string_view text, bool& isList) {
    static constexpr char kEscapes[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                           {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                           {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    isList = false;
    std::vector<std::string> list;
    std::string current;  // UTF-8
    bool inQuotes = false;
    bool quoted = false;
    size_t chopLimit = 0;
    auto chopTrailing = [&] {
        while (current.size() > chopLimit && (current.back() == ' ' || current.back() == '\t'))
            current.pop_back();
    };
    size_t i = 0;
    auto skipSpaces = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
    };
    skipSpaces();
    chopLimit = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\') {
            ++i;
            if (i >= text.size()) break;
            const char code = text[i++];
            const auto escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                             [code](const char* e) { return e[0] == code; });
            if (escape != std::end(kEscapes)) {
                current += (*escape)[1];
            } else if (code == 'x' || (code >= '0' && code <= '7')) {
                const bool hex = code == 'x';
                uint32_t value = hex ? 0 : static_cast<uint32_t>(code - '0');
                size_t digits = hex ? 0 : 1;
                while (i < text.size() && (hex ? IsHexDigit(static_cast<unsigned char>(text[i]))
                                               : text[i] >= '0' && text[i] <= '7')) {
                    value = value * (hex ? 16 : 8) + static_cast<uint32_t>(HexValue(text[i]));
                    ++i;
                    ++digits;
                }
                if (digits > 0) AppendUtf8(current, value & 0xFFFF);  // "\x" alone is dropped
            } else if ((code == '\n' || code == '\r') && i < text.size() &&
                       (text[i] == '\n' || text[i] == '\r') && text[i] != code) {
                ++i;  // a line joined by a backslash
            }
            chopLimit = current.size();
        } else if (c == '"') {
            ++i;
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes) {
                skipSpaces();
                chopLimit = current.size();
            }
        } else if (c == ',' && !inQuotes) {
            if (!quoted) chopTrailing();
            isList = true;
            list.push_back(current);
            current.clear();
            quoted = false;
            ++i;
            skipSpaces();
            chopLimit = 0;
        } else {
            current += c;
            ++i;
        }
    }
    if (!quoted) chopTrailing();
    list.push_back(current);
    return list;
}

// A key (UTF-8) as QSettings writes it.
std::string EscapedKeyOfUtf8(std::string_view utf8) {
    std::string key;
    for (const uint32_t ch : CodePoints(utf8)) {
        if (ch == '/') {
            key += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                   (ch >= '0' && ch <= '9') || ch == '_' || ch == '-' || ch == '.') {
            key += static_cast<char>(ch);
        } else if (ch <= 0xFF) {
            key += '%';
            key += kHex[ch >> 4];
            key += kHex[ch & 0xF];
        } else {
            key += "%U";
            for (int shift = 12; shift >= 0; shift -= 4)
                key += kHex[(ch >> shift) & 0xF];
        }
    }
    return key;
}

}  // namespace

std::string EscapedIniKey(std::string_view latin1Key) {
    return EscapedKeyOfUtf8(Latin1ToUtf8(latin1Key));
}

std::string EscapedIniString(std::string_view latin1) {
    std::string value;
    const bool hasNul = latin1.find('\0') != std::string_view::npos;
    std::string text = hasNul                    ? "@String(" + std::string(latin1) + ")"
                       : latin1.starts_with('@') ? "@" + std::string(latin1)
                                                 : std::string(latin1);
    bool needsQuotes = false;
    bool escapeNextIfDigit = false;
    for (const char c : text) {
        const auto ch = static_cast<unsigned char>(c);
        if (ch == ';' || ch == ',' || ch == '=') needsQuotes = true;
        if (escapeNextIfDigit && IsHexDigit(ch)) {
            value += "\\x" + LowerHex(ch);
            continue;
        }
        escapeNextIfDigit = false;
        switch (ch) {
            case '\0':
                value += "\\0";
                escapeNextIfDigit = true;
                break;
            case '\a':
                value += "\\a";
                break;
            case '\b':
                value += "\\b";
                break;
            case '\f':
                value += "\\f";
                break;
            case '\n':
                value += "\\n";
                break;
            case '\r':
                value += "\\r";
                break;
            case '\t':
                value += "\\t";
                break;
            case '\v':
                value += "\\v";
                break;
            case '"':
            case '\\':
                value += '\\';
                value += c;
                break;
            default:
                if (ch <= 0x1F) {
                    value += "\\x" + LowerHex(ch);
                    escapeNextIfDigit = true;
                } else {
                    AppendUtf8(value, ch);
                }
        }
    }
    if (needsQuotes || (!value.empty() && (value.front() == ' ' || value.back() == ' '))) {
        value = '"' + value + '"';
    }
    return value;
}

std::optional<std::string> UnescapedIniString(std::string_view text) {
    bool isList = false;
    const std::vector<std::string> strings = UnescapedStrings(text, isList);
    if (isList) return std::nullopt;
    const std::string& value = strings.front();
    if (!value.starts_with('@')) return Latin1Of(CodePoints(value));
    if (value.starts_with("@@")) return Latin1Of(CodePoints(value.substr(1)));
    if (value.starts_with("@String(") && value.ends_with(')')) {
        return Latin1Of(CodePoints(value.substr(8, value.size() - 9)));
    }
    if (value.starts_with("@ByteArray(") && value.ends_with(')')) {
        return Latin1Of(CodePoints(value.substr(11, value.size() - 12)));
    }
    // "@Invalid()", "@Variant(...)", "@Rect(...)" and the like are no text.
    if (value.ends_with(')') && value.find('(') != std::string::npos) return std::nullopt;
    return Latin1Of(CodePoints(value));
}

QtIniDocument QtIniDocument::Parse(std::string_view text) {
    QtIniDocument document;
    std::string current;  // "" is General
    size_t position = 0;
    while (const auto line = NextLine(text, position)) {
        if (line->text.front() == '[') {
            const size_t close = line->text.find(']');
            std::string name = Trimmed(UnescapedKey(line->text.substr(
                1, (close == std::string_view::npos ? line->text.size() : close) - 1)));
            std::string lower = name;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (lower == "general") name.clear();
            if (lower == "%general") name = "General";
            current = name;
            continue;
        }
        if (line->equals == std::string_view::npos) continue;
        std::string key = Trimmed(UnescapedKey(line->text.substr(0, line->equals)));
        if (key.empty()) continue;
        std::string value = Trimmed(line->text.substr(line->equals + 1));
        document.section(current).values[key] = std::move(value);
    }
    return document;
}

std::string QtIniDocument::Write() const {
    std::string text;
    bool first = true;
    for (const Section& section : sections_) {
        if (section.values.empty()) continue;
        if (!first) text += '\n';
        first = false;
        text += "[" +
                (section.name.empty() ? std::string("General") : EscapedKeyOfUtf8(section.name)) +
                "]\n";
        for (const auto& [key, value] : section.values)
            text += EscapedKeyOfUtf8(key) + "=" + value + "\n";
    }
    return text;
}

// A setting's name is a path: the part before its first '/' names the section, the rest
// is the key in it; a name without '/' is a key of [General].
std::pair<std::string, std::string> QtIniDocument::Place(std::string_view latin1Name) {
    const std::string name = Latin1ToUtf8(latin1Name);
    const size_t slash = name.find('/');
    if (slash == std::string::npos) return {"", name};
    return {name.substr(0, slash), name.substr(slash + 1)};
}

const std::string* QtIniDocument::valueText(std::string_view latin1Name) const {
    const auto [name, key] = Place(latin1Name);
    for (const Section& section : sections_) {
        if (section.name != name) continue;
        const auto at = section.values.find(key);
        return at == section.values.end() ? nullptr : &at->second;
    }
    return nullptr;
}

void QtIniDocument::setValueText(std::string_view latin1Name, std::string text) {
    const auto [name, key] = Place(latin1Name);
    section(name).values[key] = std::move(text);
}

QtIniDocument::Section& QtIniDocument::section(const std::string& name) {
    const auto at = std::find_if(sections_.begin(), sections_.end(),
                                 [&name](const Section& s) { return s.name == name; });
    if (at != sections_.end()) return *at;
    sections_.push_back({name, {}});
    return sections_.back();
}

}  // namespace zvr::cli
