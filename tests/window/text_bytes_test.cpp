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
        BytesCase{"LowHalfOfAPairInTheStandInRange", "\xF0\x9F\x92\x80", QString::fromUtf8("💀")},
        BytesCase{"ByteOrderMark", "\xEF\xBB\xBFRegion", QChar(0xFEFF) + QString("Region")},
        BytesCase{"ByteOrderMarkAfterAStandIn", "\xE9\xEF\xBB\xBF", standIn + QChar(0xFEFF)},
        BytesCase{"CodePage", "R\xE9gion", "R" + standIn + "gion"},
        BytesCase{"CutCharacter", "a\xC3", "a" + QString(QChar(0xDCC3))},
        BytesCase{"LongForm", "\xC0\xAF", QString(QChar(0xDCC0)) + QChar(0xDCAF)},
        BytesCase{"EncodedSurrogate", "\xED\xA0\x80",
                  QString(QChar(0xDCED)) + QChar(0xDCA0) + QChar(0xDC80)},
        BytesCase{"BeyondUnicode", "\xF4\x90\x80\x80x",
                  QString(QChar(0xDCF4)) + QChar(0xDC90) + QChar(0xDC80) + QChar(0xDC80) + "x"}),
    [](const auto& info) { return std::string(info.param.name); });

#endif

} // namespace
} // namespace vqd
