// The text primitives of the conversions, one at a time: where a slow conversion would look first.

#include "files/line_reader.h"
#include "text/fields.h"
#include "text/numbers.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace vqd;

constexpr std::string_view cellLine = "North;15-64;G47;2983671,8;468;S;91,7";

void splitCellLine(benchmark::State& state) {
    for (auto _ : state) {
        std::string_view line = cellLine;
        while (!line.empty())
            benchmark::DoNotOptimize(NextFieldBy(line, ";"));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * cellLine.size()));
}
BENCHMARK(splitCellLine);

void splitWithLongSeparator(benchmark::State& state) {
    for (auto _ : state) {
        std::string_view line = "North;;15-64;;G47;;2983671,8;;468;;S;;91,7";
        while (!line.empty())
            benchmark::DoNotOptimize(NextFieldBy(line, ";;"));
    }
}
BENCHMARK(splitWithLongSeparator);

// A whole record at once, as the conversions take it: the vector compares of x86-64 against the
// standard library's search for each field.
void takeCellRecord(benchmark::State& state) {
    std::array<std::string_view, 7> fields;
    for (auto _ : state) {
        benchmark::DoNotOptimize(takeFields(cellLine, ";", fields));
        benchmark::DoNotOptimize(fields.data());
    }
}
BENCHMARK(takeCellRecord);

void memchrPerFieldBaseline(benchmark::State& state) {
    std::array<std::string_view, 7> fields;
    for (auto _ : state) {
        const char* first = cellLine.data();
        const char* const last = first + cellLine.size();
        for (auto& field : fields) {
            const auto* end = static_cast<const char*>(std::memchr(first, ';', last - first));
            if (end == nullptr) end = last;
            field = {first, static_cast<std::size_t>(end - first)};
            first = end == last ? last : end + 1;
        }
        benchmark::DoNotOptimize(fields.data());
    }
}
BENCHMARK(memchrPerFieldBaseline);

// Once per line of a file being inspected, until a line splits.
void countFieldsOfLine(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(countFields(cellLine, ";"));
}
BENCHMARK(countFieldsOfLine);

void countFieldsByTheRule(benchmark::State& state) {
    for (auto _ : state) {
        std::string_view line = cellLine;
        std::int64_t count = 0;
        for (; !line.empty(); ++count)
            NextFieldBy(line, ";");
        benchmark::DoNotOptimize(count);
    }
}
BENCHMARK(countFieldsByTheRule);

void numericRule(benchmark::State& state, std::string_view text) {
    for (auto _ : state)
        benchmark::DoNotOptimize(numericValue(text));
}
BENCHMARK_CAPTURE(numericRule, plainDecimal, "2983671.8");
BENCHMARK_CAPTURE(numericRule, decimalComma, "91,7");
BENCHMARK_CAPTURE(numericRule, blanksAndExponent, " - 1 234.5e-3");

void costText(benchmark::State& state, double value) {
    char out[maxCostTextSize];
    for (auto _ : state)
        benchmark::DoNotOptimize(writeCostText(out, value));
}
BENCHMARK_CAPTURE(costText, rendered, 2983671.8);
BENCHMARK_CAPTURE(costText, exponent, 1.5e300);

void costTextOfDecimal(benchmark::State& state, std::string_view text) {
    char out[maxCostTextSize];
    PlainDecimal number;
    for (auto _ : state) {
        readPlainDecimal(text, number);
        benchmark::DoNotOptimize(writeCostTextOfDecimal(out, number));
    }
}
BENCHMARK_CAPTURE(costTextOfDecimal, plain, "2983671.8");
BENCHMARK_CAPTURE(costTextOfDecimal, trailingZeros, "2983671.80");

void levelText(benchmark::State& state, double value) {
    char out[maxLevelTextSize];
    for (auto _ : state)
        benchmark::DoNotOptimize(writeLevelText(out, value));
}
BENCHMARK_CAPTURE(levelText, safeCell, 0.001);
BENCHMARK_CAPTURE(levelText, frequencyRule, 298367.18);
BENCHMARK_CAPTURE(levelText, exactHalf, 0.0625);

// 100,000 cell lines read back from a file in the page cache.
void lineReader(benchmark::State& state) {
    const auto path = (std::filesystem::temp_directory_path() / "vqd_micro_bench_lines").string();
    {
        std::string bytes;
        for (int i = 0; i < 100000; ++i)
            bytes.append(cellLine).append("\r\n");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    std::int64_t bytes = 0;
    for (auto _ : state) {
        LineReader reader;
        reader.open(path);
        std::string_view line;
        while (reader.next(line))
            bytes += static_cast<std::int64_t>(line.size() + 2);
    }
    state.SetBytesProcessed(bytes);
    std::filesystem::remove(path);
}
BENCHMARK(lineReader)->Unit(benchmark::kMillisecond);

} // namespace
