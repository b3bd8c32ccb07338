#include "../support/test_support.h"
#include "window/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

namespace vqd::test {
namespace {

// The real dialog, opened on one file; the user names another and accepts.
TEST(QtFileDialog, ChosenFileComesBack) {
    ScratchFolder folder;
    const std::string opened = folder.write("cells.csv", "");
    const std::string chosen = folder.write("cells.txt", "");
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
            dialog->selectFile("cells.txt");
            static_cast<QDialog*>(dialog)->accept();
        } else {
            ADD_FAILURE() << "no file dialog";
        }
        // Whatever is still open is cancelled, so the test never waits on it.
        if (modal && modal->isVisible()) modal->close();
    });
    QtDialogs dialogs;
    const FileChoice choice = dialogs.chooseFile("CSV File (*.csv|*.csv|All files (*.*)|*.*",
                                                 QString::fromStdString(opened), 1);
    EXPECT_EQ(choice.fileName.toStdString(), chosen);
}

} // namespace
} // namespace vqd::test
