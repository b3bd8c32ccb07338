#include "window_fixture.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

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
TEST_F(FileChoosing, ButtonsAndDropsTakeWhatTheirFileMayBe) {
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
            EXPECT_TRUE(name(missing)) << way;
            EXPECT_EQ(box(b.box)->text(), b.mustExist ? "old" : missing) << way;
            EXPECT_TRUE(name(qs(existing))) << way;
            EXPECT_EQ(box(b.box)->text(), qs(existing)) << way;
        }
    }
}

// The name alone leaves the rows to the next rule; a chosen or dropped input file opens them.
TEST_F(FileChoosing, DropOfOneLocalFileOnlyAndTheInputFileOpensTheRows) {
    const QUrl cells = QUrl::fromLocalFile(qs(cellFile()));
    box("txtDim")->setText("2");
    // A closed row takes no hierarchy file, as its button takes no click.
    EXPECT_FALSE(drop(box("txtHierFile(0)"), {cells}));
    EXPECT_FALSE(drop(box("txtVQDFileName"), {QUrl("https://example.org/cells.csv")}));
    EXPECT_FALSE(drop(box("txtVQDFileName"), {cells, cells}));
    ASSERT_TRUE(drop(box("txtVQDFileName"), {cells}));
    EXPECT_TRUE(box("txtVarName(1)")->isEnabled());
    EXPECT_FALSE(box("txtVarName(2)")->isEnabled());
}

} // namespace
} // namespace vqd::test
