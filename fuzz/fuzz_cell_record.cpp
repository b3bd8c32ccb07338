// One cell record from arbitrary bytes, under request values that are themselves taken from the
// input and checked as the go button checks them.
#include "forward/cell_record.h"
#include "forward/conversion_request.h"
#include "forward/writers.h"
#include "fuzz_support.h"
#include "text/fields.h"

#include <cmath>
#include <string>

using namespace vqd;

namespace {

const char* const separators[] = {";", ",", "\t", "", "ab", " "};
const char* const percentages[] = {"10", "90", "80", "0.5", "-5", "1e-300", "1e300", "85,5", "abc"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    ForwardPageValues page;
    page.VarCount = data[0] % 6 - 1; // -1 to 4
    page.FieldSeparator = separators[data[1] % std::size(separators)];
    for (std::size_t i = 0; i < 3; ++i)
        page.txtPerc[i] = percentages[data[2 + i] % std::size(percentages)];
    for (auto& row : page.rows)
        row = {"V", false, "", "", false, "", "T"};
    fuzz::SilentMessages messages;
    const auto request = gatherRequest(page, messages);
    if (!request) return 0;

    // Every other input is made of letters, digits, blanks, tabs and separators only: short lines
    // with blanks around their separators.
    std::string text(fuzz::asText(data + 5, size - 5));
    if (data[0] / 6 % 2 == 1) {
        const char separatorByte = page.FieldSeparator.empty() ? ';' : page.FieldSeparator[0];
        const char alphabet[] = {'a', '1', ',', ' ', '\t', separatorByte, separatorByte};
        for (char& c : text)
            c = alphabet[static_cast<unsigned char>(c) % std::size(alphabet)];
    }
    const std::string_view line = text;

    TotalsFound found{};
    CellRecord record;
    if (!ReadCellRecord(line, *request, found, record)) {
        fuzz::require(!record.OutOfRangeText.empty());
        return 0;
    }
    fuzz::require(record.Status == 'S' || record.Status == 'U');
    fuzz::require(std::isfinite(record.UpperPL) && std::isfinite(record.LowerPL));
    fuzz::require(record.UpperPL != 0);
    fuzz::require(record.LowerPL <= record.CellValue || record.LowerPL == record.UpperPL);

    std::string lines(recordLinesBound(line, *request), '\0');
    std::string history = lines;
    const auto end = writeRecordLines(lines.data(), history.data(), record, *request);
    fuzz::require(end.data <= lines.data() + lines.size());
    fuzz::require(end.history <= history.data() + history.size());
    // The data line starts with the codes, value and frequency as NextField takes them one by one.
    std::string_view rest = line;
    std::string start;
    for (std::int32_t i = 0; i < request->VarCount + 2; ++i) {
        const auto field = NextField(rest, request->Separator);
        start.append(i < request->VarCount ? std::string(field) : ReplaceCommaPoint(field));
        start.append(request->Separator);
    }
    fuzz::require(lines.compare(0, start.size(), start) == 0);
    appendSuspectLogLines(lines, record, *request, 1);
    return 0;
}
