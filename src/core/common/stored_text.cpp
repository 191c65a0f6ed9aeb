#include "common/stored_text.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace zvr {

namespace {

struct DecodedChar {
    char32_t code;
    size_t length;
};

// The UTF-8 character at text[at], or nothing when the bytes there are not UTF-8 (a stray
// continuation byte, a cut sequence, an overlong form or a surrogate).
std::optional<DecodedChar> DecodeUtf8(std::string_view text, size_t at) {
    const auto lead = static_cast<uint8_t>(text[at]);
    if (lead < 0x80) return DecodedChar{lead, 1};
    size_t length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size()) return std::nullopt;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = code << 6 | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    return DecodedChar{code, length};
}

std::string CodePointName(char32_t code) {
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(code));
    return name;
}

}  // namespace

StoredText StoredTextFromLatin1(std::string_view latin1, size_t limit) {
    if (latin1.size() > limit) {
        return {{},
                "The text is " + std::to_string(latin1.size()) +
                    " characters long; the file holds at most " + std::to_string(limit) + "."};
    }
    return {std::string(latin1), {}};
}

StoredText StoredTextFromUtf8(std::string_view utf8, size_t limit) {
    std::string bytes;
    bytes.reserve(utf8.size());
    for (size_t at = 0; at < utf8.size();) {
        const auto decoded = DecodeUtf8(utf8, at);
        if (!decoded) return {{}, "The text is not valid UTF-8."};
        if (decoded->code > 0xFF) {
            return {{},
                    "The character " + CodePointName(decoded->code) +
                        " cannot be stored: the file holds Western European (Latin-1) "
                        "characters only."};
        }
        bytes += static_cast<char>(decoded->code);
        at += decoded->length;
    }
    return StoredTextFromLatin1(bytes, limit);
}

std::string PathText(std::string_view path) {
    std::string shown;
    shown.reserve(path.size());
    for (size_t at = 0; at < path.size();) {
        const auto decoded = DecodeUtf8(path, at);
        if (!decoded) {
            shown += path[at++];
            continue;
        }
        shown += decoded->code > 0xFF ? '?' : static_cast<char>(decoded->code);
        at += decoded->length;
    }
    return shown;
}

}  // namespace zvr
