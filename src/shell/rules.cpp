#include "shell/inspection.h"
#include "shell/shell.h"
#include "shell/text_bytes.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

namespace vqd {

namespace {

bool blank(const QLineEdit* box) {
    return trimBlanks(bytesOf(box->text())).empty();
}

} // namespace

void TXTEnable(QLineEdit* T, bool B) {
    T->setEnabled(B);
    QPalette palette = T->palette();
    palette.setColor(QPalette::Base, B ? QColor(0xFF, 0xFF, 0xFF) : QColor(0xAF, 0xAF, 0xAF));
    // A closed row keeps its names and codes, and they must stay readable on the grey: #404040
    // on #AFAFAF has a contrast of 4.7:1 (relative luminances 0.051 and 0.429), where the
    // style's own disabled text, about #BEBEBE, has 1.2:1.
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x40, 0x40, 0x40));
    T->setPalette(palette);
}

void Shell::OrganiseSize() {
    std::string FN;
    if (state_.ForwardPageActive) {
        FN = std::string(trimBlanks(pathOf(c_.txtVQDFileName->text())));
        const bool ready = !FN.empty() && !blank(c_.txtDim);
        c_.cmdGo->setEnabled(ready);
        c_.cmdGo->setDefault(ready);
    } else {
        // On page 2 the template is inspected in the same way, its name taken as typed.
        FN = pathOf(c_.txtVQDTemplateFile->text());
    }
    c_.lblVerslag->clear();
    c_.lblVerslag->repaint();
    state_.FieldSeparator = separatorFromText(bytesOf(c_.txtSep->text()));

    // A name still being typed, or a folder, is no file yet: nothing to say about it.
    if (FN.empty() || !FileExist(FN)) {
        state_.VarCount = 0;
        return;
    }
    const std::int32_t D = wholeNumberClamped32(numericValue(bytesOf(c_.txtDim->text())));
    const auto found =
        inspectInput(FN, state_.FieldSeparator, D, c_.chkVarNamesInFirst->isChecked(), messages_);
    // A file that does not split with this separator keeps the dimension accepted before.
    if (found.verdict == InputVerdict::Unreadable) state_.VarCount = 0;
    if (found.verdict != InputVerdict::Splits) return;
    for (std::size_t i = 0; i < found.names.size(); ++i)
        c_.rows[i].txtVarName->setText(textOf(found.names[i]));
    state_.VarCount = D;
}

void Shell::OrganiseEnable() {
    for (std::size_t i = 0; i < c_.rows.size(); ++i) {
        const VariableRowControls& row = c_.rows[i];
        const bool E = static_cast<std::int64_t>(i) < state_.VarCount;
        TXTEnable(row.txtVarName, E);
        row.chkHierch->setEnabled(E);
        row.chkLevels->setEnabled(E);
        // A warning only: the forward conversion refuses such a row when it starts.
        if (E && row.chkHierch->isChecked() && row.chkLevels->isChecked())
            messages_.critical("Not both hierarchical options together");
        const bool H = E && row.chkHierch->isChecked();
        TXTEnable(row.txtHierFile, H);
        row.cmdZoekHrc->setEnabled(H);
        const bool L = E && row.chkLevels->isChecked();
        TXTEnable(row.txtlevels, L);
        TXTEnable(row.txtleadString, L);
        TXTEnable(row.txtTotCode, E);
        // Code-list hierarchies belong to the forward conversion only.
        if (!state_.ForwardPageActive) {
            row.chkHierch->setEnabled(false);
            TXTEnable(row.txtHierFile, false);
            row.cmdZoekHrc->setEnabled(false);
        }
    }
    c_.cmdGo2->setEnabled(!blank(c_.txtVQDTemplateFile) && !blank(c_.txtZavekOutputFile) &&
                          !blank(c_.txtResultFile));
}

} // namespace vqd
