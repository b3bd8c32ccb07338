#include "window_fixture.h"

namespace vqd::test {
namespace {

using Rules = WindowTest;

TEST_F(Rules, RowsFollowVarCountTheirOptionsAndThePage) {
    // Ticked with four rows open: code lists for rows 1 and 2, levels for rows 0 and 3.
    nameFile(cellFile(), "4");
    for (const char* tick : {"chkHierch(1)", "chkLevels(0)", "chkHierch(2)", "chkLevels(3)"})
        click(check(tick));
    // Page 2 inspects the template in the input file's place.
    box("txtVQDTemplateFile")->setText(qs(cellFile("template.csv")));
    // Page, and per row whether each control is enabled, in the order txtVarName, chkHierch,
    // txtHierFile, cmdZoekHrc, chkLevels, txtlevels, txtleadString, txtTotCode. Ticks beyond the
    // dimension open nothing.
    box("txtDim")->setText("2");
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

TEST_F(Rules, BothHierarchyOptionsAreWarnedForARowInTheDimension) {
    nameFile(cellFile(), "2");
    click(check("chkHierch(1)"));
    EXPECT_TRUE(dialogs.shown.empty());
    click(check("chkLevels(1)"));
    EXPECT_EQ(dialogs.shown,
              (std::vector<RecordedMessage>{{true, "Not both hierarchical options together"}}));
    box("txtDim")->setText("1");
    EXPECT_EQ(dialogs.shown.size(), 1u);
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

} // namespace
} // namespace vqd::test
