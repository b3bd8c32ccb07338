#pragma once
// Converting a text file in chunks of whole lines on several threads at once, with the converted
// chunks handed on in file order: the output is the same as converting line by line.

#include "text/line_reader.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vqd {

// The converting of one chunk at a time. Converters start on a cache line of their own: one that
// shared a line with its neighbour's counters, written for every line by another core, would
// wait on that core at every record.
class alignas(64) ChunkConverter {
public:
    virtual ~ChunkConverter() = default;
    // Converts the lines of one chunk on a converting thread, alongside the other converters.
    virtual void convert(std::string_view lines) = 0;
    // Hands the converted chunk on, on the calling thread in file order, and adds its records to
    // `recordCount`, the count of the records handed on before it. The chunk's text is still
    // valid. False stops the run: no later chunk is handed on. What the chunk made is best let go
    // here: it may be a long line's.
    virtual bool deliver(std::int64_t& recordCount) = 0;
};

// About this much of the file is converted at a time by each converter: small enough for a
// chunk and its output to stay in the core's cache.
constexpr std::size_t defaultChunkBytes = 128 << 10;

// As many threads as the process may run at once (on Linux the cores it may use, which taskset or
// a container can make fewer than the machine's), up to four: the chunks are read and handed on
// one at a time, so more would mostly wait, and more threads than cores only take turns.
std::size_t threadCount();

// Converts the rest of `input`, a chunk of whole lines at a time (at least one, else as many as
// keep their bytes and `lineCost` for each line, the output it makes beyond them, within
// `chunkBytes`), on `threads` threads (one at least, and no more than there are converters, of
// which there is one at least), and hands the chunks on in file order. Chunks are read ahead
// while those not handed on cost at most `chunkBytes` for each converter, so a run holds about
// that and the longest line's chunk, whatever the count of lines. `progress`, when given,
// is called on the calling thread with the count of records handed on so far after every chunk.
// Returns the final count; a read error is left in input.error(). The run ends at the first stop
// or exception in file order, as line by line: an exception thrown by a converter is thrown
// again here unless a chunk before it stopped the run; one thrown by reading, handing on or
// `progress` stops the run wherever it has got to.
std::int64_t convertInChunks(LineReader& input, std::span<ChunkConverter* const> converters,
                             std::size_t threads, std::size_t chunkBytes, std::size_t lineCost,
                             const std::function<void(std::int64_t)>& progress);

// What the user is told when an exception stopped the conversion of `path`: the machine ran out
// of memory, or would not start another thread. Nothing has been written then.
std::string conversionStoppedMessage(std::string_view path, const std::exception& error);

// Converters, so chunks read ahead, for each thread: a thread that the system gives less time, or
// a chunk that takes longer, does not leave the others without a chunk to convert.
constexpr std::size_t convertersPerThread = 3;

// convertInChunks on threadCount() threads with convertersPerThread converters each, of type
// Converter, each made from `arguments`.
template <class Converter, class... Arguments>
std::int64_t convertInChunksBy(LineReader& input, std::size_t chunkBytes, std::size_t lineCost,
                               const std::function<void(std::int64_t)>& progress,
                               Arguments&&... arguments) {
    const std::size_t threads = threadCount();
    const std::size_t count = convertersPerThread * threads;
    std::vector<Converter> converters;
    converters.reserve(count); // their addresses stay put
    std::vector<ChunkConverter*> pointers;
    for (std::size_t i = 0; i < count; ++i)
        pointers.push_back(&converters.emplace_back(arguments...));
    return convertInChunks(input, pointers, threads, chunkBytes, lineCost, progress);
}

} // namespace vqd
