#include "window_fixture.h"

namespace vqd::test {
namespace {

class Rules : public WindowTest {
protected:
    // An input file named and the dimension typed, as a user would after choosing the file.
    void nameFile(const std::string& path, const QString& dimension) {
        box("txtVQDFileName")->setText(qs(path));
        box("txtDim")->setText(dimension);
    }
};

// Per row, whether each control is enabled, in the order txtVarName, chkHierch, txtHierFile,
// cmdZoekHrc, chkLevels, txtlevels, txtleadString, txtTotCode.
using RowStates = std::array<const char*, 4>;

struct EnablementCase {
    const char* name;
    const char* dimension;
    std::vector<const char*> ticks; // clicked with four rows open, before the dimension is typed
    bool page2;
    RowStates rows;
};

class Enablement : public Rules, public testing::WithParamInterface<EnablementCase> {};

TEST_P(Enablement, RowsFollowVarCountTheirOptionsAndThePage) {
    const EnablementCase& c = GetParam();
    nameFile(cellFile(), "4");
    for (const char* tick : c.ticks)
        click(check(tick));
    box("txtDim")->setText(c.dimension);
    // Page 2 inspects the template in the input file's place.
    if (c.page2) {
        box("txtVQDTemplateFile")->setText(qs(cellFile("template.csv")));
        showPage(1);
    }

    for (std::size_t i = 0; i < 4; ++i) {
        const auto name = [i](const char* array) {
            return QStringLiteral("%1(%2)").arg(array).arg(i).toStdString();
        };
        const std::pair<std::string, bool> controls[] = {
            {name("txtVarName"), true},    {name("chkHierch"), false}, {name("txtHierFile"), true},
            {name("cmdZoekHrc"), false},   {name("chkLevels"), false}, {name("txtlevels"), true},
            {name("txtleadString"), true}, {name("txtTotCode"), true}};
        std::string states;
        for (const auto& [control, textBox] : controls) {
            auto* widget = window->findChild<QWidget*>(qs(control));
            states += widget->isEnabled() ? '1' : '0';
            if (textBox) {
                const QColor expected =
                    widget->isEnabled() ? QColor(255, 255, 255) : QColor(0xAF, 0xAF, 0xAF);
                EXPECT_EQ(widget->palette().color(QPalette::Base), expected) << control;
            }
        }
        EXPECT_EQ(states, c.rows[i]) << "row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Enablement,
    testing::Values(
        EnablementCase{"None", "0", {}, false, {"00000000", "00000000", "00000000", "00000000"}},
        EnablementCase{"Two", "2", {}, false, {"11001001", "11001001", "00000000", "00000000"}},
        EnablementCase{
            "SevenOpensAllFour", "7", {}, false, {"11001001", "11001001", "11001001", "11001001"}},
        EnablementCase{"HierarchyFile",
                       "2",
                       {"chkHierch(1)"},
                       false,
                       {"11001001", "11111001", "00000000", "00000000"}},
        EnablementCase{"Levels",
                       "2",
                       {"chkLevels(0)"},
                       false,
                       {"11001111", "11001001", "00000000", "00000000"}},
        EnablementCase{"TicksBeyondTheDimension",
                       "2",
                       {"chkHierch(2)", "chkLevels(3)"},
                       false,
                       {"11001001", "11001001", "00000000", "00000000"}},
        EnablementCase{"Page2ClosesCodeLists",
                       "2",
                       {"chkHierch(1)", "chkLevels(0)"},
                       true,
                       {"10001111", "10001001", "00000000", "00000000"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Rules, NoFileNamedClosesEveryRowAndTheGoButton) {
    nameFile(cellFile(), "2");
    box("txtVQDFileName")->clear();
    box("txtSep")->setText(";;");
    box("txtSep")->setText(";");
    EXPECT_EQ(window->state().VarCount, 0);
    EXPECT_FALSE(box("txtVarName(0)")->isEnabled());
    EXPECT_FALSE(button("cmdGo")->isEnabled());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Rules, PageSwitchKeepsPageFrameAndFlagTogether) {
    auto* frmHier = find<QWidget>("frmHier");
    auto* frmOutput = find<QWidget>("frmOutput");
    label("lblProgress")->setText("ready");
    for (int page : {1, 0, 1}) {
        showPage(page);
        EXPECT_EQ(window->state().ForwardPageActive, page == 0);
        EXPECT_EQ(frmHier->isVisible(), page == 0);
        EXPECT_EQ(frmOutput->isVisible(), page == 1);
        EXPECT_TRUE(label("lblProgress")->text().isEmpty());
    }
}

TEST_F(Rules, BothHierarchyOptionsAreWarnedAtEveryLaterTrigger) {
    const std::string both = "Not both hierarchical options together";
    nameFile(cellFile(), "2");
    click(check("chkHierch(1)"));
    EXPECT_TRUE(dialogs.shown.empty());
    click(check("chkLevels(1)"));
    EXPECT_EQ(dialogs.shown, (std::vector<ShownMessage>{{true, both}}));
    EXPECT_TRUE(box("txtHierFile(1)")->isEnabled());
    EXPECT_TRUE(box("txtlevels(1)")->isEnabled());

    box("txtDim")->setText("2 ");
    click(check("chkHierch(0)"));
    box("txtResultFile")->setText("x");
    EXPECT_EQ(dialogs.shown.size(), 4u);
    // Beyond the dimension the row is closed and not warned about.
    box("txtDim")->setText("1");
    EXPECT_EQ(dialogs.shown.size(), 4u);
}

struct DimensionCase {
    const char* typed;
    std::int32_t varCount;
};

class DimensionReading : public Rules, public testing::WithParamInterface<DimensionCase> {};

TEST_P(DimensionReading, VarCountIsTheTypedNumberRoundedHalfEven) {
    nameFile(cellFile(), GetParam().typed);
    EXPECT_EQ(window->state().VarCount, GetParam().varCount);
    EXPECT_TRUE(dialogs.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, DimensionReading,
                         testing::Values(DimensionCase{"2.5", 2}, DimensionCase{"3.5", 4},
                                         DimensionCase{" 3", 3}, DimensionCase{"1 2", 12},
                                         DimensionCase{"3x", 3}, DimensionCase{"abc", 0},
                                         DimensionCase{"-1", -1}, DimensionCase{"", 0},
                                         DimensionCase{"1e12", 2147483647},
                                         DimensionCase{"-1e12", -2147483647 - 1}));

TEST_F(Rules, FileThatDoesNotSplitKeepsTheEarlierVarCount) {
    const std::string path = cellFile();
    nameFile(path, "2");
    box("txtSep")->setText(",");
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"No separator found in file: " + path});
    EXPECT_TRUE(dialogs.shown[0].critical);
    EXPECT_EQ(window->state().VarCount, 2);
    EXPECT_EQ(window->state().FieldSeparator, ",");

    dialogs.shown.clear();
    box("txtVQDFileName")->setText(qs(files.write("empty.csv", "")));
    EXPECT_EQ(messageTexts(),
              std::vector<std::string>{"No separator found in file: " + files.path("empty.csv")});
    EXPECT_EQ(window->state().VarCount, 2);
}

TEST_F(Rules, NamesThatAreNoFileAreSilent) {
    const std::string path = cellFile();
    box("txtDim")->setText("2");
    QTest::keyClicks(box("txtVQDFileName"), qs(path));
    EXPECT_EQ(window->state().VarCount, 2);
    box("txtVQDFileName")->setText(qs(files.path("")));
    EXPECT_EQ(window->state().VarCount, 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Rules, TabSeparatorInAnyCase) {
    const std::string path = files.write("cells.tsv", crlfLines({"A\tB\t1\t2\tS\t0"}));
    for (const char* tab : {"TAB", "tab", "Tab"}) {
        box("txtSep")->setText(tab);
        nameFile(path, "2");
        EXPECT_EQ(window->state().VarCount, 2) << tab;
        box("txtVQDFileName")->clear();
    }
    box("txtSep")->setText("TAB ");
    nameFile(path, "2");
    EXPECT_EQ(messageTexts(), std::vector<std::string>{"No separator found in file: " + path});
}

TEST_F(Rules, NamesFromTheFirstLineOnRequest) {
    box("txtVarName(2)")->setText("kept");
    nameFile(cellFile(), "2");
    EXPECT_EQ(box("txtVarName(0)")->text(), "");
    click(check("chkVarNamesInFirst"));
    EXPECT_EQ(box("txtVarName(0)")->text(), "Region");
    EXPECT_EQ(box("txtVarName(1)")->text(), "Age");
    EXPECT_EQ(box("txtVarName(2)")->text(), "kept");
    // Above four, the four rows are filled.
    box("txtDim")->setText("7");
    EXPECT_EQ(box("txtVarName(2)")->text(), "Value");
    EXPECT_EQ(box("txtVarName(3)")->text(), "Freq");
    EXPECT_EQ(window->state().VarCount, 7);
}

struct GoCase {
    bool file;
    const char* fileText; // used when no file
    const char* dimension;
    bool ready;
};

TEST_F(Rules, GoIsEnabledAndDefaultOnlyWithFileNameAndDimension) {
    const GoCase cases[] = {{false, "", "", false},          {true, "", "", false},
                            {false, "", "2", false},         {true, "", "2", true},
                            {false, "   ", "2", false},      {true, "", "  ", false},
                            {false, "not-a-file", "2", true}};
    const std::string path = cellFile();
    for (const GoCase& c : cases) {
        nameFile(c.file ? path : c.fileText, c.dimension);
        EXPECT_EQ(button("cmdGo")->isEnabled(), c.ready) << c.fileText << "|" << c.dimension;
        EXPECT_EQ(button("cmdGo")->isDefault(), c.ready) << c.fileText << "|" << c.dimension;
    }
}

TEST_F(Rules, GoButtonOfPage2FollowsTheThreeNames) {
    const char* names[] = {"txtVQDTemplateFile", "txtZavekOutputFile", "txtResultFile"};
    for (const char* name : names) {
        EXPECT_FALSE(button("cmdGo2")->isEnabled());
        box(name)->setText(qs(cellFile()));
    }
    EXPECT_TRUE(button("cmdGo2")->isEnabled());
    box("txtResultFile")->setText("   ");
    EXPECT_FALSE(button("cmdGo2")->isEnabled());
}

} // namespace
} // namespace vqd::test
