#pragma once
// Output files that replace their final name only when the whole action has succeeded.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vqd {

// Written to a temporary file beside `finalPath`, then renamed into place by commit(). Until
// then an existing file of the final name is untouched; discard() (or destruction without a
// commit) removes the temporary file. Writes are buffered; the first failure is kept and every
// later call is a no-op, so callers check ok() at the points where they can stop.
class AtomicOutputFile {
public:
    AtomicOutputFile() = default;
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    bool create(std::string finalPath);
    void write(std::string_view text);
    void writeLine(std::string_view text); // the text and CR LF
    // Flushes and closes the temporary file; false (with error()) when anything failed.
    bool finish();
    // Renames the finished temporary file to the final name.
    bool commit();
    void discard() noexcept;

    bool ok() const noexcept { return error_.empty(); }
    const std::string& error() const noexcept { return error_; }
    const std::string& finalPath() const noexcept { return finalPath_; }
    std::string failureMessage() const; // "Cannot write file: " and the path, then the reason

private:
    void flush();
    void fail(int error);

    std::FILE* file_ = nullptr;
    std::string finalPath_;
    std::string tempPath_;
    std::unique_ptr<char[]> buffer_; // made at the first text short enough to be buffered
    std::size_t used_ = 0;
    std::string error_;
};

} // namespace vqd
