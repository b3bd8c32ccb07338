#pragma once
// Output files that replace their final names only when the whole action has succeeded, all of
// an action's outputs together, and never one of the action's own inputs.

#include "files/file_access.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vqd {

// Written to a new file beside `finalPath` and put in place by an OutputSet's commit. Until then
// an existing file of the final name is untouched; discarding (or destruction without a commit)
// removes the new file. Writes are buffered; the first failure is kept and every later call is a
// no-op, so callers check ok() at the points where they can stop.
class AtomicOutputFile {
public:
    AtomicOutputFile() = default;
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    bool create(std::string finalPath);
    void write(std::string_view text);
    void writeLine(std::string_view text); // the text and CR LF
    // Writes out what is buffered; false (with error()) when anything failed.
    bool finish();
    void discard() noexcept;

    bool ok() const noexcept { return error_.empty(); }
    const std::string& error() const noexcept { return error_; }
    const std::string& finalPath() const noexcept { return finalPath_; }
    std::string failureMessage() const; // "Cannot write file: " and the path, then the reason

private:
    friend class OutputSet;
    void flush();
    void fail(int error);

    files::PendingFile file_;
    std::string finalPath_;
    std::unique_ptr<char[]> buffer_; // made at the first text short enough to be buffered
    std::size_t used_ = 0;
    std::string error_;
};

// A file the action reads, by the role the user knows it by ("ZAVEK output file").
struct InputFile {
    std::string_view role;
    const std::string& path;
};

// The outputs of one action, put in place together.
class OutputSet {
public:
    // Refuses an output that is one of `inputs` or another output (compared as files, not as
    // spellings) before anything is created, then creates each output. False with
    // failureMessage() set otherwise; nothing is left behind then.
    bool create(std::span<const std::string> finalPaths, std::span<const InputFile> inputs);
    AtomicOutputFile& operator[](std::size_t i) { return *files_[i]; }
    // Whether every file has been written without failure so far.
    bool ok() const noexcept;
    // Finishes every file and puts them all in place, or none: a failure leaves exactly the
    // earlier files.
    bool commit();
    std::string failureMessage() const;

private:
    std::vector<std::unique_ptr<AtomicOutputFile>> files_;
    std::string refusal_; // why the set could not be made or put in place
};

} // namespace vqd
