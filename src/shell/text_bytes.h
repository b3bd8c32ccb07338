#pragma once
// The engine works on 8-bit texts as they are; the controls hold QStrings. These convert at the
// controls and nowhere else.

#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <string>
#include <string_view>

namespace vqd {

#ifdef _WIN32

// Every byte of a single-byte ANSI code page has its character. (A system whose code page is
// UTF-8 would want the stand-ins below; the window is not built for Windows here.)
inline std::string bytesOf(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

inline QString textOf(std::string_view bytes) {
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

#else

// Texts are UTF-8 here, but a table written on Windows holds bytes of a code page (R\xE9gion).
// A byte b that starts no UTF-8 character stands in a box as the lone surrogate U+DC00 + b and
// goes out again as that byte, so a name taken from a file reaches the metadata as it stood there.
constexpr char16_t byteStandIn = 0xDC00;

// The length of the well-formed UTF-8 character at the start of `bytes`, or 0.
inline std::size_t utf8CharacterLength(std::string_view bytes) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || bytes.size() < length) return 0;
    // The second byte's range rules out long forms, surrogates and code points past U+10FFFF.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

inline QString textOf(std::string_view bytes) {
    // A byte-order mark is a character of the text like any other: a first field keeps it.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                       QStringConverter::Flag::Stateless);
    QString text;
    std::size_t run = 0; // where the current run of well-formed characters starts
    for (std::size_t at = 0;;) {
        const std::size_t length = at < bytes.size() ? utf8CharacterLength(bytes.substr(at)) : 0;
        if (length > 0) {
            at += length;
            continue;
        }
        text +=
            decoder.decode(QByteArrayView(bytes.data() + run, static_cast<qsizetype>(at - run)));
        if (at == bytes.size()) return text;
        text += QChar(static_cast<char16_t>(byteStandIn + static_cast<unsigned char>(bytes[at])));
        run = ++at;
    }
}

inline std::string bytesOf(const QString& text) {
    std::string bytes;
    qsizetype run = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        const char16_t unit = at < text.size() ? text[at].unicode() : 0;
        const bool standIn = unit >= byteStandIn + 0x80 && unit <= byteStandIn + 0xFF &&
                             (at == 0 || !text[at - 1].isHighSurrogate());
        if (at < text.size() && !standIn) continue;
        bytes += text.mid(run, at - run).toUtf8().toStdString();
        if (standIn) bytes += static_cast<char>(unit - byteStandIn);
        run = at + 1;
    }
    return bytes;
}

#endif

// A file name in the form the engine's file seam takes it: on Windows UTF-8, which it opens
// through the wide-character API, rather than the ANSI code page, which lacks most characters.
inline std::string pathOf(const QString& text) {
#ifdef _WIN32
    return text.toStdString();
#else
    return QFile::encodeName(text).toStdString();
#endif
}

} // namespace vqd
