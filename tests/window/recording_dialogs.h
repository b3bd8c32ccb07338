#pragma once
// The test side of the window's seam: records every message, so no test waits on a modal box.

#include "window/dialogs.h"

#include <string>
#include <vector>

namespace vqd::test {

struct ShownMessage {
    bool critical;
    std::string text;
    bool operator==(const ShownMessage&) const = default;
};

class RecordingDialogs : public Dialogs {
public:
    void critical(std::string_view text) override { shown.push_back({true, std::string(text)}); }
    void information(std::string_view text) override {
        shown.push_back({false, std::string(text)});
    }
    // As if the user cancelled.
    FileChoice chooseFile(const QString&, const QString& fileName,
                          std::int32_t filterIndex) override {
        return {fileName, filterIndex};
    }

    std::vector<ShownMessage> shown;
};

} // namespace vqd::test
