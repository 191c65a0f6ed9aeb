#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zvr {

// Cal and setup files store their strings as single bytes (Latin-1), each with a one-byte
// length: a stored text holds at most 255 bytes.
inline constexpr size_t kMaxStoredTextBytes = 255;

// Text typed by a user, turned into the bytes a cal or setup file stores. refusal is empty
// when the text can be stored as it is; otherwise it says why not, and bytes is empty: a
// character outside Latin-1 or a text longer than limit is refused whole, never cut or
// replaced.
struct StoredText {
    std::string bytes;
    std::string refusal;

    bool ok() const { return refusal.empty(); }
};

// From UTF-8 (what the window and a UTF-8 terminal give).
StoredText StoredTextFromUtf8(std::string_view utf8, size_t limit = kMaxStoredTextBytes);

// From bytes that already are Latin-1: only the length is checked.
StoredText StoredTextFromLatin1(std::string_view latin1, size_t limit = kMaxStoredTextBytes);

// A file path shown inside a message or a report, whose texts are Latin-1. Paths are the file
// system's bytes, UTF-8 by convention: each character that Latin-1 has is shown as itself,
// one it lacks as "?", and bytes that are not UTF-8 as they are. For showing only; the path
// itself is never changed.
std::string PathText(std::string_view path);

}  // namespace zvr
