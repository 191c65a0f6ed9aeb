#pragma once

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

#include "common/stored_text.h"

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

// A text the user typed, to be stored in a cal or setup file: refused with the reason when it
// has a character outside Latin-1 or is longer than limit, never cut or turned into "?".
inline StoredText StoredTextFromQ(const QString& text, size_t limit = kMaxStoredTextBytes) {
    const QByteArray utf8 = text.toUtf8();
    return StoredTextFromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())),
                              limit);
}

// File paths are not such texts: they are the file system's bytes, whatever their characters.
inline QString PathToQ(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

inline std::string PathFromQ(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace zvr
