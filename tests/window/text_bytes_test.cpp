#include "shell/text_bytes.h"

#include <gtest/gtest.h>

namespace vqd {
namespace {

#ifdef _WIN32

// Texts are in the ANSI code page (1252 under the tests' Wine), where every byte is a character: a
// table written by a Windows program shows its letters, and every byte comes back as it was.
TEST(TextBytes, ComeBackAsTheyWere) {
    std::string every;
    for (int b = 1; b < 256; ++b)
        every += static_cast<char>(b);
    EXPECT_EQ(bytesOf(textOf(every)), every);
    EXPECT_EQ(textOf("R\xE9gion"), QString::fromUtf8("R\xC3\xA9gion"));
}

#else

struct BytesCase {
    const char* name;
    std::string bytes;
    QString shown;
};

class TextBytes : public testing::TestWithParam<BytesCase> {};

// Whatever a file holds comes back from a box byte for byte; well-formed UTF-8 shows as its
// characters.
TEST_P(TextBytes, ComeBackAsTheyWere) {
    const BytesCase& c = GetParam();
    EXPECT_EQ(textOf(c.bytes), c.shown);
    EXPECT_EQ(bytesOf(textOf(c.bytes)), c.bytes);
}

const QString standIn = QChar(0xDCE9); // for the byte E9

INSTANTIATE_TEST_SUITE_P(
    Bytes, TextBytes,
    testing::Values(
        BytesCase{"Utf8", "Z\xC3\xBCrich \xF0\x9F\x98\x80", QString::fromUtf8("Zürich 😀")},
        BytesCase{"ByteOrderMark", "\xEF\xBB\xBFRegion", QChar(0xFEFF) + QString("Region")},
        BytesCase{"ByteOrderMarkAfterAStandIn", "\xE9\xEF\xBB\xBF", standIn + QChar(0xFEFF)},
        BytesCase{"CodePage", "R\xE9gion", "R" + standIn + "gion"}),
    [](const auto& info) { return std::string(info.param.name); });

// Qt's decoder is the rule: the length of the one character the bytes start with, or 0.
std::size_t decodedLength(std::string_view bytes) {
    for (std::size_t n = 1; n <= bytes.size(); ++n) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = decoder(QByteArrayView(bytes.data(), qsizetype(n)));
        if (!decoder.hasError() && QStringView(text).toUcs4().size() == 1) return n;
    }
    return 0;
}

// Every lead byte, with second bytes at and beside each limit and any further ones at theirs (0x82
// makes a pair's low half a stand-in), cut after each byte: the fast check agrees with the
// decoder, and the bytes come back as they were.
TEST(TextBytes, CharacterLengthIsTheDecodersAndBytesComeBack) {
    for (int lead = 0; lead <= 0xFF; ++lead)
        for (const int second : {0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0})
            for (const int rest : {0x7F, 0x80, 0x82, 0xBF, 0xC0}) {
                const std::string all = {char(lead), char(second), char(rest), char(rest)};
                for (std::size_t n = 1; n <= all.size(); ++n) {
                    const std::string bytes = all.substr(0, n);
                    EXPECT_EQ(utf8CharacterLength(bytes), decodedLength(bytes))
                        << testing::PrintToString(bytes);
                    EXPECT_EQ(bytesOf(textOf(bytes)), bytes);
                }
            }
}

#endif

} // namespace
} // namespace vqd
