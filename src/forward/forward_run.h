#pragma once
// The forward conversion: a VQD cell file into ZAVEK's metadata, table data, history and log.

#include "files/chunked_lines.h"
#include "forward/conversion_request.h"
#include "text/messages.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vqd {

struct ForwardRunOptions {
    // Called with the count of records converted so far after every chunk, the last time with
    // the final count; the receiver decides how often to show it.
    std::function<void(std::int64_t recordCount)> progress;
    // Called once with the final count when every record has been read, before any note.
    std::function<void(std::int64_t recordCount)> counted;
    // Called with a row's lead string as soon as the checks find it.
    LeadStringFound leadStringFound;
    // About this much of the input is converted at a time.
    std::size_t chunkBytes = defaultChunkBytes;
};

struct ForwardRunResult {
    bool completed = false; // the four files are in place
    std::int64_t recordCount = 0;
};

// Checks the page's request, converts the input and puts InputFile + ".rda", ".tab", ".hst" and
// ".log" in place together. A refused or failed run shows one critical message and leaves any
// earlier output files exactly as they were; totals that never occurred are information notes.
ForwardRunResult runForwardConversion(ForwardPageValues& page, Messages& messages,
                                      const ForwardRunOptions& options = {});

} // namespace vqd
