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

// Whether GetDim(FN) is above 0, reading FN only up to the first line of more than 4 fields: the
// command line's check before a conversion that reads the whole file anyway.
std::optional<bool> splitsIntoFields(const std::string& FN, std::string_view separator,
                                     Messages& messages);

// The first N fields of FN's first line (at most the four a page has rows for); fields missing
// from a short line are empty. Nothing, with a message shown, when the file cannot be read.
std::optional<std::vector<std::string>>
ReadVarNames(const std::string& FN, std::string_view separator, std::int32_t N, Messages& messages);

} // namespace vqd
