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

// The most bytes writeRecordLines puts in either file for a record read from `line`.
std::size_t recordLinesBound(std::string_view line, const ConversionRequest& request) noexcept;

struct RecordLinesEnd {
    char* data;
    char* history;
};

// Writes the record's line of the table data file at `data` and, for an unsafe cell, its two
// history lines at `history`: its key with "u", then with "pl" and its levels. Each needs room
// for recordLinesBound bytes; returns the ends of what was written.
RecordLinesEnd writeRecordLines(char* data, char* history, const CellRecord& record,
                                const ConversionRequest& request) noexcept;

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
