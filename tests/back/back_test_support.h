#pragma once
// Helpers of the back conversion's tables: paths written as DIR/name, messages as "kind: text".

#include "../support/test_support.h"

#include <regex>

namespace vqd::test {

// `text` with each "DIR/" standing for the scratch folder.
inline std::string expand(const ScratchFolder& folder, const std::string& text) {
    return std::regex_replace(text, std::regex("DIR/"), folder.path(""));
}

inline std::vector<std::string> shownTexts(const RecordingMessages& messages) {
    std::vector<std::string> texts;
    for (const auto& [critical, text] : messages.shown)
        texts.push_back((critical ? "critical: " : "note: ") + text);
    return texts;
}

} // namespace vqd::test
