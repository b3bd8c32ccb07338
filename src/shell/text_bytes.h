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

inline std::string pathOf(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

inline QString textOf(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace vqd
