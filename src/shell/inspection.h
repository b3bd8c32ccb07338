#pragma once
// Looking into a named file without converting it.

#include "text/messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vqd {

// True when a file, not a folder, of that name exists; false for the empty name.
bool FileExist(const std::string& FN);

// The largest number of fields on any line of FN split at `separator`, less 4 (the cell value,
// frequency, flag and dominance fields), or 0 when no line has more than 4 fields. Nothing, with
// a "Cannot read file: " message shown, when the file cannot be read. A file whose path, size and
// modification time are those of an earlier inspection with the same separator is not read again.
std::optional<std::int32_t> GetDim(const std::string& FN, std::string_view separator,
                                   Messages& messages);

// The first N fields of FN's first line (at most the four a page has rows for); fields missing
// from a short line are empty. Nothing, with a message shown, when the file cannot be read.
std::optional<std::vector<std::string>>
ReadVarNames(const std::string& FN, std::string_view separator, std::int32_t N, Messages& messages);

// What looking into a forward conversion's input file found.
enum class InputVerdict {
    Unreadable,  // "Cannot read file: " shown
    NoSeparator, // no line splits into more than 4 fields: "No separator found in file: " shown
    Splits,      // the dimension typed may be taken
};

struct InputInspection {
    InputVerdict verdict = InputVerdict::Unreadable;
    std::vector<std::string> names; // from the first line, only when they were asked for
};

// The look OrganiseSize takes at FN before it accepts a dimension, and the command line before a
// conversion: whether a line splits into more than 4 fields with `separator` (reading up to the
// first that does; remembered like GetDim), then, when `namesFromFirstLine` and `dimension` is
// above 0, the names of ReadVarNames(FN, dimension). A file whose names cannot be read is
// Unreadable.
InputInspection inspectInput(const std::string& FN, std::string_view separator,
                             std::int32_t dimension, bool namesFromFirstLine, Messages& messages);

} // namespace vqd
