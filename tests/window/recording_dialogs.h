#pragma once
// The test side of the window's seam: records every message and every file dialog, and answers
// the dialogs from a script, so no test waits on a modal box.

#include "../support/test_support.h"
#include "window/dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vqd::test {

using ShownMessage = RecordedMessage;

class RecordingDialogs : public Dialogs {
public:
    void critical(std::string_view text) override { shown.push_back({true, std::string(text)}); }
    void information(std::string_view text) override {
        shown.push_back({false, std::string(text)});
    }
    // The next file dialog ends with `fileName` chosen and the `filterIndex` pair selected (0: the
    // pair it opened with).
    void willChoose(const QString& fileName, std::int32_t filterIndex = 0) {
        answers.push_back(FileChoice{fileName, filterIndex});
    }
    void willCancel() { answers.push_back(std::nullopt); }

    // Unscripted dialogs are cancelled.
    FileChoice chooseFile(const QString& /*filter*/, const QString& fileName,
                          std::int32_t filterIndex) override {
        opened.push_back({fileName, filterIndex});
        std::optional<FileChoice> answer;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        if (!answer) return {fileName, filterIndex};
        return {answer->fileName, answer->filterIndex ? answer->filterIndex : filterIndex};
    }

    // What a file dialog was opened with.
    struct OpenedDialog {
        QString fileName;
        std::int32_t filterIndex;
    };

    std::vector<ShownMessage> shown;
    std::vector<OpenedDialog> opened;
    std::deque<std::optional<FileChoice>> answers;
};

} // namespace vqd::test
