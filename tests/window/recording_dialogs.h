#pragma once
// The test side of the window's seam: records every message and answers file dialogs from a
// queue, so no test waits on a modal window.

#include "window/dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace vqd::test {

struct ShownMessage {
    bool critical;
    std::string text;
    bool operator==(const ShownMessage&) const = default;
};

struct FileDialogCall {
    QString filter;
    QString fileName;
    std::int32_t filterIndex;
};

class RecordingDialogs : public Dialogs {
public:
    void critical(std::string_view text) override { shown.push_back({true, std::string(text)}); }
    void information(std::string_view text) override {
        shown.push_back({false, std::string(text)});
    }
    // Answers with the next queued choice; with none queued, as if cancelled.
    FileChoice chooseFile(const QString& filter, const QString& fileName,
                          std::int32_t filterIndex) override {
        fileDialogs.push_back({filter, fileName, filterIndex});
        if (answers.empty()) return {fileName, filterIndex};
        FileChoice answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownMessage> shown;
    std::vector<FileDialogCall> fileDialogs;
    std::deque<FileChoice> answers;
};

} // namespace vqd::test
