#include "files/line_reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

namespace vqd {

namespace {
// Small files need no more; the buffer doubles whenever a line does not fit.
constexpr std::size_t blockSize = 64 << 10;

// The bytes from `first`, at most `most`, whose count plus `lineCost` for every CR among them is
// at most `size`. Counted 64 bytes at a time first: a loop of fixed length, which compiles to
// vector code, as this runs over nearly every byte a back conversion reads.
std::size_t bytesWithinCost(const char* first, std::size_t most, std::size_t size,
                            std::size_t lineCost) {
    std::size_t bytes = 0, cost = 0;
    for (; most - bytes >= 64; bytes += 64) {
        unsigned char lineEnds = 0; // 64 at most: bytes, as the vector code counts them
        for (std::size_t i = 0; i < 64; ++i)
            lineEnds += first[bytes + i] == '\r';
        if (cost + 64 + lineEnds * lineCost > size) break;
        cost += 64 + lineEnds * lineCost;
    }
    for (; bytes < most; ++bytes) {
        cost += first[bytes] == '\r' ? 1 + lineCost : 1;
        if (cost > size) break;
    }
    return bytes;
}

// `buffer` made `size` bytes long, its contents kept; false when there is not the memory.
bool resize(lineReaderDetail::Buffer& buffer, std::size_t& capacity, std::size_t size) {
    auto* grown = static_cast<char*>(std::realloc(buffer.get(), size));
    if (grown == nullptr) return false;
    (void)buffer.release();
    buffer.reset(grown);
    capacity = size;
    return true;
}

std::string noMemoryForLine(std::size_t size) {
    return "Not enough memory for a line of " + std::to_string(size) + " bytes";
}

} // namespace

std::optional<FileStamp> stampOf(const std::string& path) {
    std::error_code error;
    FileStamp stamp;
    const auto name = files::nativePath(path);
    stamp.size = std::filesystem::file_size(name, error);
    if (error) return std::nullopt;
    stamp.modified = std::filesystem::last_write_time(name, error);
    if (error) return std::nullopt;
    return stamp;
}

void lineReaderDetail::FreeDeleter::operator()(char* p) const noexcept {
    std::free(p);
}

bool LineReader::grow(std::size_t size) {
    if (resize(buffer_, capacity_, size)) return true;
    error_ = noMemoryForLine(end_ - begin_);
    return false;
}

void LineReader::close() noexcept {
    file_.reset();
}

bool LineReader::open(const std::string& path) {
    close();
    begin_ = end_ = 0;
    eof_ = false;
    error_.clear();
    carriageReturnSeen_ = lineFeedSeen_ = byteOrderMark_ = started_ = false;
    file_ = files::openForReading(path, error_);
    if (!file_) return false;
    path_ = path;
    stamp_ = stampOf(path);
    if (capacity_ < blockSize && !grow(blockSize)) {
        close();
        return false;
    }
    return true;
}

// Moves the unread bytes to the front and reads more after them, growing the buffer when a
// single line fills it.
bool LineReader::fill() {
    if (eof_ || !file_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == capacity_ && !grow(capacity_ * 2)) return false;
    const auto got = files::readSome(file_, buffer_.get() + end_, capacity_ - end_, error_);
    if (got <= 0) {
        eof_ = true;
        if (got == 0 && stampOf(path_) != stamp_) error_ = "the file changed while it was read";
        return false;
    }
    noteLineEnds(buffer_.get() + end_, static_cast<std::size_t>(got));
    end_ += static_cast<std::size_t>(got);
    return true;
}

// The line at the end of the buffer, read further where it continues.
bool LineReader::nextFromFile(std::string_view& line) {
    if (!error_.empty()) return false;
    std::size_t scanFrom = begin_;
    for (;;) {
        const char* start = buffer_.get() + scanFrom;
        const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - scanFrom));
        if (cr != nullptr) {
            const auto crPos = static_cast<std::size_t>(cr - buffer_.get());
            // A CR as the last byte read may be the first half of a CR LF.
            if (crPos + 1 == end_ && !eof_) {
                const auto lineStart = begin_;
                if (fill()) {
                    scanFrom = crPos - lineStart;
                    continue;
                }
                if (!error_.empty()) return false;
                scanFrom = crPos - lineStart;
                continue;
            }
            line = std::string_view(buffer_.get() + begin_, crPos - begin_);
            begin_ = crPos + 1;
            if (begin_ < end_ && buffer_.get()[begin_] == '\n') ++begin_;
            return true;
        }
        if (eof_) {
            if (begin_ == end_) return false;
            line = std::string_view(buffer_.get() + begin_, end_ - begin_);
            begin_ = end_;
            return true;
        }
        const auto lineStart = begin_;
        const auto scanned = end_;
        if (!fill()) {
            if (!error_.empty()) return false;
        }
        scanFrom = scanned - lineStart;
    }
}

