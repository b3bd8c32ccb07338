#include "window_fixture.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <algorithm>

namespace vqd::test {
namespace {

// Page 1's rules as its boxes are filled in, and page 2's inspection of its files.
using Rules = WindowTest;
using Inspection = WindowTest;

TEST_F(Rules, RowsFollowVarCountTheirOptionsAndThePage) {
    // Ticked with four rows open: code lists for rows 1 and 2, levels for rows 0 and 3.
    nameFile(cellFile(), "4");
    for (const char* tick : {"chkHierch(1)", "chkLevels(0)", "chkHierch(2)", "chkLevels(3)"})
        click(check(tick));
    // Page 2 inspects the template in the input file's place. Ticks beyond the dimension open
    // nothing.
    box("txtVQDTemplateFile")->setText(qs(cellFile("template.csv")));
    box("txtDim")->setText("2");
    // Per page and row, whether each control below is enabled.
    const std::pair<int, std::array<const char*, 4>> cases[] = {
        {0, {"11001111", "11111001", "00000000", "00000000"}},
        {1, {"10001111", "10001001", "00000000", "00000000"}}};
    const char* controls[] = {"txtVarName", "chkHierch", "txtHierFile",   "cmdZoekHrc",
                              "chkLevels",  "txtlevels", "txtleadString", "txtTotCode"};
    for (const auto& [page, rows] : cases) {
        showPage(page);
        for (int i = 0; i < 4; ++i) {
            std::string states;
            for (const char* control : controls) {
                const QString name = QStringLiteral("%1(%2)").arg(control).arg(i);
                states += find<QWidget>(name)->isEnabled() ? '1' : '0';
            }
            EXPECT_EQ(states, rows[std::size_t(i)]) << "page " << page << ", row " << i;
        }
    }
}

TEST_F(Rules, NamedFileIsInspectedQuietlyUntilItDoesNotSplit) {
    const std::string path = cellFile();
    box("txtDim")->setText("2");
    // Half-typed names are no file: nothing said.
    QTest::keyClicks(box("txtVQDFileName"), qs(path));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(window->state().VarCount, 2);
    // A separator that does not split the file keeps the dimension accepted before.
    box("txtSep")->setText(",");
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "No separator found in file: " + path}}));
    EXPECT_EQ(window->state().VarCount, 2);
    // A name that is no file is no dimension: the next rule closes the rows, and Go checks none.
    box("txtSep")->setText(";");
    dialogs.shown.clear();
    box("txtVQDFileName")->setText(qs(files.path("gone.csv")));
    click(check("chkHierch(0)"));
    EXPECT_FALSE(box("txtVarName(0)")->isEnabled());
    click(button("cmdGo"));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "Cannot read file: " + files.path("gone.csv") +
                                                       "\n" + missingFileReason}}));
}

// Four rows serve a dimension of 4; a fifth variable is refused before anything else is checked.
TEST_F(Rules, DimensionFourOpensEveryRowAndFiveIsRefused) {
    nameFile(cellFile(), "4");
    EXPECT_TRUE(box("txtVarName(3)")->isEnabled());
    click(button("cmdGo"));
    box("txtDim")->setText("5");
    click(button("cmdGo"));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "no variable name specified for var 1"},
                                            {true, "Dimension above 4 is not supported: 5"}}));
}

TEST_F(Rules, GoButtonsFollowTheirNames) {
    const std::string path = cellFile();
    // A blank name or dimension is none; whether the file exists is the run's to say.
    const std::tuple<std::string, const char*, bool> page1[] = {
        {"   ", "2", false}, {path, "  ", false}, {"no-such-file", "2", true}};
    for (const auto& [name, dimension, ready] : page1) {
        nameFile(name, dimension);
        EXPECT_EQ(button("cmdGo")->isEnabled(), ready) << name << "|" << dimension;
        EXPECT_EQ(button("cmdGo")->isDefault(), ready) << name << "|" << dimension;
    }
    for (const char* name : {"txtVQDTemplateFile", "txtZavekOutputFile", "txtResultFile"}) {
        EXPECT_FALSE(button("cmdGo2")->isEnabled());
        box(name)->setText(qs(path));
    }
    EXPECT_TRUE(button("cmdGo2")->isEnabled());
    box("txtResultFile")->setText("   ");
    EXPECT_FALSE(button("cmdGo2")->isEnabled());
}

// Where Comic Sans MS is missing the desktop substitutes a face of its liking, here a serif one.
class Readability : public WindowTest {
protected:
    void SetUp() override {
        QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("DejaVu Serif"));
        open();
    }
    void TearDown() override { QFont::removeSubstitutions(QStringLiteral("Comic Sans MS")); }
};

