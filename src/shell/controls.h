#pragma once
// The controls that the rules read and write, by their names on the window. The window owns and
// lays them out; the rules only see them through these pointers.

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vqd {

// One explanatory-variable row of the hierarchy frame; row i holds variable i + 1.
struct VariableRowControls {
    QLineEdit* txtVarName = nullptr;
    QCheckBox* chkHierch = nullptr;
    QLineEdit* txtHierFile = nullptr;
    QPushButton* cmdZoekHrc = nullptr;
    QCheckBox* chkLevels = nullptr;
    QLineEdit* txtlevels = nullptr;
    QLineEdit* txtleadString = nullptr; // never shown: holds the lead string of the code list
    QLineEdit* txtTotCode = nullptr;
};

struct Controls {
    // Page 1
    QLineEdit* txtVQDFileName = nullptr;
    std::array<QLineEdit*, 3> txtPerc{}; // frequency, dominance B, dominance C
    QLineEdit* txtSep = nullptr;
    QLineEdit* txtDim = nullptr;
    QCheckBox* chkVarNamesInFirst = nullptr;
    QLabel* lblVerslag = nullptr;
    QPushButton* cmdGo = nullptr;
    std::array<VariableRowControls, 4> rows;
    // Page 2
    QLineEdit* txtVQDTemplateFile = nullptr;
    QLineEdit* txtZavekOutputFile = nullptr;
    QLineEdit* txtResultFile = nullptr;
    QLabel* lblProgress = nullptr;
    QPushButton* cmdGo2 = nullptr;
};

} // namespace vqd
