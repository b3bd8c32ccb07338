#pragma once
// The few file-system operations the engine needs, behind one seam so that each platform has its
// own source file: reading a regular file, writing a new file beside its final name, and putting
// finished files in place together.
//
// Names and texts: a file name handed to this seam is in the seam's own form, the bytes as they
// are on POSIX, UTF-8 on Windows (opened through the wide-character API, so that every name the
// system allows works). Every other text (file contents, typed names and total codes, messages)
// is in the platform's 8-bit code page, the ANSI code page on Windows, so that a total code typed
// by the user matches a table a Windows program wrote; a name turns into such a text through
// codePageText wherever it is shown or written into a file.

#include "text/numbers.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace vqd::files {

// An open file, closed with the object.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) noexcept : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    void reset() noexcept;
    // Closes the file now: 0, or the system's error number, for file systems that report a
    // failed write only then.
    int close() noexcept;

private:
    int fd_ = -1;
};

// The seam's own error for a name that stands for a pipe, a device or an open stream: read, it
// would wait for a writer, be read only once or never end; replaced, it would no longer be one.
inline constexpr int notARegularFile = -1;

// The system's text for an error number of this seam (errno on POSIX, the system's error code
// on Windows, or notARegularFile), in the platform's code page.
std::string systemReason(int error);

// A name in the seam's form as a text of the platform's code page: for messages, for names
// written into files, and for typed texts that reach the program in the seam's form (the command
// line's arguments on Windows). Characters the code page lacks become '?'. The same bytes on POSIX.
std::string codePageText(std::string_view name);

// A file's name as written into an output for another program of this system to open: its
// code-page text or, where the code page lacks one of its letters, the system's short name for
// the same file when that has none it lacks. The same bytes on POSIX.
std::string codePagePath(std::string_view name);

// A name as a message shows it: its code-page text, control characters escaped (messageText).
inline std::string messageName(std::string_view name) {
    return messageText(codePageText(name));
}

// A name in the seam's form for the standard library's file-system functions.
std::filesystem::path nativePath(const std::string& name);

// Opens `path` for reading when it names a regular file. Otherwise an empty descriptor and the
// reason: the system's, or "not a regular file" for a pipe or a device, which would wait for a
// writer, could be read only once, or never end.
Descriptor openForReading(const std::string& path, std::string& reason);

// Up to `size` bytes into `to`: the count, 0 at the end of the file, -1 with `reason` on failure.
std::ptrdiff_t readSome(const Descriptor& file, char* to, std::size_t size, std::string& reason);

// Whether the two names stand for one existing file, compared as files (device and inode), not as
// spellings: "z.csv", "./z.csv" and a symbolic link to it are one file.
bool sameFile(const std::string& a, const std::string& b);

// A new file written beside the file its final name stands for (the target of a symbolic link,
// which stays a link). Unnamed where the system allows, so that a run killed on the way leaves
// nothing behind; otherwise under a short hidden name that an interrupt removes. It takes what the
// user set on the earlier file it is to replace: permission bits, group, extended attributes (the
// access control list among them) and, for the administrator, the owner; where any of that cannot
// be kept, it is never more open than the earlier file. A new file gets the usual mode of the
// user's umask.
class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // 0, or the system's error number. An earlier file of the final name must be a regular
    // file.
    int create(const std::string& finalPath);
    int write(const char* data, std::size_t size);
    // Removes the new file; the final name is left as it was.
    void discard() noexcept;
    bool created() const noexcept { return static_cast<bool>(file_); }

private:
    friend int placeTogether(std::span<PendingFile* const>, std::size_t&);

    Descriptor folder_;     // of the target
    std::string name_;      // the target's name within its folder
    Descriptor file_;       // the new file, open until it is in place
    std::string temporary_; // its name in the folder; empty while it has none
};

// Puts the pending files in place as one step, as far as the file system allows. Each new file is
// written out to the disk first; runs that place files into the same folders then wait for each
// other, so that a set is always one run's. Each name is replaced by an atomic exchange (or a
// rename over the earlier file where the file system has no exchange), so that it holds the
// earlier or the new file at every moment; on any failure the earlier files are put back the same
// way, so that a failed run leaves exactly the earlier set. Temporary files that a killed run left
// in those folders are removed. Interrupts wait until it is done. 0, or the system's error number
// with `failed` the index of the file that could not be written out or replaced.
int placeTogether(std::span<PendingFile* const> files, std::size_t& failed);

// What an interrupt that comes once a set of files is in place does: a program whose run ends
// with its one action finishes, its files standing and its exit saying so; a window that goes on
// to other actions ends as it would have.
enum class OncePlaced { endAsUsual, finish };

// Makes an interrupt (SIGINT, SIGTERM and SIGHUP; on Windows Ctrl+C, Ctrl+Break and closing the
// console) remove the named temporary files of pending outputs before the program ends as it
// would have. One that comes while a set is put in place puts the earlier files back first. The
// programs call it once at start, on the thread that puts their files in place. A write beyond
// the user's file size limit fails ("File too large") instead of ending the program.
void removeTemporaryFilesOnInterrupt(OncePlaced oncePlaced);

// Ends the program by an interrupt that waits for it to finish once its files stand, if one
// came. For a write to standard output or error that such an interrupt cut short: a full pipe
// that nobody reads would otherwise keep the program waiting for good.
void endByWaitingInterrupt();

} // namespace vqd::files
