#include "files/file_access.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace vqd::files {

namespace {

// Named temporary files, known to the interrupt handler. It only reads: a slot's name is written
// before its folder is published, and the folder withdrawn before the name is used again.
struct TemporaryName {
    std::atomic<int> folder{-1};
    std::array<char, 16> name{};
};
std::array<TemporaryName, 32> temporaryNames;
std::mutex temporaryNamesMutex;

// While finished files are being put in place an interrupt waits, so that the set is never left
// half replaced.
std::atomic<int> placing{0};
std::atomic<int> deferredSignal{0};
std::atomic<bool> finishOncePlaced{false};

void removeTemporaryNames() noexcept {
    for (auto& temporary : temporaryNames) {
        const int folder = temporary.folder.load();
        if (folder >= 0) ::unlinkat(folder, temporary.name.data(), 0);
    }
}

void endByInterrupt(int signalNumber) noexcept {
    removeTemporaryNames();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Files are put in place on the thread that started the program; an interrupt is taken there
// too, so that it cannot slip between that thread's steps.
pthread_t mainThread;

extern "C" void onInterrupt(int signalNumber) {
    if (!::pthread_equal(::pthread_self(), mainThread)) {
        ::pthread_kill(mainThread, signalNumber);
        return;
    }
    if (placing.load() != 0) {
        deferredSignal.store(signalNumber);
        return;
    }
    endByInterrupt(signalNumber);
}

class InterruptsDeferred {
public:
    InterruptsDeferred() noexcept { placing.fetch_add(1); }
    ~InterruptsDeferred() {
        if (placing.fetch_sub(1) != 1) return;
        if (const int signalNumber = deferredSignal.exchange(0)) endByInterrupt(signalNumber);
    }
    InterruptsDeferred(const InterruptsDeferred&) = delete;
    InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;
};

void rememberTemporary(int folder, const std::string& name) {
    const std::lock_guard lock(temporaryNamesMutex);
    for (auto& temporary : temporaryNames) {
        if (temporary.folder.load() >= 0) continue;
        name.copy(temporary.name.data(), temporary.name.size() - 1);
        temporary.name[std::min(name.size(), temporary.name.size() - 1)] = '\0';
        temporary.folder.store(folder);
        return;
    }
}

void forgetTemporary(int folder, const std::string& name) {
    const std::lock_guard lock(temporaryNamesMutex);
    for (auto& temporary : temporaryNames) {
        if (temporary.folder.load() == folder && name == temporary.name.data())
            temporary.folder.store(-1);
    }
}

// Short, so that every name the system allows for an output leaves room for it, and hidden.
std::string temporaryName() {
    static constexpr char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string name = ".vqd-";
    for (int i = 0; i < 8; ++i)
        name.push_back(digits[generator() % 36]);
    return name;
}

// The name a symbolic link `path` points to, as a path; nothing when `path` is no link.
std::optional<std::string> linkedPath(const std::string& path) {
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return std::nullopt;
    std::vector<char> link(static_cast<std::size_t>(PATH_MAX) + 1);
    const auto size = ::readlink(path.c_str(), link.data(), link.size() - 1);
    if (size <= 0) return std::nullopt;
    const std::string linked(link.data(), static_cast<std::size_t>(size));
    const auto slash = path.rfind('/');
    if (linked.front() == '/' || slash == std::string::npos) return linked;
    return path.substr(0, slash + 1) + linked;
}

constexpr int maxLinkHops = 40;

// Standard input and the other open files named through /proc (/dev/stdin, /dev/fd/0) are streams
// whatever they were redirected from, and outputs named after them would land among the devices.
bool namesAnOpenStream(std::string path) {
    for (int hops = 0; hops < maxLinkHops; ++hops) {
        if (path.starts_with("/proc/")) return true;
        auto linked = linkedPath(path);
        if (!linked) return false;
        path = std::move(*linked);
    }
    return false;
}

// The file a name stands for, symbolic links followed: the folder and the name within it;
// nothing for links that never end.
std::optional<std::pair<std::string, std::string>> targetOf(std::string path) {
    for (int hops = 0;; ++hops) {
        auto linked = linkedPath(path);
        if (!linked) break;
        if (hops == maxLinkHops) return std::nullopt;
        path = std::move(*linked);
    }
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return std::pair<std::string, std::string>{".", path};
    return std::pair{slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

#ifdef O_TMPFILE
// An unnamed file is given its name through /proc; without it the file could not be kept.
bool unnamedFilesUsable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}
#endif

int openFolder(const std::string& path) {
#ifdef O_PATH
    return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
}

} // namespace

void Descriptor::reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string systemReason(int error) {
    if (error == notARegularFile) return "not a regular file";
    return std::generic_category().message(error);
}

Descriptor openForReading(const std::string& path, std::string& reason) {
    if (namesAnOpenStream(path)) {
        reason = systemReason(notARegularFile);
        return {};
    }
    // Not blocking: opening a pipe would otherwise wait for a writer.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    if (!file || ::fstat(file.get(), &status) != 0) {
        reason = systemReason(errno);
        return {};
    }
    if (S_ISDIR(status.st_mode)) {
        reason = systemReason(EISDIR);
        return {};
    }
    if (!S_ISREG(status.st_mode)) {
        reason = systemReason(notARegularFile);
        return {};
    }
    ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_NONBLOCK);
    return file;
}

