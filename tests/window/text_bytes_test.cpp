#include "shell/progress_label.h"
#include "shell/text_bytes.h"

#include <QLabel>
#include <gtest/gtest.h>

namespace vqd {
namespace {

// Any count may show, but the label is painted at most once in 40 ms, except for the final count.
TEST(ProgressLabel, ShowsCountsAtMostEvery40MsAndAlwaysTheFinalOne) {
    QLabel label;
    std::int64_t now = 1000;
    ProgressLabel progress(&label, [&now] { return now; });
    // Milliseconds since the first count, and the count shown; a new count each time.
    const std::pair<std::int64_t, int> steps[] = {{0, 37213},  {39, 37213}, {40, 37215},
                                                  {41, 37215}, {79, 37215}, {80, 37218}};
    std::int64_t count = 37213;
    for (const auto& [at, shown] : steps) {
        now = 1000 + at;
        progress.showCount(count++);
        EXPECT_EQ(label.text(), QString("%1 records processed").arg(shown)) << "at " << at;
    }
    progress.showFinalCount(40001);
    EXPECT_EQ(label.text(), "40001 records processed");
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
                for (std::string bytes{char(lead), char(second), char(rest), char(rest)};
                     !bytes.empty(); bytes.pop_back()) {
                    EXPECT_EQ(utf8CharacterLength(bytes), decodedLength(bytes))
                        << testing::PrintToString(bytes);
                    EXPECT_EQ(bytesOf(textOf(bytes)), bytes);
                }
}

#endif

} // namespace
} // namespace vqd
