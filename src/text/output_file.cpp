#include "text/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace vqd {

namespace {
// Large writes: the kernel's cost per call is paid once per megabyte, not per line.
constexpr std::size_t bufferSize = 128 << 10;
// Texts this large are written without copying them into the buffer first.
constexpr std::size_t directWriteSize = 16 << 10;
static_assert(directWriteSize <= bufferSize, "a buffered text fits a flushed buffer");

std::string temporaryNameFor(const std::string& finalPath) {
    static std::mt19937_64 generator{std::random_device{}()};
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string name = finalPath + ".part-";
    for (int i = 0; i < 8; ++i)
        name.push_back(digits[generator() % 36]);
    return name;
}
} // namespace

AtomicOutputFile::~AtomicOutputFile() {
    discard();
}

bool AtomicOutputFile::create(std::string finalPath) {
    discard();
    finalPath_ = std::move(finalPath);
    error_.clear();
    used_ = 0;
    // A folder of the final name could not be replaced at the end; refuse before writing anything.
    std::error_code ignored;
    if (std::filesystem::is_directory(finalPath_, ignored)) {
        fail(EISDIR);
        return false;
    }
    for (int attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
        tempPath_ = temporaryNameFor(finalPath_);
        errno = 0;
        // "x": never reuse a name that exists, so nobody else's file is ever truncated.
        file_ = std::fopen(tempPath_.c_str(), "wbx");
        if (file_ == nullptr && errno != EEXIST) break;
    }
    if (file_ == nullptr) {
        fail(errno != 0 ? errno : EIO);
        tempPath_.clear();
        return false;
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
    return true;
}

void AtomicOutputFile::write(std::string_view text) {
    // A chunk without history or log lines is empty, its text possibly without any storage.
    if (file_ == nullptr || text.empty()) return;
    // A converted chunk goes to the file as it is rather than through the buffer.
    if (text.size() >= directWriteSize) {
        flush();
        errno = 0;
        if (file_ != nullptr && std::fwrite(text.data(), 1, text.size(), file_) != text.size())
            fail(errno != 0 ? errno : EIO);
        return;
    }
    // Shorter than the buffer, so it always fits once the buffer is flushed.
    if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(bufferSize);
    if (bufferSize - used_ < text.size()) flush();
    std::memcpy(buffer_.get() + used_, text.data(), text.size());
    used_ += text.size();
}

void AtomicOutputFile::writeLine(std::string_view text) {
    write(text);
    write("\r\n");
}

void AtomicOutputFile::flush() {
    if (file_ != nullptr && used_ > 0) {
        errno = 0;
        const auto written = std::fwrite(buffer_.get(), 1, used_, file_);
        if (written != used_) fail(errno != 0 ? errno : EIO);
    }
    used_ = 0;
}

void AtomicOutputFile::fail(int error) {
    if (error_.empty()) error_ = std::generic_category().message(error);
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

bool AtomicOutputFile::finish() {
    flush();
    if (file_ != nullptr) {
        errno = 0;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (!closed) fail(errno != 0 ? errno : EIO);
    }
    return ok();
}

bool AtomicOutputFile::commit() {
    if (!finish() || tempPath_.empty()) return false;
    std::error_code error;
    std::filesystem::rename(tempPath_, finalPath_, error);
    if (error) {
        if (error_.empty()) error_ = error.message();
        return false;
    }
    tempPath_.clear();
    return true;
}

void AtomicOutputFile::discard() noexcept {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!tempPath_.empty()) {
        std::error_code ignored;
        std::filesystem::remove(tempPath_, ignored);
        tempPath_.clear();
    }
    used_ = 0;
}

std::string AtomicOutputFile::failureMessage() const {
    std::string message = "Cannot write file: " + finalPath_;
    if (!error_.empty()) message += "\n" + error_;
    return message;
}

} // namespace vqd
