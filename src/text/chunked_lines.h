#pragma once
// Converting a text file a chunk of whole lines at a time: each chunk is converted, then handed
// on, so a converter's buffers serve many lines and a run holds one chunk at a time.

#include "text/line_reader.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace vqd {

// The converting of one chunk at a time.
class ChunkConverter {
public:
    virtual ~ChunkConverter() = default;
    // Converts the lines of one chunk.
    virtual void convert(std::string_view lines) = 0;
    // Hands the converted chunk on and adds its records to `recordCount`, the count of the
    // records handed on before it. The chunk's text is still valid. False stops the run. What
    // the chunk made is best let go here: it may be a long line's.
    virtual bool deliver(std::int64_t& recordCount) = 0;
};

// About this much of the file is converted at a time: small enough for a chunk and its output
// to stay in the core's cache.
constexpr std::size_t defaultChunkBytes = 128 << 10;

// Converts the rest of `input` with `converter`, a chunk of whole lines at a time: at least one,
// else as many as keep their bytes and `lineCost` for each line (the output it makes beyond its
// bytes) within `chunkBytes`, so a run holds about that and the longest line whatever the count
// of lines. `progress`, when given, is called with the count of records handed on so far after
// every chunk. Returns the final count; a read error is left in input.error(). The run ends at a
// stop or at an exception, which is thrown again here.
std::int64_t convertInChunks(LineReader& input, ChunkConverter& converter, std::size_t chunkBytes,
                             std::size_t lineCost,
                             const std::function<void(std::int64_t)>& progress);

// What the user is told when an exception stopped the conversion of `path`: the machine ran out
// of memory, or the system refused something else the run needed. Nothing has been written then.
std::string conversionStoppedMessage(std::string_view path, const std::exception& error);

} // namespace vqd
