#pragma once
// What the back conversion's page offers before it runs: the template's columns as destination
// choices, and how many explanatory-variable destinations the ZAVEK output file needs.

#include "text/fields.h"
#include "text/messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vqd {

// A template's header line and the separator that takes it apart (GetSeparator).
struct TemplateHeader {
    std::string line;
    std::string separator;

    // An empty field between two separators is kept, nothing follows a final separator. Column k
    // of the template is the k-th field.
    LineFields fields() const noexcept { return {line, separator}; }
    std::int64_t columnCount() const noexcept { return countFields(line, separator); }
};

// The template's header line; nothing when the separator is undecided or the file cannot be read,
// GetSeparator having then shown its message. Notes on how the header was read (a byte-order mark
// in its first field) are put in `notes`, when given.
std::optional<TemplateHeader> templateHeader(const std::string& path, Messages& messages,
                                             std::vector<std::string>* notes = nullptr);

// The number of explanatory variables of a ZAVEK output file from the commas of its first line: a
// record of v variables has 2v + 3 commas, so (commas - 3) / 2, halves to the even neighbour. An
// empty file counts as an empty first line. Nothing, with a "Cannot read file: " message, when the
// file cannot be read.
std::optional<std::int32_t> zavekVariableCount(const std::string& path, Messages& messages);

} // namespace vqd
