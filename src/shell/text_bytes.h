#pragma once
// The engine works on 8-bit texts as they are; the controls hold QStrings. These convert at the
// controls and nowhere else.

#include <QFile>
#include <QString>
#include <string>
#include <string_view>

namespace vqd {

inline std::string bytesOf(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// A file name in the form the engine's file seam takes it: on Windows UTF-8, which it opens
// through the wide-character API, rather than the ANSI code page, which lacks most characters.
inline std::string pathOf(const QString& text) {
#ifdef _WIN32
    return text.toStdString();
#else
    return QFile::encodeName(text).toStdString();
#endif
}

inline QString textOf(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace vqd
