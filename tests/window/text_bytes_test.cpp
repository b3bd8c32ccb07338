#include "shell/progress_label.h"
#include "shell/text_bytes.h"
#include "window_fixture.h"

namespace vqd {
namespace {

TEST(ProgressLabel, PaintsCountsAtMostEvery40MsAndAlwaysTheFinalOne) {
    QLabel label;
    label.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&label));
    test::PaintedTexts painted(&label);
    std::int64_t now = 1000, count = 37213;
    ProgressLabel progress(&label, [&now] { return now; });
    for (const int at : {0, 39, 40, 41, 79, 80}) { // milliseconds since the first count
        now = 1000 + at;
        progress.showCount(count++);
    }
    progress.showFinalCount(40001);
    EXPECT_EQ(painted.texts, (QStringList{"37213 records processed", "37215 records processed",
                                          "37218 records processed", "40001 records processed"}));
}

#ifdef _WIN32

// In the ANSI code page (1252 under Wine) every byte is a character and comes back as it was.
TEST(TextBytes, ComeBackAsTheyWere) {
    std::string every;
    for (int b = 1; b < 256; ++b)
        every += static_cast<char>(b);
    EXPECT_EQ(bytesOf(textOf(every)), every);
    EXPECT_EQ(textOf("R\xE9gion"), QString::fromUtf8("R\xC3\xA9gion"));
}

#else

// Qt's decoder is the rule: the length of the one character the bytes start with, or 0.
std::size_t decodedLength(std::string_view bytes) {
    for (std::size_t n = 1; n <= bytes.size(); ++n) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = decoder(QByteArrayView(bytes.data(), qsizetype(n)));
        if (!decoder.hasError() && QStringView(text).toUcs4().size() == 1) return n;
    }
    return 0;
}

// Each lead byte, next bytes at and beside the limits (0x82: low-half stand-in), cut anywhere,
// comes back from a box as it was. Well-formed UTF-8 shows as its characters, another byte as its
// stand-in, a byte-order mark as a character of the text also after a stand-in.
TEST(TextBytes, CharacterLengthIsTheDecodersAndBytesComeBack) {
    EXPECT_EQ(textOf("Z\xC3\xBCrich \xF0\x9F\x98\x80"), QString::fromUtf8("Zürich 😀"));
    EXPECT_EQ(textOf("R\xE9\xEF\xBB\xBFgion"),
              QString("R") + QChar(0xDCE9) + QChar(0xFEFF) + "gion");
    for (int lead = 0; lead <= 0xFF; ++lead)
        for (const int second : {0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0})
            for (const int rest : {0x7F, 0x80, 0x82, 0xBF, 0xC0})
                for (std::size_t n = 4; n > 0; --n) { // cut before bytes that go on
                    const std::string all{char(lead), char(second), char(rest), char(rest)};
                    const std::string_view bytes(all.data(), n);
                    EXPECT_EQ(utf8CharacterLength(bytes), decodedLength(bytes))
                        << testing::PrintToString(bytes);
                    EXPECT_EQ(bytesOf(textOf(bytes)), bytes);
                }
}

#endif

} // namespace
} // namespace vqd
