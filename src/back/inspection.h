#pragma once
// What the back conversion's page offers before it runs: the template's columns as destination
// choices, and how many explanatory-variable destinations the ZAVEK output file needs.

#include "text/messages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vqd {

// The fields of the template's header line, split with the template's own separator (GetSeparator):
// an empty field between two separators is kept, nothing follows a final separator. Column k of
// the template is element k - 1. Nothing when the separator is undecided or the file cannot be
// read; GetSeparator has then shown its message. Notes on how the header was read (a byte-order
// mark in its first field) are put in `notes`, when given.
std::optional<std::vector<std::string>>
templateHeaderFields(const std::string& path, Messages& messages,
                     std::vector<std::string>* notes = nullptr);

// The number of explanatory variables of a ZAVEK output file from the commas of its first line: a
// record of v variables has 2v + 3 commas, so (commas - 3) / 2, halves to the even neighbour. An
// empty file counts as an empty first line. Nothing, with a "Cannot read file: " message, when the
// file cannot be read.
std::optional<std::int32_t> zavekVariableCount(const std::string& path, Messages& messages);

} // namespace vqd
