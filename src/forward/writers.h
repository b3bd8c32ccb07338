#pragma once
// The lines of ZAVEK's input files: metadata (.rda), table data (.tab), history (.hst) and the
// conversion log (.log). Each function appends lines, CR LF ended, to `out`.

#include "forward/cell_record.h"
#include "forward/conversion_request.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vqd {

// The whole metadata file: separator and status codes, each explanatory variable with its
// hierarchy and total code, then the six cell variables.
void appendMetadata(std::string& out, const ConversionRequest& request);

// The record's line of the table data file.
void appendDataLine(std::string& out, const CellRecord& record, const ConversionRequest& request);

// The two history lines of an unsafe cell: its key with "u", then with "pl" and its levels.
void appendHistoryLines(std::string& out, const CellRecord& record,
                        const ConversionRequest& request);

// The log's head; `dateTime` is the local date and time of the run.
void appendLogHead(std::string& out, const ConversionRequest& request, std::string_view dateTime);

// The log lines of a suspect record, the dominance line first.
void appendSuspectLogLines(std::string& out, const CellRecord& record,
                           const ConversionRequest& request, std::int64_t recordCount);

// "250 records processed": the progress text and the log's last line.
std::string progressText(std::int64_t recordCount);

// An empty line, then the progress text.
void appendLogClosing(std::string& out, std::int64_t recordCount);

// The local date and time as YYYY-MM-DD HH:MM:SS.
std::string localDateTimeNow();

} // namespace vqd
