#include "window/qt_dialogs.h"
#include "window_fixture.h"

#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

namespace vqd::test {
namespace {

// File box, "..." button, existing files only, page; row 2 first, as a new input file may close it.
const std::tuple<const char*, const char*, bool, int> fileBoxes[] = {
    {"txtHierFile(2)", "cmdZoekHrc(2)", false, 0},
    {"txtVQDFileName", "cmdZoekVQDFile", true, 0},
    {"txtVQDTemplateFile", "cmdVQDfile", true, 1},
    {"txtZavekOutputFile", "cmdZoekZavekOutput", true, 1},
    {"txtResultFile", "cmdZoekResult", false, 1},
};

// Drags the file onto `target` and drops it there; whether the drop was taken.
bool drop(QWidget* target, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

class FileChoosing : public WindowTest {
protected:
    // Names the file in `fileBox` by a drop or by `browse`'s dialog; whether it was taken.
    bool name(const char* fileBox, const char* browse, bool byDrop, const QString& path) {
        if (byDrop) return drop(box(fileBox), path);
        dialogs.willChoose(path);
        button(browse)->click();
        return true;
    }
};

// The dialog and a drop are two ways of naming the same file, under the same conditions.
TEST_F(FileChoosing, ButtonsAndDropsTakeWhatTheirFileMayBe) {
    const std::string existing = files.write("existing.csv", "");
    const QString missing = qs(files.path("missing.csv"));
    nameFile(cellFile(), "4");
    click(check("chkHierch(2)"));
    const auto x = [this](QWidget* control, bool right) {
        return control->mapTo(window.get(), QPoint(right ? control->width() : 0, 0)).x();
    };
    // The parameter boxes hold a few letters, the usual line edit 17.
    EXPECT_LT(box("txtDim")->width(), 14 * box("txtDim")->fontMetrics().horizontalAdvance('x'));
    for (const auto& [fileBox, browse, mustExist, page] : fileBoxes) {
        showPage(page);
        // A narrow button right of its box, its edge aligned with Ready's, which keeps its width.
        QPushButton* ready = button(page == 0 ? "cmdEnd" : "cmdReady2");
        EXPECT_EQ(ready->width(), ready->sizeHint().width());
        EXPECT_LT(button(browse)->width(), ready->width()) << browse;
        const bool row = fileBox == std::get<0>(fileBoxes[0]);
        EXPECT_GT(x(button(browse), false), x(box(fileBox), true)) << browse;
        EXPECT_TRUE(row || x(button(browse), true) == x(ready, true)) << browse;
        for (const bool byDrop : {false, true}) {
            const std::string way = std::string(fileBox) + (byDrop ? " by drop" : " by dialog");
            box(fileBox)->setText("old");
            EXPECT_TRUE(name(fileBox, browse, byDrop, missing)) << way;
            EXPECT_EQ(box(fileBox)->text(), mustExist ? "old" : missing) << way;
            EXPECT_TRUE(name(fileBox, browse, byDrop, qs(existing))) << way;
            EXPECT_EQ(box(fileBox)->text(), qs(existing)) << way;
        }
    }
    // Each dialog opened on its first filter, none having ended on another.
    QStringList opened;
    for (const char* filter : {"Hierarchy files (*.hrc)", "VQD File (*.vqd)", "CSV File (*.csv)",
                               "Zavek VQD output file (*.vqd)", "CSV File (*.csv"})
        opened << filter << filter;
    EXPECT_EQ(dialogs.offeredFilters, opened);
}

// A typed name waits for the next rule; a chosen or dropped input file opens its rows at once.
TEST_F(FileChoosing, ChosenOrDroppedInputFileOpensItsRows) {
    click(check("chkVarNamesInFirst"));
    for (const bool byDrop : {false, true}) {
        box("txtDim")->clear();
        nameFile("gone.csv", "1");
        ASSERT_FALSE(box("txtVarName(0)")->isEnabled());
        const QString cells = qs(cellFile(byDrop ? "dropped.csv" : "chosen.csv"));
        ASSERT_TRUE(name("txtVQDFileName", "cmdZoekVQDFile", byDrop, cells));
        EXPECT_TRUE(box("txtVarName(0)")->isEnabled()) << byDrop;
        EXPECT_EQ(box("txtVarName(0)")->text(), "Region");
        EXPECT_FALSE(box("txtVarName(1)")->isEnabled());
    }
}

// The real file dialog: "All files" lists a file without an extension too.
TEST(FileDialogs, AllFilesListsEveryFile) {
    ScratchFolder folder;
    for (const char* name : {"cells", "a.vqd", "b.csv"})
        folder.write(name, "");
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no file dialog";
            QApplication::activeModalWidget()->close();
            return;
        }
        auto* model = dialog->findChild<QFileSystemModel*>();
        const QModelIndex where = model->index(qs(folder.path("")));
        // The folder is read in the background.
        EXPECT_TRUE(QTest::qWaitFor([&] { return model->rowCount(where) >= 3; }, 5000));
        for (int row = 0; row < model->rowCount(where); ++row)
            listed << model->index(row, 0, where).data().toString();
        // Wide enough for size, type and date to stand whole beside the name.
        const QTreeView* details = dialog->findChild<QTreeView*>("treeView");
        EXPECT_GE(dialog->width(), 110 * QFontMetrics(details->font()).averageCharWidth());
        dialog->selectNameFilter(dialog->nameFilters().first()); // the index the dialog ends on
        static_cast<QDialog*>(dialog)->accept();                 // Open
    });
    const FileChoice chosen = QtDialogs().chooseFile(
        QStringLiteral("VQD File (*.vqd)|*.vqd|All files (*.*)|*.*"), qs(folder.path("x")), 2);
    EXPECT_EQ(chosen.fileName, qs(folder.path("x")));
    EXPECT_EQ(chosen.filterIndex, 1);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"a.vqd", "b.csv", "cells"}));
}

// A message box shows the message as it is, wrapping a long line to stay on the screen.
TEST(MessageBoxes, ShowTheMessageAsItIsAndWrapIt) {
    const std::string message = "Cannot read file: " + std::string(30, 'x') + "/<b>tables</b>/" +
                                std::string(200, 'y') + ".csv\nNo such file or directory";
    QObject shown; // the check goes with the test when no box comes
    QTimer::singleShot(0, &shown, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown.setObjectName("shown");
        const auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        EXPECT_EQ(text->text().toStdString(), message);
        EXPECT_EQ(text->textFormat(), Qt::PlainText); // a name is no markup
        EXPECT_TRUE(text->wordWrap());
        EXPECT_LE(box->width(), box->screen()->availableGeometry().width());
        box->accept();
    });
    QtDialogs().critical(message);
    EXPECT_EQ(shown.objectName(), "shown");
}

} // namespace
} // namespace vqd::test
