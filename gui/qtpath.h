#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <filesystem>

namespace mirca {

// std::filesystem::path <-> QString in the encoding Qt itself gives file names (QFile::encodeName), so a path
// names the same file on both sides. Qt 6 on Linux takes file names as UTF-8: bytes that are not UTF-8 do
// not survive the trip, and Qt could not open such a file anyway.
inline QString ToQString(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

inline std::filesystem::path ToPath(const QString& text) {
    return std::filesystem::path(QFile::encodeName(text).toStdString());
}

}  // namespace mirca
