#include "window_fixture.h"

#include <QComboBox>
#include <QGroupBox>
#include <QScreen>

namespace vqd::test {
namespace {

using Layout = WindowTest;

TEST_F(Layout, CaptionsAndInitialTextsAsNamed) {
    const std::pair<const char*, const char*> texts[] = {
        {"Label1", "The VQD input file"},
        {"lblFreq", "Frequency protection percentage"},
        {"lblB", "Dom Percentage B-Flag"},
        {"lblC", "Dom Percentage C-Flag"},
        {"lblSep", "Separator"},
        {"lblDim", "Dimension"},
        {"lblMetaFirst", "Var. names on first line"},
        {"cmdGo", "&Go"},
        {"cmdEnd", "&Ready"},
        {"cmdZoekVQDFile", "..."},
        {"lblVQD", "VQD template file"},
        {"lblZavekOut", "Zavek VQD-output file"},
        {"LbLResult", "VQD output file"},
        {"cmdGo2", "Go"},
        {"cmdReady2", "Ready"},
        {"cmdVQDfile", "..."},
        {"cmdZoekZavekOutput", "..."},
        {"cmdZoekResult", "..."},
        {"LblLevelsFromFile", "LevelsFromCode"},
        {"lblDestinatiom", "Destination Columns"},
        {"lblDesination(0)", "Cell Value"},
        {"lblDesination(4)", "Cell Top2 Percentage"},
        {"lblDesination(8)", "Expl. Var 4"},
        {"lblVArNo(3)", "4"},
        {"cmdZoekHrc(2)", "..."},
    };
    for (const auto& [name, text] : texts) {
        auto* widget = window->findChild<QWidget*>(name);
        ASSERT_NE(widget, nullptr) << name;
        const QString shown = widget->property("text").toString();
        EXPECT_EQ(shown, QString::fromUtf8(text)) << name;
    }
    EXPECT_EQ(label("lblVariabelen")->text().simplified(),
              "Var Name Hierarch Hierarch. Structure file Total code");
    EXPECT_EQ(find<QGroupBox>("frmOutput")->title(), " ZAVEK > VQD");
    auto* tabs = find<QTabWidget>("VQDTab1");
    EXPECT_EQ(tabs->tabText(0), "VQD > ZAVEK");
    EXPECT_EQ(tabs->tabText(1), "ZAVEK > VQD");
    EXPECT_EQ(tabs->currentIndex(), 0);
}

TEST_F(Layout, HiddenAndEmptyAtStart) {
    EXPECT_TRUE(find<QWidget>("frmHier")->isVisible());
    EXPECT_FALSE(find<QWidget>("frmOutput")->isVisible());
    for (int i = 0; i < 4; ++i) {
        auto* lead = box(QStringLiteral("txtleadString(%1)").arg(i).toLatin1().constData());
        EXPECT_FALSE(lead->isVisible());
        EXPECT_FALSE(lead->isEnabled());
        EXPECT_TRUE(lead->text().isEmpty());
    }
    for (int k = 0; k < 9; ++k) {
        auto* list = find<QComboBox>(QStringLiteral("cmbVars(%1)").arg(k).toLatin1().constData());
        EXPECT_EQ(list->count(), 0);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_TRUE(list->isEditable());
    }
}

TEST_F(Layout, FixedClientSizeAndStatusLineFonts) {
    const double scale = window->screen()->logicalDotsPerInch() / 96.0;
    EXPECT_EQ(window->size(), QSize(qRound(675 * scale), qRound(628 * scale)));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    const QFont verslag = label("lblVerslag")->font();
    EXPECT_EQ(verslag.family(), "Comic Sans MS");
    EXPECT_DOUBLE_EQ(verslag.pointSizeF(), 9.0);
    EXPECT_TRUE(verslag.bold());
    const QFont progress = label("lblProgress")->font();
    EXPECT_EQ(progress.family(), "Arial");
    EXPECT_DOUBLE_EQ(progress.pointSizeF(), 11.25);
    EXPECT_FALSE(progress.bold());
    for (const char* name : {"lblVerslag", "lblProgress"})
        EXPECT_EQ(label(name)->palette().color(QPalette::WindowText), QColor(0, 0, 255)) << name;
}

} // namespace
} // namespace vqd::test