std::string codePageText(std::string_view name) {
    return std::string(name);
}

std::string codePagePath(std::string_view name) {
    return std::string(name);
}

std::filesystem::path nativePath(const std::string& name) {
    return name;
}

std::ptrdiff_t readSome(const Descriptor& file, char* to, std::size_t size, std::string& reason) {
    for (;;) {
        const auto got = ::read(file.get(), to, size);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        reason = systemReason(errno);
        return -1;
    }
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

int PendingFile::create(const std::string& finalPath) {
    discard();
    if (namesAnOpenStream(finalPath)) return notARegularFile;
    auto target = targetOf(finalPath);
    if (!target) return ELOOP;
    auto& [folder, name] = *target;
    if (name.empty()) return EISDIR;
    folder_ = Descriptor(openFolder(folder));
    if (!folder_) return errno;
    name_ = std::move(name);
    struct stat earlier {};
    const bool replacing = ::fstatat(folder_.get(), name_.c_str(), &earlier, 0) == 0;
    // A folder of the final name could not be replaced at the end; a device or a pipe would be
    // replaced by a file.
    if (replacing && !S_ISREG(earlier.st_mode)) {
        discard();
        return S_ISDIR(earlier.st_mode) ? EISDIR : notARegularFile;
    }
#ifdef O_TMPFILE
    if (unnamedFilesUsable())
        file_ = Descriptor(::openat(folder_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
#endif
    for (int attempt = 0; attempt < 16 && !file_; ++attempt) {
        temporary_ = temporaryName();
        rememberTemporary(folder_.get(), temporary_);
        // Never a name that exists, so nobody else's file is ever truncated.
        file_ = Descriptor(::openat(folder_.get(), temporary_.c_str(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (file_) break;
        const int error = errno;
        forgetTemporary(folder_.get(), temporary_);
        temporary_.clear();
        if (error != EEXIST) {
            discard();
            return error;
        }
    }
    if (!file_) {
        discard();
        return EEXIST;
    }
    // A table the user made private stays private; the group only where the user may set it.
    if (replacing) {
        ::fchmod(file_.get(), earlier.st_mode & 07777);
        if (earlier.st_gid != ::getegid())
            (void)::fchown(file_.get(), static_cast<uid_t>(-1), earlier.st_gid);
    }
    return 0;
}

int PendingFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const auto written = ::write(file_.get(), data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

void PendingFile::discard() noexcept {
    file_.reset();
    if (!temporary_.empty()) {
        forgetTemporary(folder_.get(), temporary_);
        ::unlinkat(folder_.get(), temporary_.c_str(), 0);
        temporary_.clear();
    }
    folder_.reset();
    name_.clear();
}

int placeTogether(std::span<PendingFile* const> files, std::size_t& failed) {
    const InterruptsDeferred deferred;
    const std::size_t count = files.size();
    // A folder or a pipe made under an output's name during the run is found before anything
    // moves.
    for (std::size_t i = 0; i < count; ++i) {
        struct stat status {};
        if (::fstatat(files[i]->folder_.get(), files[i]->name_.c_str(), &status,
                      AT_SYMLINK_NOFOLLOW) == 0 &&
            !S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode)) {
            failed = i;
            return S_ISDIR(status.st_mode) ? EISDIR : notARegularFile;
        }
    }
    std::vector<std::string> aside(count);
    std::size_t moved = 0;
    std::size_t placed = 0;
    int error = 0;
    for (; moved < count && error == 0; ++moved) {
        const PendingFile& file = *files[moved];
        struct stat status {};
        if (::fstatat(file.folder_.get(), file.name_.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) error = errno;
        } else {
            aside[moved] = temporaryName();
            if (::renameat(file.folder_.get(), file.name_.c_str(), file.folder_.get(),
                           aside[moved].c_str()) != 0) {
                error = errno;
                aside[moved].clear();
            }
        }
        if (error != 0) failed = moved;
    }
    for (; placed < count && error == 0; ++placed) {
        PendingFile& file = *files[placed];
        int result = 0;
        if (file.temporary_.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(file.file_.get());
            result = ::linkat(AT_FDCWD, self.c_str(), file.folder_.get(), file.name_.c_str(),
                              AT_SYMLINK_FOLLOW);
        } else {
            result = ::renameat(file.folder_.get(), file.temporary_.c_str(), file.folder_.get(),
                                file.name_.c_str());
            if (result == 0) {
                forgetTemporary(file.folder_.get(), file.temporary_);
                file.temporary_.clear();
            }
        }
        if (result != 0) {
            error = errno;
            failed = placed;
            break;
        }
    }
    // An interrupt while the files were moving asks for the run not to have happened.
    if (error == 0 && deferredSignal.load() != 0) error = EINTR;
    if (error != 0) {
        for (std::size_t i = 0; i < placed; ++i)
            ::unlinkat(files[i]->folder_.get(), files[i]->name_.c_str(), 0);
        for (std::size_t i = 0; i < moved; ++i) {
            if (!aside[i].empty())
                ::renameat(files[i]->folder_.get(), aside[i].c_str(), files[i]->folder_.get(),
                           files[i]->name_.c_str());
        }
        return error;
    }
    // From here on an interrupt waits for good, and the program finishes.
    if (finishOncePlaced.load()) placing.fetch_add(1);
    for (std::size_t i = 0; i < count; ++i) {
        if (!aside[i].empty()) ::unlinkat(files[i]->folder_.get(), aside[i].c_str(), 0);
        files[i]->discard();
    }
    return 0;
}

void removeTemporaryFilesOnInterrupt(OncePlaced oncePlaced) {
    finishOncePlaced.store(oncePlaced == OncePlaced::finish);
    mainThread = ::pthread_self();
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        ::sigaction(signalNumber, nullptr, &current);
        // A program started to ignore hang-ups (nohup) keeps ignoring them.
        if (current.sa_handler == SIG_IGN) continue;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        // Not restarted: a write to a full pipe that nobody reads, cut short by an interrupt that
        // waits, must give up rather than keep the program waiting for good.
        action.sa_flags = 0;
        ::sigaction(signalNumber, &action, nullptr);
    }
    // An output beyond the user's file size limit (ulimit -f) is then a failed write, reported
    // and undone like a full disk, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
}

void endByWaitingInterrupt() {
    if (const int signalNumber = deferredSignal.exchange(0)) endByInterrupt(signalNumber);
}

} // namespace vqd::files
