#include "window_fixture.h"

namespace vqd::test {
namespace {

using Inspection = WindowTest;

// How a header splits is the engine's; here every one of the nine lists takes the columns by
// position, equal and empty names included, and starts again at "none".
TEST_F(Inspection, TemplateHeaderBecomesTheNineChoicesAllReset) {
    const std::pair<const char*, QStringList> cases[] = {
        {"x,,x", {"none", "x", "", "x"}},
        {"a,b;c", {"none"}}, // the separator could not be decided: said once, no columns
    };
    const std::string earlier = files.write("earlier.csv", crlfLines({"p;q;r;s", "1;2;3;4"}));
    for (const auto& [header, expected] : cases) {
        box("txtVQDTemplateFile")->setText(qs(earlier));
        for (int k = 0; k < 9; ++k)
            cmbVars(k)->setCurrentIndex(k % 5);
        dialogs.shown.clear();

        box("txtVQDTemplateFile")
            ->setText(qs(files.write("template.csv", crlfLines({header, "m"}))));
        for (int k = 0; k < 9; ++k) {
            EXPECT_EQ(items(k), expected) << header << " list " << k;
            EXPECT_EQ(cmbVars(k)->currentIndex(), 0) << header << " list " << k;
        }
        EXPECT_EQ(dialogs.shown.size(), expected.size() == 1 ? 1u : 0u) << header;
        // The template's own separator splits the header; page 1 keeps its separator.
        EXPECT_EQ(window->state().FieldSeparator, ";");
    }
}

// Until the name names a file the choices made so far stay.
TEST_F(Inspection, TemplateNameTypedLetterByLetterIsReadOnceItNamesAFile) {
    const QString name = qs(files.write("template.csv", crlfLines({"code;value;status", "x;0;-"})));
    showPage(1);
    QTest::keyClicks(box("txtVQDTemplateFile"), name.chopped(1));
    EXPECT_EQ(cmbVars(0)->count(), 0);
    QTest::keyClicks(box("txtVQDTemplateFile"), name.right(1));
    EXPECT_EQ(items(0), (QStringList{"none", "code", "value", "status"}));
    cmbVars(0)->setCurrentIndex(2);
    QTest::keyClicks(box("txtVQDTemplateFile"), "x");
    EXPECT_EQ(cmbVars(0)->currentIndex(), 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

// How many variables a first line of so many commas holds is the engine's; here destination k
// opens for the k-th variable, and a closed one keeps its choice.
TEST_F(Inspection, ZavekFileOpensOneDestinationPerVariable) {
    box("txtVQDTemplateFile")->setText(qs(files.write("template.csv", "a;b\r\n1;2\r\n")));
    for (int k = 0; k < 9; ++k)
        cmbVars(k)->setCurrentIndex(1);
    // Nine commas: three variables. No file: none.
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
