#pragma once
// The back conversion: ZAVEK's comma-separated output merged into the layout of a VQD template.

#include "files/chunked_lines.h"
#include "text/messages.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace vqd {

// The nine destinations, in the order of the page's lists.
enum Destination : std::size_t {
    CellValue,
    CellFrequency,
    CellStatus,
    CellDomPercentage,
    CellTop2Percentage, // ZAVEK has no such cell field: the column keeps the model line's value
    ExplVar1,
    ExplVar2,
    ExplVar3,
    ExplVar4,
    DestinationCount
};

// The values of page 2 as the controls hold them; paths are used as entered.
struct BackConversionRequest {
    std::string TemplateFile;
    std::string ZavekOutputFile;
    std::string ResultFile;
    // Per destination: k >= 1 is template column k; 0 ("none") and -1 (nothing chosen) write it
    // nowhere.
    std::array<std::int32_t, DestinationCount> Columns{-1, -1, -1, -1, -1, -1, -1, -1, -1};
};

struct BackConversionOptions {
    // Called with the count of records converted so far after every chunk, the last time with
    // the final count; the receiver decides how often to show it.
    std::function<void(std::int64_t recordCount)> progress;
    // Called once when the result file is in place, before any note.
    std::function<void()> finished;
    // About this much of the ZAVEK file is converted at a time.
    std::size_t chunkBytes = defaultChunkBytes;
};

struct BackConversionResult {
    bool completed = false; // the result file is in place
    std::int64_t recordCount = 0;
};

// Writes the template's header line, then per ZAVEK record a copy of the model line whose chosen
// columns hold the record's fields, to a temporary file that replaces ResultFile only when all
// went well. The number of explanatory variables comes from the fields of ZAVEK's first line.
// An undecided template separator, an unreadable or empty input, a template without a model line,
// a variable count outside 0 to 4 or a write failure stops with one message, and an earlier
// result file stays exactly as it was.
BackConversionResult ConvertBack(const BackConversionRequest& request, Messages& messages,
                                 const BackConversionOptions& options = {});

} // namespace vqd
