#pragma once
// VQD2ZavekMain: the program's one window. Page 1 converts a VQD cell file into ZAVEK's input
// files, page 2 merges ZAVEK's output back into a VQD template.

#include "shell/controls.h"
#include "shell/shell.h"
#include "window/common_dialog.h"

#include <QWidget>
#include <array>
#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace vqd {

class Dialogs;
class Settings;

class VQD2ZavekMain : public QWidget {
    Q_OBJECT

public:
    // Start-up runs here: the window comes out with the stored settings in its boxes.
    VQD2ZavekMain(Dialogs& dialogs, Settings& settings, QWidget* parent = nullptr);

    const ShellState& state() const { return shell_.state(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter presses cmdGo while it is the default button; the text boxes pass Enter on to here.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setupWindow();
    void setupPage1(QWidget* page);
    void setupPage2(QWidget* page);
    void setupFrmHier();
    void setupFrmOutput();
    void connectHandlers();

    void txtVQDFileName_Change();
    void txtDimOrSep_Change();
    void chkVarNamesInFirst_Click();
    void chkHierarchy_Click();
    void VQDTab1_Click();
    void cmdGo_Click();
    void cmdGo2_Click();
    void txtVQDTemplateFile_Change();
    void txtZavekOutputFile_Change();
    void txtResultFile_Change();

    void cmdZoekVQDFile_Click();
    void cmdZoekHrc_Click(std::size_t index);
    void cmdVQDfile_Click();
    void cmdZoekZavekOutput_Click();
    void cmdZoekResult_Click();

    // File choosing shared by the "..." buttons and by files dropped on their boxes.
    enum class MustExist : bool { No, Yes };
    bool chooseFileFor(QLineEdit* box, const QString& filter,
                       std::optional<std::int32_t> filterIndex, MustExist mustExist);
    bool takeChosenFile(QLineEdit* box, const QString& name, MustExist mustExist);
    void inputFileChosen();
    void acceptDroppedFiles();

    Dialogs& dialogs_;
    CommonDialog CommonDialog1_;
    Controls c_;
    Shell shell_;

    QTabWidget* VQDTab1_ = nullptr;
    QGroupBox* frmHier_ = nullptr;
    QGroupBox* frmOutput_ = nullptr;
    QPushButton* cmdZoekVQDFile_ = nullptr;
    QPushButton* cmdEnd_ = nullptr;
    QPushButton* cmdVQDfile_ = nullptr;
    QPushButton* cmdZoekZavekOutput_ = nullptr;
    QPushButton* cmdZoekResult_ = nullptr;
    QPushButton* cmdReady2_ = nullptr;
    std::array<QLabel*, 9> lblDesination_{};
    std::array<QComboBox*, 9> cmbVars_{};
};

} // namespace vqd
