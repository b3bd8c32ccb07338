// The back conversion of an arbitrary template and ZAVEK file (split at the first NUL byte), with
// destination choices from the input's first bytes; converted whole and a line at a time.
#include "back/back_conversion.h"
#include "back/inspection.h"
#include "fuzz_support.h"

#include <filesystem>

using namespace vqd;

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
    (void)templateHeaderFields(request.TemplateFile, messages);
    (void)zavekVariableCount(request.ZavekOutputFile, messages);
    const auto result = ConvertBack(request, messages);
    // A stopped conversion leaves no result file; a finished one says nothing.
    fuzz::require(result.completed == std::filesystem::exists(request.ResultFile));
    if (!result.completed) return 0;

    // A line at a time on several threads, the same file.
    const auto whole = fuzz::readFile(request.ResultFile);
    BackConversionOptions lineByLine;
    lineByLine.chunkBytes = 1;
    fuzz::require(ConvertBack(request, messages, lineByLine).completed);
    fuzz::require(fuzz::readFile(request.ResultFile) == whole);
    return 0;
}
