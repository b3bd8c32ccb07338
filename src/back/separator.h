#pragma once
// Which of comma and semicolon a VQD template separates its columns with.

#include "text/messages.h"

#include <string>
#include <string_view>

namespace vqd {

// "," or ";", whichever the first line of `path` holds more of; only that line is read. The empty
// text when neither wins: a critical message when the line has neither (an empty or missing
// first line included), an information message when both occur equally often, and the "Cannot
// read file: " message when the file cannot be read. Messages show the path as passed.
std::string GetSeparator(const std::string& path, Messages& messages);

// GetSeparator for a first line the caller has already read from `path`.
std::string separatorOfFirstLine(std::string_view first, const std::string& path,
                                 Messages& messages);

} // namespace vqd
