#include "text/chunked_lines.h"

#include <new>

namespace vqd {

std::string conversionStoppedMessage(std::string_view path, const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return "Not enough memory to convert file: " + std::string(path);
    return "Cannot convert file: " + std::string(path) + "\n" + error.what();
}

std::int64_t convertInChunks(LineReader& input, ChunkConverter& converter, std::size_t chunkBytes,
                             std::size_t lineCost,
                             const std::function<void(std::int64_t)>& progress) {
    LineChunk chunk;
    std::int64_t count = 0;
    for (bool goOn = true; goOn && input.nextChunk(chunk, chunkBytes, lineCost);) {
        converter.convert(chunk.lines());
        goOn = converter.deliver(count);
        if (progress) progress(count);
    }
    return count;
}

} // namespace vqd
