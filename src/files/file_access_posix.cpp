#include "files/file_access.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/xattr.h>
#endif
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
constexpr std::string_view temporaryPrefix = ".vqd-";
constexpr std::size_t temporaryLetters = 8;

constexpr std::string_view temporaryDigits = "0123456789abcdefghijklmnopqrstuvwxyz";

std::string temporaryName() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::string name(temporaryPrefix);
    for (std::size_t i = 0; i < temporaryLetters; ++i)
        name.push_back(temporaryDigits[generator() % temporaryDigits.size()]);
    return name;
}

bool isTemporaryName(std::string_view name) {
    return name.size() == temporaryPrefix.size() + temporaryLetters &&
           name.starts_with(temporaryPrefix) &&
           name.find_first_not_of(temporaryDigits, temporaryPrefix.size()) == name.npos;
}

// Gives `make` fresh temporary names until one is free: 0 with that name, or the system's error
// number.
template <class Make> int underNewName(std::string& name, Make make) {
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        name = temporaryName();
        error = make(name.c_str());
    }
    if (error != 0) name.clear();
    return error;
}

int errorOf(int result) {
    return result == 0 ? 0 : errno;
}

// 0, or the system's error number; a file system that cannot sync such a file has nothing to
// write out.
int synced(int file) {
    return ::fsync(file) == 0 || errno == EINVAL || errno == EBADF ? 0 : errno;
}

