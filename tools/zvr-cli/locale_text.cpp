#include "locale_text.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <optional>

#include "strategy/strategy_source.h"  // Latin1ToUtf8

namespace zvr::cli {

namespace {

// text converted by iconv, or nothing when it holds what the encodings cannot convert.
std::optional<std::string> Convert(const std::string& from, const std::string& to,
                                   std::string_view text) {
    const iconv_t converter = ::iconv_open(to.c_str(), from.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string input(text);
    std::string output(input.size() * 4 + 16, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    const size_t done = ::iconv(converter, &in, &inLeft, &out, &outLeft);
    ::iconv_close(converter);
    if (done == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

}  // namespace

LocaleText::LocaleText(std::string codeset) : codeset_(std::move(codeset)) {
    if (codeset_ == "UTF-8") {
        kind_ = Kind::Utf8;
    } else if (codeset_.empty() || codeset_ == "ANSI_X3.4-1968" || codeset_ == "ISO-8859-1") {
        kind_ = Kind::Bytes;
    } else {
        kind_ = Kind::Other;
    }
}

LocaleText LocaleText::FromEnvironment() {
    // A locale of its own: the program's global locale (and with it number formatting) stays
    // "C".
    const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) return LocaleText();
    LocaleText text(::nl_langinfo_l(CODESET, locale));
    ::freelocale(locale);
    return text;
}

StoredText LocaleText::argument(std::string_view text, size_t limit) const {
    switch (kind_) {
        case Kind::Utf8:
            return StoredTextFromUtf8(text, limit);
        case Kind::Other:
            if (auto utf8 = Convert(codeset_, "UTF-8", text)) {
                return StoredTextFromUtf8(*utf8, limit);
            }
            return {{}, "The text is not valid " + codeset_ + "."};
        default:
            return StoredTextFromLatin1(text, limit);
    }
}

std::string LocaleText::shown(std::string_view latin1) const {
    switch (kind_) {
        case Kind::Utf8:
            return Latin1ToUtf8(latin1);
        case Kind::Other:
            return Convert("UTF-8", codeset_ + "//TRANSLIT", Latin1ToUtf8(latin1))
                .value_or(std::string(latin1));
        default:
            return std::string(latin1);
    }
}

}  // namespace zvr::cli