// A row closed again keeps its name, and it must be readable on the grey of a disabled box.
TEST_F(Readability, ClosedRowsKeepReadableTexts) {
    nameFile(cellFile(), "3");
    QLineEdit* closed = box("txtVarName(2)");
    closed->setText("Sex");
    box("txtDim")->setText("2");
    ASSERT_FALSE(closed->isEnabled());
    const QImage written = closed->grab().toImage();
    closed->clear();
    const QImage empty = closed->grab().toImage();
    EXPECT_EQ(empty.pixel(empty.rect().center()), qRgb(0xAF, 0xAF, 0xAF));
    // The text is where the two pictures differ; a contrast of 4.5:1 on that grey wants its
    // darkest pixel at 0x43 or darker.
    int darkest = 0xFF;
    for (int y = 0; y < written.height(); ++y) {
        for (int x = 0; x < written.width(); ++x) {
            if (written.pixel(x, y) != empty.pixel(x, y))
                darkest = std::min(darkest, qRed(written.pixel(x, y)));
        }
    }
    EXPECT_LE(darkest, 0x43);
}

TEST_F(Readability, StatusLineFallsBackToAnUprightBoldSansSerif) {
    if (QFontDatabase::hasFamily(QStringLiteral("Comic Sans MS")) ||
        !QFontDatabase::hasFamily(QStringLiteral("DejaVu Serif")))
        GTEST_SKIP() << "needs DejaVu Serif and no Comic Sans MS";
    const QFontInfo shown(label("lblVerslag")->font());
    EXPECT_EQ(shown.family().toStdString(),
              QFontInfo(QFont(QStringLiteral("sans-serif"))).family().toStdString());
    EXPECT_TRUE(shown.bold());
    EXPECT_FALSE(shown.italic());
}

// Every one of the nine lists takes the header's columns by position, equal and empty names
// included, and starts again at "none".
TEST_F(Inspection, TemplateHeaderBecomesTheNineChoicesAllReset) {
    const std::pair<const char*, QStringList> cases[] = {
        {"x,,x", {"none", "x", "", "x"}},
        {"a;b;", {"none", "a", "b"}}, // no empty column after the last separator
        {"a,b;c", {"none"}},          // the separator could not be decided: said once, no columns
    };
    const std::string earlier = files.write("earlier.csv", crlfLines({"p;q;r;s", "1;2;3;4"}));
    for (const auto& [header, expected] : cases) {
        box("txtVQDTemplateFile")->setText(qs(earlier));
        for (int k = 0; k < 9; ++k)
            cmbVars(k)->setCurrentIndex(k % 5);
        dialogs.shown.clear();
        // A name still being typed is no template yet: the choices stay.
        QTest::keyClicks(box("txtVQDTemplateFile"), "x");
        EXPECT_EQ(cmbVars(4)->currentIndex(), 4);

        box("txtVQDTemplateFile")
            ->setText(qs(files.write("template.csv", crlfLines({header, "m"}))));
        for (int k = 0; k < 9; ++k) {
            QStringList items;
            for (int i = 0; i < cmbVars(k)->count(); ++i)
                items << cmbVars(k)->itemText(i);
            EXPECT_EQ(items, expected) << header << " list " << k;
            EXPECT_EQ(cmbVars(k)->currentIndex(), 0) << header << " list " << k;
        }
        EXPECT_EQ(dialogs.shown.size(), expected.size() == 1 ? 1u : 0u) << header;
        // The template's own separator splits the header; page 1 keeps its separator.
        EXPECT_EQ(window->state().FieldSeparator, ";");
    }
}

// Destination k opens for the k-th variable of the ZAVEK file, and a closed one keeps its choice.
TEST_F(Inspection, ZavekFileOpensOneDestinationPerVariable) {
    box("txtVQDTemplateFile")->setText(qs(files.write("template.csv", "a;b\r\n1;2\r\n")));
    for (int k = 0; k < 9; ++k)
        cmbVars(k)->setCurrentIndex(1);
    // Nine commas on the first line: three variables. No file: none.
    const std::pair<std::string, const char*> cases[] = {
        {files.write("zavek.csv", ",,,,,,,,,\r\n"), "1110"}, {"", "0000"}};
    for (const auto& [zavek, open] : cases) {
        box("txtZavekOutputFile")->setText(qs(zavek));
        std::string states;
        for (int k = 5; k < 9; ++k) {
            states += cmbVars(k)->isEnabled() ? '1' : '0';
            EXPECT_EQ(cmbVars(k)->currentIndex(), 1) << k;
        }
        EXPECT_EQ(states, open) << zavek;
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

} // namespace
} // namespace vqd::test
