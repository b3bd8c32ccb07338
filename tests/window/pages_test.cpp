#include "window_fixture.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <cmath>

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
    EXPECT_TRUE(check("chkLevels(3)")->isChecked()); // four rows serve a dimension of 4
    // Page 2 inspects the template, not the input file; ticks beyond the dimension open nothing.
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
        // Page 2's destination lists take the rows' place below the tabs.
        EXPECT_EQ(find<QWidget>("frmHier")->isVisible(), page == 0);
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
    box("txtDim")->setText("3");
    const RecordedMessage noSeparator{true, "No separator found in file: " + path};
    EXPECT_EQ(dialogs.shown, (std::vector<RecordedMessage>{noSeparator, noSeparator}));
    EXPECT_EQ(window->state().VarCount, 2);
    // A name that is no file is no dimension: the next rule closes the rows, and Go checks none.
    box("txtSep")->setText(";");
#ifndef _WIN32
    box("txtVQDFileName")->setText("/proc/self/mem"); // there, but unreadable: no dimension
    EXPECT_EQ(window->state().VarCount, 0);
#endif
    dialogs.shown.clear();
    box("txtVQDFileName")->setText(qs(files.path("gone.csv")));
    click(check("chkHierch(0)"));
    EXPECT_FALSE(box("txtVarName(0)")->isEnabled());
    click(button("cmdGo"));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "Cannot read file: " + files.path("gone.csv") +
                                                       "\n" + missingFileReason}}));
}

TEST_F(Rules, GoButtonsFollowTheirNames) {
    const std::string path = cellFile();
    // A blank name or dimension is none; whether the file exists is the run's to say.
    const std::tuple<std::string, const char*, bool> page1[] = {
        {"   ", "2", false}, {path, "  ", false}, {"no-such-file", "2", true}};
    for (const auto& [name, dimension, ready] : page1) {
        nameFile(name, dimension);
        EXPECT_EQ(button("cmdGo")->isEnabled(), ready) << name << "|" << dimension;
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

// The contrast of a control's text: its picture with the text against the one without.
double textContrast(QWidget* control, const std::function<void(const QString&)>& show) {
    const auto luminance = [](QRgb colour) { // relative, as contrast ratios are reckoned
        const auto linear = [](int value) {
            const double s = value / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(qRed(colour)) + 0.7152 * linear(qGreen(colour)) +
               0.0722 * linear(qBlue(colour));
    };
    show({});
    const QImage empty = control->grab().toImage();
    show("Expl. Var 4");
    const QImage written = control->grab().toImage();
    double contrast = 1;
    for (int y = 0; y < written.height(); ++y)
        for (int x = 0; x < written.width(); ++x) {
            const double a = luminance(written.pixel(x, y)), b = luminance(empty.pixel(x, y));
            contrast = std::max(contrast, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
        }
    return contrast;
}

// A closed row, list or label stays readable on its grey (4.5:1 or more) in either system's style.
TEST_F(Readability, ClosedControlsKeepReadableTexts) {
    nameFile(cellFile(), "3");
    box("txtDim")->setText("2");
    namePage2(files.write("template.csv", crlfLines({"code;value", "x;0"})),
              files.write("zavek.csv", crlfLines({"11,a,250,3,U,0"})), files.path("r.csv"));
    QLineEdit* row = box("txtVarName(2)");
    QComboBox* list = cmbVars(8);
    QLabel* caption = label("lblDesination(8)");
    ASSERT_FALSE(row->isEnabled() || list->isEnabled() || caption->isEnabled());
    const std::tuple<int, QWidget*, std::function<void(const QString&)>> closed[] = {
        {0, row, [&](const QString& t) { row->setText(t); }},
        {1, list, [&](const QString& t) { list->setEditText(t); }},
        {1, caption, [&](const QString& t) { caption->setText(t); }}};
    const QString usual = QApplication::style()->name();
    for (const QString style : {"Fusion", "windowsvista"}) {
        if (!QStyleFactory::keys().contains(style, Qt::CaseInsensitive)) continue;
        QApplication::setStyle(style);
        for (const auto& [page, control, show] : closed) {
            showPage(page);
            EXPECT_GE(textContrast(control, show), 4.5)
                << style.toStdString() << " " << control->objectName().toStdString();
        }
    }
    QApplication::setStyle(usual);
}

TEST_F(Readability, StatusLineFallsBackToAnUprightBoldSansSerif) {
    if (QFontDatabase::hasFamily(QStringLiteral("Comic Sans MS")) ||
        !QFontDatabase::hasFamily(QStringLiteral("DejaVu Serif")))
        GTEST_SKIP() << "needs DejaVu Serif and no Comic Sans MS";
    const QFontInfo shown(label("lblVerslag")->font());
    EXPECT_EQ(shown.family(),
              QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family());
    EXPECT_TRUE(shown.bold());
    EXPECT_FALSE(shown.italic());
}

// All nine lists take the header's columns by position, equal and empty ones too, reset to "none".
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
