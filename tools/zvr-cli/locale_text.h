#pragma once

#include <string>
#include <string_view>

#include "common/stored_text.h"

namespace zvr::cli {

// The terminal's character encoding, from the locale (LC_ALL, LC_CTYPE, LANG), and the
// conversions between it and the core's single-byte (Latin-1) texts. Arguments that name or
// make stored text (a value's name, a comment) come in through argument(); Latin-1 texts go
// out through shown(). Paths are neither: they stay the file system's bytes.
class LocaleText {
public:
    // Bytes pass as they are, both ways: the "C" locale and Latin-1 terminals.
    LocaleText() = default;
    // The encoding named as nl_langinfo(CODESET) names it ("UTF-8", "ISO-8859-15" ...).
    explicit LocaleText(std::string codeset);
    // The encoding of the environment's locale; an unknown locale counts as "C".
    static LocaleText FromEnvironment();

    // An argument as the core stores it, or the reason it cannot be: a character Latin-1
    // lacks, text that is not in the locale's encoding, or more than limit bytes.
    StoredText argument(std::string_view text, size_t limit = kMaxStoredTextBytes) const;
    // A core text as the terminal shows it; a character the terminal's encoding lacks is
    // shown as "?".
    std::string shown(std::string_view latin1) const;

private:
    enum class Kind { Bytes, Utf8, Other };
    Kind kind_ = Kind::Bytes;
    std::string codeset_;
};

}  // namespace zvr::cli
