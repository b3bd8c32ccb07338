#pragma once
// CommonDialog1: the one file-open dialog that all five "..." buttons share. Its properties keep
// their values from one use to the next, so a button that sets no filter index opens with the
// index the previous use ended on.

#include "window/dialogs.h"

#include <QString>
#include <cstdint>

namespace vqd {

struct CommonDialog {
    QString Filter; // description and pattern pairs, separated by vertical bars
    QString FileName;
    std::int32_t FilterIndex = 1; // 1-based

    // Shows the dialog and waits for it. Afterwards FileName holds the chosen name (the name that
    // was set when the user cancelled) and FilterIndex the pair the user ended on.
    void ShowOpen(Dialogs& dialogs) {
        const FileChoice choice = dialogs.chooseFile(Filter, FileName, FilterIndex);
        FileName = choice.fileName;
        FilterIndex = choice.filterIndex;
    }
};

} // namespace vqd
