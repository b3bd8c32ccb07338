#pragma once
// A scratch folder per test, and a message receiver that keeps what it was told.

#include "text/messages.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vqd::testing {

struct ScratchFolder {
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("vqd-back-" + std::to_string(std::random_device{}()));
    ScratchFolder() { std::filesystem::create_directories(dir); }
    ~ScratchFolder() { std::filesystem::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(path(name), std::ios::binary) << bytes;
        return path(name);
    }
    std::string read(const std::string& name) const {
        std::stringstream bytes;
        bytes << std::ifstream(path(name), std::ios::binary).rdbuf();
        return bytes.str();
    }
    std::set<std::string> names() const {
        std::set<std::string> result;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            result.insert(entry.path().filename().string());
        return result;
    }
    // `text` with each "DIR/" standing for this folder.
    std::string expand(const std::string& text) const {
        return std::regex_replace(text, std::regex("DIR/"), path(""));
    }
};

struct RecordingMessages : Messages {
    void critical(std::string_view text) override {
        shown.push_back("critical: " + std::string(text));
    }
    void information(std::string_view text) override {
        shown.push_back("note: " + std::string(text));
    }
    std::vector<std::string> shown;
};

} // namespace vqd::testing
