#pragma once
// One cell of a VQD cell file, with its status and protection levels.

#include "forward/conversion_request.h"

#include <array>
#include <string>
#include <string_view>

namespace vqd {

struct CellRecord {
    std::array<std::string_view, 4> Codes; // views into the line read; valid while it is
    std::string ValueText;                 // cell value, decimal commas made points
    std::string FreqText;                  // cell frequency, decimal commas made points
    double CellValue = 0;
    std::string Flag; // upper case
    double DomPerc = 0;
    double UpperPL = 0;
    double LowerPL = 0;
    char Status = 'S'; // 'S' safe or 'U' unsafe
    std::string CostText;
    std::string LowerText;
    std::string UpperText;

    // The two suspect cases, logged by the run; the record is converted all the same.
    bool IllegalDomPercentage = false;
    bool IllegalProtectionLevel = false;
    // The text of a number that cannot be held, when reading stopped there.
    std::string_view OutOfRangeText;
};

// Which variables' total codes occurred, in variable order.
using TotalsFound = std::array<bool, 4>;

// Reads one line of the cell file into `record` (whose buffers are reused) and marks the totals
// seen. False when a number of the line, or a protection level derived from it, is beyond the
// 64-bit float range: the run stops there.
bool ReadCellRecord(std::string_view line, const ConversionRequest& request, TotalsFound& found,
                    CellRecord& record);

} // namespace vqd
