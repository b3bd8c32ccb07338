#pragma once
// The window's modal boxes behind one seam, so that tests can read every message and answer every
// file dialog without a modal window.

#include "text/messages.h"

#include <QString>
#include <cstdint>

namespace vqd {

struct FileChoice {
    QString fileName;         // the chosen name; the name that was set when the user cancelled
    std::int32_t filterIndex; // 1-based: the pair of the filter selected last
};

class Dialogs : public Messages {
public:
    // A file-open dialog. `filter` holds description and pattern pairs separated by vertical
    // bars; `filterIndex` preselects a pair.
    virtual FileChoice chooseFile(const QString& filter, const QString& fileName,
                                  std::int32_t filterIndex) = 0;
};

} // namespace vqd
