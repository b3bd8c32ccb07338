#include "shell/text_bytes.h"
#include "window/qt_dialogs.h"
#include "window_fixture.h"

#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <chrono>

namespace vqd::test {
namespace {

using Runs = WindowTest;

// A typed column name, exact, chooses it, other text nothing; ZAVEK's own file is refused.
TEST_F(Runs, BackTakesTheChosenColumns) {
    const auto zavek = files.write("zavek.csv", crlfLines({zavekRecord, "12,b,7,1,S,0"}));
    // A byte-order mark before the header: a note, after "ready".
    namePage2(
        files.write("template.csv",
                    "\xEF\xBB\xBF" + crlfLines({"code;value;status;flag;value", "x;0;-;A;0"})),
        zavek, files.path("./zavek.csv"));
    // Columns by position: the cell value goes to the second column named "value".
    for (const auto& [k, column] : {std::pair{0, 5}, {1, 4}, {5, 1}})
        cmbVars(k)->setCurrentIndex(column);
    const std::tuple<int, const char*, const char*> typed[] = {
        {1, "bogus", "flag"}, {2, "Status", "none"}, {2, "status", "status"}, {3, "flag", "flag"}};
    for (const auto& [k, text, shown] : typed) {
        cmbVars(k)->lineEdit()->selectAll();
        QTest::keyClicks(cmbVars(k)->lineEdit(), text);
        QTest::keyClick(cmbVars(k)->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(cmbVars(k)->currentText(), shown) << text;
    }
    cmbVars(3)->setEditText("none"); // typed, not confirmed: the dominance goes nowhere
    PaintedTexts painted(label("lblProgress"));
    dialogs.whenShown = [&] { painted.texts << "(box)"; };
    button("cmdGo2")->click();
    box("txtResultFile")->setText(qs(files.path("result.csv")));
    button("cmdGo2")->click();
    showPage(0); // page 1 leaves page 2's status line alone
    EXPECT_EQ(label("lblProgress")->text(), "ready");
    showPage(1); // page 2 shown again, its status line cleared
    EXPECT_EQ(painted.texts,
              (QStringList{"processing", "(box)", "", "processing", "ready", "(box)", ""}));
    EXPECT_EQ(readBytes(files.path("result.csv")),
              "\xEF\xBB\xBF" +
                  crlfLines({"code;value;status;flag;value", "11;0;U;3;250", "12;0;S;1;7"}));
}

// The README's examples give the command line's bytes, date aside, from a non-ASCII name; the
// lead string and the count stand in the window before any box about the run shows.
TEST_F(Runs, ReadmeExamplesGiveWhatTheCommandLineGives) {
    const QDir built(QCoreApplication::applicationDirPath());
    const auto example = [&](const char* name) {
        return files.write(name, readBytes(pathOf(built.filePath(VQD_EXAMPLES_RELATIVE_PATH) +
                                                  QLatin1Char('/') + name)));
    };
    const std::string input = files.path("\xCE\xA9 Z\xC3\xBCrich.csv");
    // A byte-order mark before the names: a note.
    writeBytes(input, "\xEF\xBB\xBFR\xE9gion" + readBytes(example("cells.csv")).substr(6));
    const std::string hierarchy = example("region.hrc");
    box("txtPerc(0)")->setText("15");
    box("txtDim")->setText("2");
    box("txtVQDFileName")->setText(qs(input));
    EXPECT_FALSE(box("txtVarName(0)")->isEnabled()); // a name opens no row until the next rule
    // The names from the first line, which also opens the rows; a code list for the first
    // variable and both total codes.
    check("chkVarNamesInFirst")->click();
    check("chkHierch(0)")->click();
    box("txtHierFile(0)")->setText(qs(hierarchy));
    box("txtTotCode(0)")->setText("NL");
    box("txtTotCode(1)")->setText("Total");
    PaintedTexts painted(label("lblVerslag"));
    dialogs.whenShown = [&] { painted.texts << "(box) " + box("txtleadString(0)")->text(); };
    button("cmdGo")->click();
    showPage(1); // the turned page clears the count
    showPage(0);
    // Without the second name the run is refused: the lead string found again, the count gone.
    box("txtVarName(1)")->clear();
    box("txtleadString(0)")->clear();
    button("cmdGo")->click();
    // The count stands out, in its face and blue; page 2's status line is larger.
    for (const auto& [line, face] : {std::pair{"lblVerslag", "Comic Sans MS,9,-1,0,700"},
                                     {"lblProgress", "Arial,11.25,-1,0,400"}})
        EXPECT_EQ(label(line)->font().toString().section(',', 0, 4), face);
    EXPECT_EQ(label("lblVerslag")->palette().color(QPalette::WindowText), QColor(Qt::blue));
    // A run stopped at its last line takes back the counts it showed as it went, at least one
    // once it has run for 40 ms.
    const Lines lines(3'000'000, "NL;Total;1;1;S;0");
    ScratchFolder large;
    box("txtVQDFileName")->setText(qs(large.write("late.csv", crlfLines(lines) + "NL;T;1e999")));
    const auto began = std::chrono::steady_clock::now();
    button("cmdGo")->click();
    const bool lasted = std::chrono::steady_clock::now() - began > std::chrono::milliseconds(60);
    const auto asItWent = painted.texts.removeIf(
        [](auto& text) { return text.contains(QRegularExpression("^\\d{3,} ")); });
    EXPECT_TRUE(asItWent > 0 || !lasted);
    EXPECT_EQ(painted.texts, (QStringList{"", "28 records processed", "(box) @", "", "", "(box) @",
                                          "", "", "", "(box) @", ""}));
    const std::regex dateLine("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d");
    const auto undated = [&] { // every file in the folder, the outputs among them
        auto all = files.contents();
        for (auto& [name, bytes] : all)
            bytes = std::regex_replace(bytes, dateLine, "DATE");
        return all;
    };
    const auto byWindow = undated();
    QProcess cli;
    cli.start(built.filePath(VQD_CLI_RELATIVE_PATH),
              {"forward", qs(input), "--dim", "2", "--names-first", "--hier1", qs(hierarchy),
               "--total1", "NL", "--total2", "Total", "--freq", "15"});
    EXPECT_TRUE(cli.waitForFinished(60000) && cli.exitCode() == 0) << cli.readAll().data();
    EXPECT_EQ(undated(), byWindow);
}

// File box, "..." button, existing files only, page, the dialog's first filter; the last row first,
// as a new input file may close it.
const std::tuple<const char*, const char*, bool, int, const char*> fileBoxes[] = {
    {"txtHierFile(3)", "cmdZoekHrc(3)", false, 0, "Hierarchy files (*.hrc)"},
    {"txtVQDFileName", "cmdZoekVQDFile", true, 0, "VQD File (*.vqd)"},
    {"txtVQDTemplateFile", "cmdVQDfile", true, 1, "CSV File (*.csv)"},
    {"txtZavekOutputFile", "cmdZoekZavekOutput", true, 1, "Zavek VQD output file (*.vqd)"},
    {"txtResultFile", "cmdZoekResult", false, 1, "CSV File (*.csv"}};

// Drags the files, or without them the text, onto `target` and drops them there; whether the drop
// was taken. Only a box that accepts drops sees the drag, and passing over it takes nothing.
bool drop(QLineEdit* target, const QList<QUrl>& urls, const QString& text = {}) {
    QMimeData data;
    urls.isEmpty() ? data.setText(text) : data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    const QString before = target->text();
    QApplication::sendEvent(target, &enter);
    if (!target->acceptDrops() || !enter.isAccepted() || target->text() != before) return false;
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

// The dialog and a drop are two ways of naming the same file, under the same conditions; a typed
// name waits for the next rule, but a chosen or dropped input file opens its rows at once.
TEST_F(Runs, FileButtonsAndDropsTakeWhatTheirFileMayBe) {
    const std::string existing = files.write("existing.csv", "");
    const QString missing = qs(files.path("missing.csv"));
    // Names the file by a drop or its dialog (ended on filter 2 if missing, cancelled where the box
    // names it already: the dialog opens on that name); whether it was taken.
    const auto name = [&](const char* fileBox, const char* browse, bool byDrop,
                          const QString& path) {
        if (byDrop) return drop(box(fileBox), {QUrl::fromLocalFile(path)});
        if (box(fileBox)->text() != path)
            dialogs.answer = FileChoice{path, path == missing ? 2 : 1};
        button(browse)->click();
        return true;
    };
    nameFile(cellFile(), "4");
    check("chkHierch(3)")->click();
    // Parameter boxes of a few letters (a line edit holds 17) after captions, name boxes after 1-4.
    EXPECT_LT(box("txtDim")->width(), 14 * box("txtDim")->fontMetrics().horizontalAdvance('x'));
    EXPECT_LT(label("lblDim")->geometry().right(), box("txtDim")->geometry().left());
    EXPECT_LT(label("lblVArNo(0)")->geometry().right(), box("txtVarName(0)")->geometry().left());
    for (const auto& [fileBox, browse, mustExist, page, filter] : fileBoxes) {
        showPage(page);
        // A narrow button past its box's start, right-aligned with Ready, which keeps its width.
        QPushButton* ready = button(page == 0 ? "cmdEnd" : "cmdReady2");
        EXPECT_EQ(ready->width(), ready->sizeHint().width());
        EXPECT_LT(button(browse)->width(), ready->width()) << browse;
        const bool row = fileBox == std::get<0>(fileBoxes[0]);
        EXPECT_GT(button(browse)->geometry().left(), box(fileBox)->geometry().left()) << browse;
        EXPECT_TRUE(row || button(browse)->geometry().right() == ready->geometry().right())
            << browse;
        for (const bool byDrop : {false, true}) {
            box(fileBox)->setText("old");
            EXPECT_TRUE(name(fileBox, browse, byDrop, missing)) << fileBox << byDrop;
            EXPECT_EQ(box(fileBox)->text(), mustExist ? "old" : missing) << fileBox << byDrop;
            EXPECT_TRUE(name(fileBox, browse, byDrop, qs(existing))) << fileBox << byDrop;
            EXPECT_EQ(box(fileBox)->text(), qs(existing)) << fileBox << byDrop;
        }
        // Its dialog opens on its first filter, or (template, ZAVEK file) where its last use ended.
        const QString second = page == 1 && mustExist ? "All files (*.*)" : filter;
        EXPECT_EQ(std::exchange(dialogs.offeredFilters, {}), (QStringList{filter, second}));
    }
    // Two files, or a web address, are no file to take; a text dropped is typed.
    const QUrl url = QUrl::fromLocalFile(qs(existing)), web("https://example.org/cells.csv");
    EXPECT_FALSE(drop(box("txtVQDFileName"), {url, url}) || drop(box("txtVQDFileName"), {web}));
    EXPECT_TRUE(drop(box("txtVQDFileName"), {}, "typed") &&
                box("txtVQDFileName")->text().contains("typed"));
    showPage(0);
    for (const bool byDrop : {false, true}) {
        // The name of a file not there yet: the new dimension closes the rows. Then the file.
        const std::string later = byDrop ? "dropped.csv" : "chosen.csv";
        nameFile(files.path(later), byDrop ? "1" : "1 ");
        ASSERT_FALSE(box("txtVarName(0)")->isEnabled());
        ASSERT_TRUE(name("txtVQDFileName", "cmdZoekVQDFile", byDrop, qs(cellFile(later))));
        EXPECT_TRUE(box("txtVarName(0)")->isEnabled() && !box("txtVarName(1)")->isEnabled());
    }
}

// The real file dialog: "All files" lists a file without an extension too. A message box shows
// the message as it is, wrapping a long line to stay on the screen.
TEST(QtDialogs, ShowEveryFileAndTheMessageAsItIs) {
    ScratchFolder folder;
    for (const char* name : {"cells", "a.vqd", "b.csv"})
        folder.write(name, "");
    QStringList listed;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* model = dialog->findChild<QFileSystemModel*>();
        const QModelIndex where = model->index(qs(folder.path("")));
        // The folder is read in the background.
        EXPECT_TRUE(QTest::qWaitFor([&] { return model->rowCount(where) >= 3; }, 5000));
        for (int row = 0; row < model->rowCount(where); ++row)
            listed << model->index(row, 0, where).data().toString();
        // Wide enough for size, type and date to stand whole beside the name.
        EXPECT_GE(dialog->width(), 110 * dialog->fontMetrics().averageCharWidth());
        EXPECT_EQ(dialog->findChild<QComboBox*>("fileTypeCombo")->itemText(0), "VQD File (*.vqd)");
        dialog->selectNameFilter(dialog->nameFilters().first()); // the index the dialog ends on
        static_cast<QDialog*>(dialog)->accept();                 // Open
    });
    const FileChoice chosen = QtDialogs().chooseFile(
        QStringLiteral("VQD File (*.vqd)|*.vqd|All files (*.*)|*.*"), qs(folder.path("x")), 2);
    EXPECT_EQ(chosen.filterIndex, 1);
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"a.vqd", "b.csv", "cells"}));
    const std::string message = "Cannot read file: " + std::string(30, 'x') + "/<b>tables</b>/" +
                                std::string(200, 'y') + ".csv\nNo such file or directory";
    for (const auto icon : {QMessageBox::Critical, QMessageBox::Information}) {
        QObject shown; // the check goes with the test when no box comes
        QTimer::singleShot(0, &shown, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown.setObjectName("shown");
            EXPECT_TRUE(box->icon() == icon && box->windowTitle() == "VQD2Zavek");
            const auto* text = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            EXPECT_EQ(text->text().toStdString(), message);
            EXPECT_EQ(text->textFormat(), Qt::PlainText); // a name is no markup
            box->accept();
        });
        icon == QMessageBox::Critical ? QtDialogs().critical(message)
                                      : QtDialogs().information(message);
        EXPECT_EQ(shown.objectName(), "shown");
    }
}

} // namespace
} // namespace vqd::test
