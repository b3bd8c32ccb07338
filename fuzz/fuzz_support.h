#pragma once
// Shared by the fuzz targets: scratch files for readers that take a path, and messages that go
// nowhere.

#include "text/messages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace vqd::fuzz {

class SilentMessages : public Messages {
public:
    void critical(std::string_view) override { ++shown; }
    void information(std::string_view) override { ++shown; }
    int shown = 0;
};

// The lines of `bytes` by the plain rule: a line ends at CR LF or a lone CR, and the last line
// needs no line end.
std::vector<std::string_view> linesByRule(std::string_view bytes);

// A path in a folder of this process's own, holding exactly `bytes`.
std::string scratchFile(const std::string& name, std::string_view bytes);

// A folder of this process's own for outputs.
const std::string& scratchFolder();

// The whole of a file written by a conversion.
std::string readFile(const std::string& path);

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// Stops the fuzzer with a finding when a property does not hold.
inline void require(bool holds) {
    if (!holds) std::abort();
}

} // namespace vqd::fuzz
