#include "files/output_file.h"

#include <cerrno>
#include <cstring>

namespace vqd {

namespace {
// Large writes: the system's cost per call is paid once per 128 KiB, not per line.
constexpr std::size_t bufferSize = 128 << 10;
// Texts this large are written without copying them into the buffer first.
constexpr std::size_t directWriteSize = 16 << 10;
static_assert(directWriteSize <= bufferSize, "a buffered text fits a flushed buffer");
} // namespace

bool AtomicOutputFile::create(std::string finalPath) {
    discard();
    finalPath_ = std::move(finalPath);
    error_.clear();
    if (const int error = file_.create(finalPath_)) {
        fail(error);
        return false;
    }
    return true;
}

void AtomicOutputFile::write(std::string_view text) {
    // A chunk without history or log lines is empty, its text possibly without any storage.
    if (!file_.created() || text.empty()) return;
    // A converted chunk goes to the file as it is rather than through the buffer.
    if (text.size() >= directWriteSize) {
        flush();
        if (file_.created()) {
            if (const int error = file_.write(text.data(), text.size())) fail(error);
        }
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
    if (file_.created() && used_ > 0) {
        if (const int error = file_.write(buffer_.get(), used_)) fail(error);
    }
    used_ = 0;
}

void AtomicOutputFile::fail(int error) {
    if (error_.empty()) error_ = files::systemReason(error != 0 ? error : EIO);
    file_.discard();
}

bool AtomicOutputFile::finish() {
    flush();
    return ok();
}

void AtomicOutputFile::discard() noexcept {
    file_.discard();
    used_ = 0;
}

std::string AtomicOutputFile::failureMessage() const {
    std::string message = "Cannot write file: " + files::messageName(finalPath_);
    if (!error_.empty()) message += "\n" + error_;
    return message;
}

bool OutputSet::create(std::span<const std::string> finalPaths, std::span<const InputFile> inputs) {
    files_.clear();
    refusal_.clear();
    for (std::size_t i = 0; i < finalPaths.size(); ++i) {
        const std::string& output = finalPaths[i];
        const auto refuse = [&](std::string_view role, const std::string& path) {
            refusal_ = "The output file ";
            if (output != path) refusal_ += files::messageName(output) + " ";
            refusal_ += "is the same file as the ";
            refusal_ += role;
            refusal_ += ": " + files::messageName(path);
            return false;
        };
        for (const InputFile& input : inputs) {
            if (files::sameFile(output, input.path)) return refuse(input.role, input.path);
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (files::sameFile(output, finalPaths[j])) return refuse("output file", finalPaths[j]);
        }
    }
    for (const std::string& path : finalPaths) {
        files_.push_back(std::make_unique<AtomicOutputFile>());
        if (!files_.back()->create(path)) {
            refusal_ = files_.back()->failureMessage();
            files_.clear();
            return false;
        }
    }
    return true;
}

bool OutputSet::ok() const noexcept {
    if (!refusal_.empty()) return false;
    for (const auto& file : files_) {
        if (!file->ok()) return false;
    }
    return true;
}

bool OutputSet::commit() {
    std::vector<files::PendingFile*> pending;
    for (const auto& file : files_) {
        file->finish();
        pending.push_back(&file->file_);
    }
    std::size_t failed = 0;
    if (ok()) {
        const int error = files::placeTogether(pending, failed);
        if (error == 0) return true;
        files_[failed]->fail(error);
    }
    // Where new files have names (Windows), none is left behind for as long as the set lives.
    for (const auto& file : files_)
        file->discard();
    return false;
}

std::string OutputSet::failureMessage() const {
    if (!refusal_.empty()) return refusal_;
    for (const auto& file : files_) {
        if (!file->ok()) return file->failureMessage();
    }
    return {};
}

} // namespace vqd
