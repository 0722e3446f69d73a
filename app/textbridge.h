// Conversion between the core's single-byte text and Qt's display text.
#ifndef APP_TEXTBRIDGE_H
#define APP_TEXTBRIDGE_H

#include <QFile>
#include <QString>

#include <string>
#include <string_view>

/// Core bytes as display text, one Latin-1 character per byte: "\xE9t\xE9" => "été".
inline QString fromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

/// Display text as core bytes; false (bytes untouched) when a character lies outside Latin-1.
inline bool toBytes(const QString& text, std::string* bytes) {
    for (QChar c : text)
        if (c.unicode() > 0xFF) return false;
    const QByteArray latin1 = text.toLatin1();
    bytes->assign(latin1.constData(), static_cast<std::size_t>(latin1.size()));
    return true;
}

/// Display text as core bytes, a character outside Latin-1 becoming "?".
inline std::string toBytesLossy(const QString& text) {
    const QByteArray latin1 = text.toLatin1();
    return std::string(latin1.constData(), static_cast<std::size_t>(latin1.size()));
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
