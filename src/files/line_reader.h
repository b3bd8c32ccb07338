#pragma once
// Reading text files a line at a time, in large blocks.

#include "files/file_access.h"
#include "text/messages.h"

#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vqd {

namespace lineReaderDetail {
struct FreeDeleter {
    void operator()(char* p) const noexcept;
};
// realloc rather than a vector: a long line's buffer grows in place, without a second copy.
using Buffer = std::unique_ptr<char, FreeDeleter>;
} // namespace lineReaderDetail

// What identifies a file's contents without reading them: a file rewritten in place changes its
// size or its modification time.
struct FileStamp {
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified;

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file `path` names; nothing when it cannot be taken.
std::optional<FileStamp> stampOf(const std::string& path);

// Whole lines taken from a LineReader by nextChunk, usually in the buffer that the reader read
// them into: taking a chunk swaps buffers rather than copying the lines.
class LineChunk {
public:
    std::string_view lines() const noexcept { return lines_; }

private:
    friend class LineReader;
    lineReaderDetail::Buffer buffer_;
    std::size_t capacity_ = 0;
    std::string_view lines_;
};

// Reads the lines of one file. A line ends at CR LF or at a lone CR; a lone LF stays inside the
// line; the last line needs no line end. Lines are views into an internal buffer that grows with
// the longest line and are valid until the next call. A file whose stamp at its end is not the one
// it had when opened (another program truncated, appended to or rewrote it meanwhile) ends in a
// read error: its last lines may be half of what was there.
class LineReader {
public:
    LineReader() = default;
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens `path`; false (with error() set) when it cannot be opened or is not a regular file.
    bool open(const std::string& path);
    // The next line; false at the end of the file, on a read error or after a failed open (then
    // error() is set).
    bool next(std::string_view& line) {
        // Inline for the usual case, a line whose CR and the byte after it are in the buffer.
        if (end_ > begin_ && error_.empty()) {
            const char* const start = buffer_.get() + begin_;
            const auto* cr = static_cast<const char*>(std::memchr(start, '\r', end_ - begin_));
            if (cr != nullptr && cr + 1 != buffer_.get() + end_) {
                line = {start, static_cast<std::size_t>(cr - start)};
                begin_ = static_cast<std::size_t>(cr + (cr[1] == '\n' ? 2 : 1) - buffer_.get());
                return true;
            }
        }
        return nextFromFile(line);
    }
    // Whole lines with their line ends, at least one, else as many as keep their bytes plus
    // `lineCost` for each line within `size`; false at the end of the file or on a read error.
    // The chunk's earlier lines are gone.
    bool nextChunk(LineChunk& chunk, std::size_t size, std::size_t lineCost = 0);
    // The system's reason when opening or reading failed; empty otherwise.
    const std::string& error() const noexcept { return error_; }
    void close() noexcept;
    // What the user should know about how the file read so far was taken apart into lines: its
    // lines end in a line feed alone, which ends no line, or it starts with a byte-order mark,
    // which becomes part of its first field. One text per finding, naming the file as `path`.
    std::vector<std::string> readingNotes(std::string_view path) const;

private:
    bool nextFromFile(std::string_view& line);
    bool fill();

    bool grow(std::size_t size);
    void noteLineEnds(const char* bytes, std::size_t size) noexcept;

    files::Descriptor file_;
    std::string path_;
    std::optional<FileStamp> stamp_; // when opened
    lineReaderDetail::Buffer buffer_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0; // first unread byte
    std::size_t end_ = 0;   // one past the last byte read from the file
    bool eof_ = false;
    std::string error_;
    // Looked for only until the first carriage return: then lines end as the user meant.
    bool carriageReturnSeen_ = false;
    bool lineFeedSeen_ = false;
    bool byteOrderMark_ = false;
    bool started_ = false; // the first bytes of the file have been read
};

// The next line of a chunk taken by nextChunk, removed from `lines`; false when none is left.
inline bool nextLineOfChunk(std::string_view& lines, std::string_view& line) noexcept {
    if (lines.empty()) return false;
    const char* const end = lines.data() + lines.size();
    const auto* cr = static_cast<const char*>(std::memchr(lines.data(), '\r', lines.size()));
    if (cr == nullptr) {
        line = lines;
        lines = {};
        return true;
    }
    line = {lines.data(), static_cast<std::size_t>(cr - lines.data())};
    const char* rest = cr + 1;
    if (rest != end && *rest == '\n') ++rest;
    lines = {rest, static_cast<std::size_t>(end - rest)};
    return true;
}

// "Cannot read file: " and the path, then the system's reason on a second line.
std::string cannotReadMessage(std::string_view path, std::string_view reason);

// What the user is told when an exception stopped the conversion of `path`: the machine ran out
// of memory, or would not start another thread. Nothing has been written then.
std::string conversionStoppedMessage(std::string_view path, const std::exception& error);

// The first line of `path` (empty when the file has none); nothing, with a cannotReadMessage
// shown, when the file cannot be opened or read. Notes on how it was read are added to `notes`,
// when given.
std::optional<std::string> readFirstLine(const std::string& path, Messages& messages,
                                         std::vector<std::string>* notes = nullptr);

} // namespace vqd
