#include "window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <map>

namespace vqd::test {
namespace {

// One file box with its "..." button; `mustExist` when only existing files are taken.
struct FileBox {
    const char* box;
    const char* button;
    bool mustExist;
    int page;
};

// Row 2's code list first: once the input file is replaced, the rows may close.
const FileBox fileBoxes[] = {
    {"txtHierFile(2)", "cmdZoekHrc(2)", false, 0},
    {"txtVQDFileName", "cmdZoekVQDFile", true, 0},
    {"txtVQDTemplateFile", "cmdVQDfile", true, 1},
    {"txtZavekOutputFile", "cmdZoekZavekOutput", true, 1},
    {"txtResultFile", "cmdZoekResult", false, 1},
};

using FileChoosing = WindowTest;

// Drags `urls` onto `target` and drops them there; whether the drop was taken.
bool drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

// The dialog and a drop are two ways of naming the same file, under the same conditions.
TEST_F(FileChoosing, ButtonsAndDropsTakeWhatTheirFileMayBeIntoTheirOwnBoxOnly) {
    const std::string existing = files.write("existing.csv", "");
    const QString missing = qs(files.path("missing.csv"));
    nameFile(cellFile(), "4");
    click(check("chkHierch(2)"));
    for (const FileBox& b : fileBoxes) {
        showPage(b.page);
        for (const bool byDrop : {false, true}) {
            const std::string way = std::string(b.box) + (byDrop ? " by drop" : " by dialog");
            const auto name = [&](const QString& path) {
                if (byDrop) return drop(box(b.box), {QUrl::fromLocalFile(path)});
                dialogs.willChoose(path);
                button(b.button)->click();
                return true;
            };
            box(b.box)->setText("old");
            std::map<QString, QString> others;
            for (const FileBox& other : fileBoxes)
                others[other.box] = box(other.box)->text();
            others.erase(b.box);

            EXPECT_TRUE(name(missing)) << way;
            EXPECT_EQ(box(b.box)->text(), b.mustExist ? "old" : missing) << way;
            EXPECT_TRUE(name(qs(existing))) << way;
            EXPECT_EQ(box(b.box)->text(), qs(existing)) << way;
            for (const auto& [other, text] : others)
                EXPECT_EQ(box(other)->text(), text) << way << " changed " << other.toStdString();
        }
        // Cancelled, or nothing chosen: the name stays. The dialog opened on the name.
        dialogs.willCancel();
        dialogs.willChoose("");
        for (int i = 0; i < 2; ++i)
            button(b.button)->click();
        EXPECT_EQ(box(b.box)->text(), qs(existing)) << b.box;
        EXPECT_EQ(dialogs.opened.back().fileName, qs(existing));
        // Not one local file: a web address, or several files.
        EXPECT_FALSE(drop(box(b.box), {QUrl("https://example.org/cells.csv")})) << b.box;
        EXPECT_FALSE(drop(box(b.box), {QUrl::fromLocalFile(missing), QUrl::fromLocalFile(missing)}))
            << b.box;
    }
}

TEST_F(FileChoosing, InputFileOpensTheRowsAndTheDialogKeepsItsFilterForTheNextRun) {
    box("txtDim")->setText("2");
    // A closed row takes no hierarchy file, as its button takes no click.
    EXPECT_FALSE(drop(box("txtHierFile(0)"), {QUrl::fromLocalFile(qs(cellFile()))}));
    ASSERT_TRUE(drop(box("txtVQDFileName"), {QUrl::fromLocalFile(qs(cellFile()))}));
    EXPECT_TRUE(box("txtVarName(1)")->isEnabled());
    EXPECT_FALSE(box("txtVarName(2)")->isEnabled());
    EXPECT_EQ(window->state().FilterIndex, 1);

    box("txtVQDFileName")->clear();
    dialogs.willChoose(qs(cellFile()), 2);
    button("cmdZoekVQDFile")->click();
    EXPECT_EQ(dialogs.opened.back().filterIndex, 1);
    EXPECT_TRUE(box("txtVarName(1)")->isEnabled());
    EXPECT_EQ(window->state().FilterIndex, 2);
    // A name that is no file leaves the filter as it was.
    dialogs.willChoose(qs(files.path("missing.vqd")), 3);
    button("cmdZoekVQDFile")->click();
    EXPECT_EQ(window->state().FilterIndex, 2);

    click(button("cmdEnd"));
    open();
    button("cmdZoekVQDFile")->click();
    EXPECT_EQ(dialogs.opened.back().filterIndex, 2);
}

TEST_F(FileChoosing, OneDialogKeepsItsFilterIndexForButtonsThatSetNone) {
    showPage(1);
    dialogs.willChoose(qs(cellFile()), 3);
    button("cmdZoekVQDFile")->click();
    // Each button in turn, and the filter index its dialog opens with.
    const std::pair<const char*, int> sequence[] = {
        {"cmdVQDfile", 3}, {"cmdZoekZavekOutput", 3}, {"cmdZoekResult", 1}, {"cmdVQDfile", 1}};
    for (const auto& [name, filterIndex] : sequence) {
        button(name)->click();
        EXPECT_EQ(dialogs.opened.back().filterIndex, filterIndex) << name;
    }
}

} // namespace
} // namespace vqd::test
