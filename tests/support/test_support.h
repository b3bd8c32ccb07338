#pragma once
// What the engine and command-line tests share: a scratch folder, whole-file reads and writes, and
// a Messages that records instead of showing.

#include "text/messages.h"

#include <filesystem>
#include <string>
#include <vector>

namespace vqd::test {

struct RecordedMessage {
    bool critical;
    std::string text;
    bool operator==(const RecordedMessage&) const = default;
};

class RecordingMessages : public Messages {
public:
    void critical(std::string_view text) override { shown.push_back({true, std::string(text)}); }
    void information(std::string_view text) override {
        shown.push_back({false, std::string(text)});
    }
    std::vector<RecordedMessage> shown;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const;
    // The names of the files in the folder, sorted.
    std::vector<std::string> fileNames() const;

private:
    std::filesystem::path root_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

// Lines joined with CR LF, each line ended.
std::string crlfLines(const std::vector<std::string>& lines);

} // namespace vqd::test