// Hidden files of ours that no live run holds: left by a run that was killed or lost its power
// while it placed its files. A run's named temporary file is locked for as long as it is open.
void removeAbandonedTemporaries(int folder) {
    DIR* listing = ::fdopendir(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing == nullptr) return;
    while (const dirent* entry = ::readdir(listing)) {
        if (!isTemporaryName(entry->d_name)) continue;
        const Descriptor file(
            ::openat(folder, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat status {};
        if (file && ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode) &&
            ::flock(file.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, entry->d_name, 0);
    }
    ::closedir(listing);
}

// The folders of a set, each locked once, in the order of device and inode so that runs sharing
// several folders cannot wait for each other in a circle. The system releases a lock when its run
// ends, however it ends. Where a folder cannot be locked (a network file system without locks),
// runs are not kept apart there and nothing is taken for abandoned.
class FolderLocks {
public:
    explicit FolderLocks(std::vector<int> folders) {
        const auto identity = [](int folder) {
            struct stat status {};
            ::fstat(folder, &status);
            return std::pair{status.st_dev, status.st_ino};
        };
        std::sort(folders.begin(), folders.end(),
                  [&](int a, int b) { return identity(a) < identity(b); });
        for (std::size_t i = 0; i < folders.size(); ++i) {
            if (i > 0 && identity(folders[i]) == identity(folders[i - 1])) continue;
            // Its own descriptor, so that the lock lasts until this object ends.
            folders_.emplace_back(::fcntl(folders[i], F_DUPFD_CLOEXEC, 0));
            int locked = 0;
            while ((locked = ::flock(folders_.back().get(), LOCK_EX)) != 0 && errno == EINTR) {
            }
            if (locked == 0) removeAbandonedTemporaries(folders[i]);
        }
    }
    ~FolderLocks() {
        for (const auto& folder : folders_)
            ::flock(folder.get(), LOCK_UN);
    }
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

    // The new names written out to the disk.
    int sync() const {
        for (const auto& folder : folders_) {
            if (const int error = synced(folder.get())) return error;
        }
        return 0;
    }

private:
    std::vector<Descriptor> folders_;
};

#ifdef __linux__
// The earlier file's extended attributes on the new one: its access control list, its security
// labels and the user's own. False when an access rule among them could not be copied.
bool copyAttributes(const std::string& from, int to) {
    auto size = ::listxattr(from.c_str(), nullptr, 0);
    if (size < 0) return errno == ENOTSUP; // a file system without them
    std::vector<char> names(static_cast<std::size_t>(size));
    size = ::listxattr(from.c_str(), names.data(), names.size());
    if (size < 0) return false;
    bool kept = true;
    for (const char* name = names.data(); name < names.data() + size;
         name += std::strlen(name) + 1) {
        const auto length = ::getxattr(from.c_str(), name, nullptr, 0);
        std::vector<char> value(static_cast<std::size_t>(std::max<ssize_t>(length, 0)));
        const bool copied = length >= 0 &&
                            ::getxattr(from.c_str(), name, value.data(), value.size()) == length &&
                            ::fsetxattr(to, name, value.data(), value.size(), 0) == 0;
        if (!copied && std::string_view(name).starts_with("system.")) kept = false;
    }
    return kept;
}
#else
bool copyAttributes(const std::string&, int) {
    return true;
}
#endif

// What the user set on the earlier file, on its replacement. Where the group cannot be kept, the
// group's rights would go to another group; where the access control list cannot, the mode's
// group bits stand for its widest entry: both are dropped rather than opened up.
void keepAccess(int file, const std::string& earlierPath, const struct stat& earlier) {
    mode_t mode = earlier.st_mode & 07777;
    // Run by the administrator, the file stays its owner's.
    if (::fchown(file, earlier.st_uid, earlier.st_gid) != 0 &&
        ::fchown(file, static_cast<uid_t>(-1), earlier.st_gid) != 0)
        mode &= ~mode_t{070};
    ::fchmod(file, mode);
    if (!copyAttributes(earlierPath, file)) ::fchmod(file, mode & 0700);
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
    // The folder keeps its closing slash, so that it is whole also for the root, and the
    // folder and the name joined are the path.
    const auto nameStart = path.rfind('/') + 1; // 0 where there is no slash
    return std::pair{nameStart == 0 ? "./" : path.substr(0, nameStart), path.substr(nameStart)};
}

#ifdef O_TMPFILE
// An unnamed file is given its name through /proc; without it the file could not be kept.
bool unnamedFilesUsable() {
    static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
    return usable;
}
#endif

// Puts the new file, under its temporary name, in the place of `target`, which holds one of the
// two at every moment; the earlier file waits under `aside` until the set stands. The two swap
// names where the file system can; otherwise the earlier file gets a second name (or moves there,
// where a file can have only one) and the new one is renamed over it.
int replace(int folder, const std::string& target, const std::string& temporary,
            std::string& aside) {
    const char* name = target.c_str();
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return errno;
        return errorOf(::renameat(folder, temporary.c_str(), folder, name));
    }
#ifdef RENAME_EXCHANGE
    if (::renameat2(folder, temporary.c_str(), folder, name, RENAME_EXCHANGE) == 0) {
        aside = temporary;
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
    bool moved = false;
    if (const int error = underNewName(aside, [&](const char* kept) {
            const int linked = errorOf(::linkat(folder, name, folder, kept, 0));
            if (linked == 0 || linked == EEXIST) return linked;
            moved = true;
            return errorOf(::renameat(folder, name, folder, kept));
        }))
        return error;
    if (::renameat(folder, temporary.c_str(), folder, name) == 0) return 0;
    const int error = errno;
    if (moved)
        ::renameat(folder, aside.c_str(), folder, name);
    else
        ::unlinkat(folder, aside.c_str(), 0);
    aside.clear();
    return error;
}

// The earlier file back under its name, again in one step; or the name gone where there was none.
void putBack(int folder, const std::string& target, const std::string& aside) {
    if (aside.empty())
        ::unlinkat(folder, target.c_str(), 0);
    else
        ::renameat(folder, aside.c_str(), folder, target.c_str());
}

// Readable, so that it can be locked, listed and written out; a folder the user may write into
// but not list is still written into.
int openFolder(const std::string& path) {
    const int folder = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#ifdef O_PATH
    if (folder < 0 && errno == EACCES)
        return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
#endif
    return folder;
}

} // namespace

void Descriptor::reset() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int Descriptor::close() noexcept {
    // The descriptor is gone whatever close says; an interrupted close has lost nothing.
    const int result = ::close(std::exchange(fd_, -1));
    return result == 0 || errno == EINTR ? 0 : errno;
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
    // Nobody else may open a replacement before it has the earlier file's rights.
    const mode_t mode = replacing ? 0600 : 0666;
#ifdef O_TMPFILE
    if (unnamedFilesUsable())
        file_ = Descriptor(::openat(folder_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
#endif
    if (!file_) {
        // Made and locked while no run clears the folder of abandoned temporary files, so that
        // none takes this one for abandoned.
        ::flock(folder_.get(), LOCK_SH);
        const int error = underNewName(temporary_, [&](const char* temporary) {
            rememberTemporary(folder_.get(), temporary);
            // Never a name that exists, so nobody else's file is ever truncated.
            file_ = Descriptor(
                ::openat(folder_.get(), temporary, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            const int opened = file_ ? 0 : errno;
            if (file_)
                ::flock(file_.get(), LOCK_EX | LOCK_NB);
            else
                forgetTemporary(folder_.get(), temporary);
            return opened;
        });
        ::flock(folder_.get(), LOCK_UN);
        if (error != 0) {
            discard();
            return error;
        }
    }
    if (replacing) keepAccess(file_.get(), folder + name_, earlier);
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
    const std::size_t count = files.size();
    failed = 0;
    int error = 0;
    const auto failAt = [&](std::size_t i, int reason) {
        failed = i;
        error = reason;
    };
    // Whole on the disk before any name changes, so that after a power cut each name holds a
    // whole file.
    for (std::size_t i = 0; i < count && error == 0; ++i) {
        if (const int reason = synced(files[i]->file_.get())) failAt(i, reason);
    }
    if (error != 0) return error;
    std::vector<int> folders;
    for (const PendingFile* file : files)
        folders.push_back(file->folder_.get());
    const FolderLocks locks(std::move(folders));
    const InterruptsDeferred deferred;
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
    // Each new file gets a name beside its target and is closed: a file system that reports a
    // failed write only then stops the run here.
    for (std::size_t i = 0; i < count && error == 0; ++i) {
        PendingFile& file = *files[i];
        int reason = 0;
        if (file.temporary_.empty()) {
            const std::string self = "/proc/self/fd/" + std::to_string(file.file_.get());
            reason = underNewName(file.temporary_, [&](const char* temporary) {
                return errorOf(::linkat(AT_FDCWD, self.c_str(), file.folder_.get(), temporary,
                                        AT_SYMLINK_FOLLOW));
            });
        }
        if (reason == 0) reason = file.file_.close();
        if (reason != 0) failAt(i, reason);
    }
    std::vector<std::string> aside(count);
    std::size_t placed = 0;
    for (; placed < count && error == 0; ++placed) {
        PendingFile& file = *files[placed];
        if (const int reason =
                replace(file.folder_.get(), file.name_, file.temporary_, aside[placed])) {
            failAt(placed, reason);
            break;
        }
        forgetTemporary(file.folder_.get(), file.temporary_);
        file.temporary_.clear();
    }
    if (error == 0) error = locks.sync();
    // An interrupt while the files were moving asks for the run not to have happened.
    if (error == 0 && deferredSignal.load() != 0) error = EINTR;
    if (error != 0) {
        for (std::size_t i = 0; i < placed; ++i)
            putBack(files[i]->folder_.get(), files[i]->name_, aside[i]);
        for (PendingFile* file : files)
            file->discard();
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