bool LineReader::nextChunk(LineChunk& chunk, std::size_t size, std::size_t lineCost) {
    chunk.lines_ = {};
    if (!error_.empty()) return false;
    if (!file_) eof_ = true; // closed: what is buffered is all there is
    if (capacity_ < size && !grow(size)) return false;
    for (bool lineEndMissing = false;;) {
        const char* const first = buffer_.get() + begin_;
        const char* const last = buffer_.get() + end_;
        // After the last line end within the bytes that cost at most `size`, else after the first
        // one: a whole line. More is read while all that is read could go into the chunk.
        const auto available = static_cast<std::size_t>(last - first);
        std::size_t within = std::min(size, available);
        if (lineCost > 0) within = bytesWithinCost(first, within, size, lineCost);
        if (!eof_ && ((within == available && within < size) || lineEndMissing)) {
            if (!fill() && !error_.empty()) return false;
            lineEndMissing = false;
            continue;
        }
        const char* const limit = first + within;
        const char* cut = limit;
        while (cut != first && cut[-1] != '\r')
            --cut;
        if (cut == first) {
            const auto* cr = static_cast<const char*>(std::memchr(limit, '\r', last - limit));
            if (cr != nullptr) cut = cr + 1;
        }
        // A CR as the last byte read may be the first half of a CR LF.
        if (cut != first && (cut != last || eof_)) {
            if (cut != last && *cut == '\n') ++cut;
        } else if (eof_) {
            cut = last;
        } else {
            lineEndMissing = true; // read on, growing the buffer for a long line
            continue;
        }
        if (cut == first) return false;
        const auto taken = static_cast<std::size_t>(cut - first);
        const auto rest = static_cast<std::size_t>(last - cut);
        // A buffer grown for a long line is given back once the lines are short again.
        const auto fitChunk = [&](std::size_t needed) {
            needed = std::max({needed, size, blockSize});
            if (chunk.capacity_ >= needed && chunk.capacity_ / 2 <= needed) return true;
            if (resize(chunk.buffer_, chunk.capacity_, needed)) return true;
            error_ = "Not enough memory for a chunk of " + std::to_string(needed) + " bytes";
            return false;
        };
        // The smaller part is copied. Usually that is the rest after the cut: the chunk keeps
        // this buffer, and the reader goes on in the chunk's old one. But after a long line the
        // reader's buffer is large and holds many chunks; then the chunk's lines are copied out
        // instead, or the whole rest would be copied for every chunk.
        if (rest > taken) {
            if (!fitChunk(taken)) return false;
            std::memcpy(chunk.buffer_.get(), first, taken);
            chunk.lines_ = {chunk.buffer_.get(), taken};
            begin_ = static_cast<std::size_t>(cut - buffer_.get());
            return true;
        }
        if (!fitChunk(rest)) return false;
        if (rest > 0) std::memcpy(chunk.buffer_.get(), cut, rest);
        chunk.lines_ = {first, taken};
        std::swap(buffer_, chunk.buffer_);
        std::swap(capacity_, chunk.capacity_);
        begin_ = 0;
        end_ = rest;
        return true;
    }
}

void LineReader::noteLineEnds(const char* bytes, std::size_t size) noexcept {
    if (!started_) {
        started_ = true;
        byteOrderMark_ = size >= 3 && std::memcmp(bytes, "\xEF\xBB\xBF", 3) == 0;
    }
    if (carriageReturnSeen_) return;
    carriageReturnSeen_ = std::memchr(bytes, '\r', size) != nullptr;
    lineFeedSeen_ = lineFeedSeen_ || std::memchr(bytes, '\n', size) != nullptr;
}

std::vector<std::string> LineReader::readingNotes(std::string_view path) const {
    std::vector<std::string> notes;
    if (eof_ && !carriageReturnSeen_ && lineFeedSeen_) {
        notes.push_back("Lines of " + files::messageName(path) +
                        " end in a line feed alone, which does not end a line: save it with CR LF "
                        "line ends");
    }
    if (byteOrderMark_) {
        notes.push_back(files::messageName(path) +
                        " starts with a UTF-8 byte-order mark, which becomes part of its first "
                        "field: save it without one");
    }
    return notes;
}

std::string cannotReadMessage(std::string_view path, std::string_view reason) {
    std::string message = "Cannot read file: " + files::messageName(path);
    if (!reason.empty()) {
        message += "\n";
        message += reason;
    }
    return message;
}

std::string conversionStoppedMessage(std::string_view path, const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return "Not enough memory to convert file: " + std::string(path);
    return "Cannot convert file: " + std::string(path) + "\n" + error.what();
}

std::optional<std::string> readFirstLine(const std::string& path, Messages& messages,
                                         std::vector<std::string>* notes) {
    LineReader reader;
    std::string_view first;
    if (reader.open(path) && !reader.next(first)) first = {};
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(path, reader.error()));
        return std::nullopt;
    }
    if (notes != nullptr) *notes = reader.readingNotes(path);
    try {
        return std::string(first);
    } catch (const std::bad_alloc&) {
        messages.critical(cannotReadMessage(path, noMemoryForLine(first.size())));
        return std::nullopt;
    }
}

} // namespace vqd
