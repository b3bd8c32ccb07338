// The back conversion of an arbitrary template and ZAVEK file (split at the first NUL byte), with
// destination choices from the input's first bytes; converted whole and a line at a time.
#include "back/back_conversion.h"
#include "back/inspection.h"
#include "back/separator.h"
#include "fuzz_support.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace vqd;

namespace {

// Every field NextFieldBy takes from `line` until it is empty.
std::vector<std::string> fieldsByRule(std::string_view line, std::string_view separator) {
    std::vector<std::string> fields;
    while (!line.empty())
        fields.emplace_back(NextFieldBy(line, separator));
    return fields;
}

// The result file by the rule, one record at a time into the model line's fields, for a
// template and ZAVEK file the conversion accepted.
std::string expectedResult(std::string_view templateText, std::string_view zavekText,
                           const BackConversionRequest& request, std::string_view separator) {
    const auto templateLines = fuzz::linesByRule(templateText);
    const auto zavekLines = fuzz::linesByRule(zavekText);
    auto row = fieldsByRule(templateLines.at(1), separator);
    const auto n = static_cast<double>(fieldsByRule(zavekLines.at(0), ",").size());
    const auto v = static_cast<std::size_t>(wholeNumberClamped32((n - 4) / 2));
    const auto put = [&](std::size_t destination, const std::string& field) {
        const auto column = request.Columns[destination];
        if (column >= 1 && static_cast<std::size_t>(column) <= row.size())
            row[static_cast<std::size_t>(column) - 1] = field;
    };
    std::string result(templateLines.at(0));
    result += "\r\n";
    for (const auto line : zavekLines) {
        auto fields = fieldsByRule(line, ",");
        fields.resize(std::max(fields.size(), 2 * v + 4));
        for (std::size_t k = 0; k < v; ++k)
            put(ExplVar1 + k, fields[2 * k]);
        for (std::size_t i = 0; i < 4; ++i)
            put(CellValue + i, fields[2 * v + i]);
        for (std::size_t i = 0; i < row.size(); ++i)
            result.append(i > 0 ? separator : "").append(row[i]);
        result += "\r\n";
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < DestinationCount) return 0;
    BackConversionRequest request;
    for (std::size_t i = 0; i < DestinationCount; ++i) {
        request.Columns[i] = static_cast<std::int8_t>(data[i]) % 12; // -11 to 11
    }
    const auto rest = fuzz::asText(data + DestinationCount, size - DestinationCount);
    const auto split = rest.find('\0');
    request.TemplateFile = fuzz::scratchFile("template", rest.substr(0, split));
    request.ZavekOutputFile =
        fuzz::scratchFile("zavek", split == std::string_view::npos ? "" : rest.substr(split + 1));
    request.ResultFile = fuzz::scratchFolder() + "result";
    std::filesystem::remove(request.ResultFile);

    fuzz::SilentMessages messages;
    // The header's fields, walked as the window lists them, are as many as the columns counted.
    if (const auto header = templateHeader(request.TemplateFile, messages)) {
        std::int64_t fields = 0;
        for ([[maybe_unused]] const std::string_view field : header->fields())
            ++fields;
        fuzz::require(fields == header->columnCount());
    }
    (void)zavekVariableCount(request.ZavekOutputFile, messages);
    const auto result = ConvertBack(request, messages);
    // A stopped conversion leaves no result file; a finished one says nothing.
    fuzz::require(result.completed == std::filesystem::exists(request.ResultFile));
    if (!result.completed) return 0;

    const auto whole = fuzz::readFile(request.ResultFile);
    fuzz::require(whole ==
                  expectedResult(rest.substr(0, split),
                                 split == std::string_view::npos ? "" : rest.substr(split + 1),
                                 request, GetSeparator(request.TemplateFile, messages)));
    // A line at a time on several threads, the same file.
    BackConversionOptions lineByLine;
    lineByLine.chunkBytes = 1;
    fuzz::require(ConvertBack(request, messages, lineByLine).completed);
    fuzz::require(fuzz::readFile(request.ResultFile) == whole);
    return 0;
}
