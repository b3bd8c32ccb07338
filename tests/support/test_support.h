#pragma once
// What the tests share: a scratch folder, whole-file reads and writes, messages recorded not shown.

#include "files/file_access.h"
#include "text/messages.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vqd {
using Lines = std::vector<std::string>; // a file's lines, a line's fields, or the messages shown
} // namespace vqd

namespace vqd::test {

// Records every message instead of showing it, as "critical: text" or "note: text", on Messages or
// on a seam built on it; whenShown sees the caller as it stands at each message.
template <class Seam> struct Recording : Seam {
    void critical(std::string_view text) override { record("critical: ", text); }
    void information(std::string_view text) override { record("note: ", text); }
    void record(const char* kind, std::string_view text) {
        shown.push_back(kind + std::string(text));
        whenShown();
    }
    Lines shown;
    std::function<void()> whenShown = [] {};
};
using RecordingMessages = Recording<Messages>;

inline std::string readBytes(const std::string& path) {
    std::ifstream in(files::nativePath(path), std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(files::nativePath(path), std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string crlfLines(const Lines& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

class ScratchFolder {
public:
    ScratchFolder()
        : root_(std::filesystem::temp_directory_path() /
                ("vqd-test-" + std::to_string(std::random_device()()))) {
        std::filesystem::create_directories(root_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Names are in the form the program takes them: UTF-8 on Windows.
    std::string path(const std::string& name) const {
        return (root_ / std::u8string(name.begin(), name.end())).string();
    }
    std::string write(const std::string& name, const std::string& bytes) const {
        writeBytes(path(name), bytes);
        return path(name);
    }
    Lines fileNames() const {
        Lines names;
        for (const auto& entry : std::filesystem::directory_iterator(root_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Every name in the folder with its bytes, or what it is where it is no plain file.
    std::map<std::string, std::string> contents() const {
        namespace fs = std::filesystem;
        std::map<std::string, std::string> files;
        for (const auto& name : fileNames()) {
            const std::string at = path(name);
            files[name] = fs::is_symlink(at)     ? "-> " + fs::read_symlink(at).string()
                          : fs::is_directory(at) ? "(folder)"
                          : fs::is_fifo(at)      ? "(pipe)"
                                                 : readBytes(at);
        }
        return files;
    }

private:
    std::filesystem::path root_;
};

// `text` with each "DIR/" standing for the scratch folder.
inline std::string expand(const ScratchFolder& folder, const std::string& text) {
    return std::regex_replace(text, std::regex("DIR/"), folder.path(""));
}

// The usual files, each test giving only what differs: a cell file of two variables with its names
// line, and a ZAVEK record of one variable.
inline std::string cellFile(const Lines& records) {
    return "Region;Age;Value;Freq;Flag;Dom\r\n" + crlfLines(records);
}
inline const std::string zavekRecord = "11,a,250,3,U,0";

} // namespace vqd::test
