#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace zvr {

// Texts of the core are single-byte: each byte is one Latin-1 character, so nothing is lost
// on the way to a widget and back.
inline QString ToQ(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string FromQ(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace zvr
