#pragma once
// Converting a text file in chunks of whole lines on several threads at once, with the converted
// chunks handed on in file order: the output is the same as converting line by line.

#include "files/line_reader.h"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vqd {

// The converting of some of the chunks, always on the same thread, so that its own state needs no
// locking and its buffers stay in that core's cache. Converters start on a cache line of their
// own: one that shared a line with its neighbour's counters, written for every line by another
// core, would wait on that core at every record.
class alignas(64) ChunkConverter {
public:
    virtual ~ChunkConverter() = default;
    // Converts the lines of one chunk, alongside the other converters.
    virtual void convert(std::string_view lines) = 0;
    // Hands the converted chunk on, one converter at a time in file order, and adds its records
    // to `recordCount`, the count of the records handed on before it. The chunk's text is still
    // valid. False stops the run: no later chunk is handed on. What the chunk made is best let go
    // here: it may be a long line's.
    virtual bool deliver(std::int64_t& recordCount) = 0;
};

// About this much of the file is converted at a time by each converter: small enough for a
// chunk and its output to stay in the core's cache.
constexpr std::size_t defaultChunkBytes = 128 << 10;

// As many threads as the machine runs at once, up to four: the chunks are read and handed on one
// at a time, so more would mostly wait.
inline std::size_t threadCount() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

// Converters for each thread: one that has converted a chunk and waits for its turn to hand it
// on has others to go on converting with.
constexpr std::size_t convertersPerThread = 3;

// Converts the rest of `input`, a chunk of whole lines at a time: at least one, else as many as
// keep their bytes and `lineCost` for each line (the output it makes beyond its bytes) within
// `chunkBytes`, so a converter holds about that and the longest line whatever the count of
// lines. Runs on `threads` threads (at least one, at most one a converter), each with
// converters.size() / threads of the converters. `progress`, when given, is called on the calling
// thread with the count of records handed on so far as chunks are handed on, and always with the
// final count. Returns the final count; a read error is left in input.error(). The run ends at
// the first stop or exception in file order, as line by line: an exception thrown by a converter,
// or by reading, is thrown again here unless a chunk before it stopped the run; one thrown by
// `progress` stops the run wherever it has got to.
std::int64_t convertInChunks(LineReader& input, std::span<ChunkConverter* const> converters,
                             std::size_t threads, std::size_t chunkBytes, std::size_t lineCost,
                             const std::function<void(std::int64_t)>& progress);

// convertInChunks on threadCount() threads with convertersPerThread converters each, of type
// Converter, each made from `arguments`. Where every line makes more than a chunk's worth (a long
// template model line), one converter alone: several would only hold several such lines at once.
template <class Converter, class... Arguments>
std::int64_t convertInChunksBy(LineReader& input, std::size_t chunkBytes, std::size_t lineCost,
                               const std::function<void(std::int64_t)>& progress,
                               Arguments&&... arguments) {
    const bool longLines = lineCost > chunkBytes;
    const std::size_t threads = longLines ? 1 : threadCount();
    const std::size_t count = longLines ? 1 : convertersPerThread * threads;
    std::vector<Converter> converters;
    converters.reserve(count); // their addresses stay put
    std::vector<ChunkConverter*> pointers;
    for (std::size_t i = 0; i < count; ++i)
        pointers.push_back(&converters.emplace_back(arguments...));
    return convertInChunks(input, pointers, threads, chunkBytes, lineCost, progress);
}

} // namespace vqd
