#include "fuzz_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace vqd::fuzz {

std::vector<std::string_view> linesByRule(std::string_view bytes) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') continue;
        lines.push_back(bytes.substr(start, i - start));
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back(bytes.substr(start));
    return lines;
}

const std::string& scratchFolder() {
    static const std::string folder = [] {
        const auto base = std::filesystem::exists("/dev/shm")
                              ? std::filesystem::path("/dev/shm")
                              : std::filesystem::temp_directory_path();
        const auto path = base / ("vqd-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path.string() + "/";
    }();
    return folder;
}

std::string scratchFile(const std::string& name, std::string_view bytes) {
    const std::string path = scratchFolder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace vqd::fuzz
