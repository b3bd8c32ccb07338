#pragma once
// The seam's real side: Qt's message boxes and file dialog.

#include "window/dialogs.h"

class QWidget;

namespace vqd {

class QtDialogs : public Dialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }

    void critical(std::string_view text) override;
    void information(std::string_view text) override;
    FileChoice chooseFile(const QString& filter, const QString& fileName,
                          std::int32_t filterIndex) override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace vqd
