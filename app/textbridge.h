// Conversion between the core's single-byte text and Qt's display text.
#ifndef APP_TEXTBRIDGE_H
#define APP_TEXTBRIDGE_H

#include <QFile>
#include <QString>

#include <string>
#include <string_view>
#include <utility>

#include "search/windows1252.h"

/// Core bytes (Windows-1252, as form files hold them) as display text: "\xE9t\xE9" => "été",
/// "\x80" => "€".
inline QString fromBytes(std::string_view bytes) {
    const std::string utf8 = search::fromWindows1252(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

/// Display text as core bytes, as the command line turns a criterion into them
/// (search::typedToWindows1252); false (bytes untouched) when a character has no byte in
/// Windows-1252.
inline bool toBytes(const QString& text, std::string* bytes) {
    const QByteArray utf8 = text.toUtf8();
    std::string converted;
    if (!search::typedToWindows1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())),
                                    &converted, nullptr))
        return false;
    *bytes = std::move(converted);
    return true;
}

/// Display text as core bytes, a character that Windows-1252 lacks transliterated ("Ł" => "L")
/// or "?".
inline std::string toBytesLossy(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return search::toWindows1252(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

/// A file path as the file system spells it in bytes.
inline std::string pathBytes(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    return std::string(name.constData(), static_cast<std::size_t>(name.size()));
}

/// A file path from the file system's bytes.
inline QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

#endif // APP_TEXTBRIDGE_H
