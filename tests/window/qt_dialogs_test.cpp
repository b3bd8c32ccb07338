#include "../support/test_support.h"
#include "window/qt_dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace vqd::test {
namespace {

// Runs `user` on the file dialog once it is open, as the user would act on it.
FileChoice chooseWith(const QString& filter, const QString& fileName, std::int32_t filterIndex,
                      const std::function<void(QFileDialog&, QComboBox&)>& user) {
    QTimer::singleShot(0, [&user] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* types = dialog ? dialog->findChild<QComboBox*>("fileTypeCombo") : nullptr;
        if (types)
            user(*dialog, *types);
        else
            ADD_FAILURE() << "no file dialog with a list of file types";
        // Whatever is still open is cancelled, so the test never waits on it.
        if (modal && modal->isVisible()) modal->close();
    });
    QtDialogs dialogs;
    return dialogs.chooseFile(filter, fileName, filterIndex);
}

const QString filter = "CSV File (*.csv|*.csv|All files (*.*)|*.*";

// The pair set is preselected; an index beyond the pairs, left by an earlier use of the dialog,
// preselects the first. Cancelled, the name and the index come back as they were set.
TEST(QtFileDialog, ShowsEachDescriptionAsWrittenWithThePreselectedPair) {
    for (const auto& [filterIndex, selected] : {std::pair{2, 1}, std::pair{3, 0}}) {
        QStringList texts;
        int current = -1;
        const FileChoice choice =
            chooseWith(filter, "cells.csv", filterIndex, [&](QFileDialog&, QComboBox& types) {
                for (int i = 0; i < types.count(); ++i)
                    texts << types.itemText(i);
                current = types.currentIndex();
            });
        EXPECT_EQ(texts, (QStringList{"CSV File (*.csv", "All files (*.*)"}));
        EXPECT_EQ(current, selected) << filterIndex;
        EXPECT_EQ(choice.fileName, "cells.csv");
        EXPECT_EQ(choice.filterIndex, filterIndex);
    }
}

TEST(QtFileDialog, ChosenFileComesBackWithThePairSelectedLast) {
    ScratchFolder folder;
    const std::string path = folder.write("cells.txt", "");
    const FileChoice choice = chooseWith(filter, QString::fromStdString(path), 1,
                                         [](QFileDialog& dialog, QComboBox& types) {
                                             types.setCurrentIndex(1);
                                             // Selecting a filter empties the name box; the user
                                             // names the file again.
                                             dialog.selectFile("cells.txt");
                                             static_cast<QDialog&>(dialog).accept();
                                         });
    EXPECT_EQ(choice.fileName.toStdString(), path);
    EXPECT_EQ(choice.filterIndex, 2);
}

} // namespace
} // namespace vqd::test
