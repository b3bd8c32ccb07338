#include "files/file_access.h"

// Windows: names arrive as UTF-8 and are opened through the wide-character API; every other text
// is in the ANSI code page (see file_access.h). Error numbers are the system's error codes. There
// are no unnamed files: a new output is written under a short temporary name beside its final
// name, which an interrupt from the console removes.

#include "files/windows_text.h"

#include <algorithm>
#include <atomic>
#include <compare>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <mutex>
#include <random>
#include <string_view>
#include <utility>
#include <vector>

namespace vqd::files {

namespace {

using windows::narrowOf;
using windows::wideOf;

// The name for the system's calls. One near the classic limit of 260 characters is made absolute
// and given the prefix that lifts the limit, so that its temporary file beside it fits as well.
std::wstring systemName(const std::string& name) {
    std::wstring wide = wideOf(name);
    constexpr std::size_t temporaryRoom = 16;
    if (wide.size() + temporaryRoom < MAX_PATH || wide.starts_with(L"\\\\?\\")) return wide;
    const DWORD size = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (size == 0) return wide;
    std::wstring full(size, L'\0');
    full.resize(::GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
    if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

// Where the folder part of a name ends: after its last separator, or after the colon of a drive
// letter ("C:name" is relative to that drive's current folder).
std::size_t folderEnd(const std::wstring& name) {
    const auto separator = name.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? 0 : separator + 1;
}

// Short, so that every name the system allows for an output leaves room for it.
constexpr std::wstring_view temporaryPrefix = L".vqd-";
constexpr std::size_t temporaryLetters = 8;

constexpr std::wstring_view temporaryDigits = L"0123456789abcdefghijklmnopqrstuvwxyz";

std::wstring temporaryName() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::wstring name(temporaryPrefix);
    for (std::size_t i = 0; i < temporaryLetters; ++i)
        name.push_back(temporaryDigits[generator() % temporaryDigits.size()]);
    return name;
}

bool isTemporaryName(std::wstring_view name) {
    return name.size() == temporaryPrefix.size() + temporaryLetters &&
           name.starts_with(temporaryPrefix) &&
           name.find_first_not_of(temporaryDigits, temporaryPrefix.size()) == name.npos;
}

constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A folder where a file is expected. The system has no error code of its own for that which every
// version can put in words, so this is one of the codes the system leaves to programs.
constexpr DWORD errorFolder = 0x20000000 | 21;

HANDLE handleOf(const Descriptor& file) {
    return reinterpret_cast<HANDLE>(::_get_osfhandle(file.get()));
}

// The handle as a C runtime descriptor, which owns it from then on.
Descriptor adopt(HANDLE handle, int flags) {
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY);
    if (fd < 0) ::CloseHandle(handle);
    return Descriptor(fd);
}

// The file a name stands for: the target of a symbolic link, which stays a link.
std::wstring finalTargetOf(const std::wstring& name) {
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return name;
    const HANDLE file = ::CreateFileW(name.c_str(), 0, shareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return name;
    std::wstring target(MAX_PATH, L'\0');
    DWORD length = ::GetFinalPathNameByHandleW(file, target.data(), MAX_PATH, FILE_NAME_NORMALIZED);
    if (length >= MAX_PATH) {
        target.resize(length);
        length = ::GetFinalPathNameByHandleW(file, target.data(), length, FILE_NAME_NORMALIZED);
    }
    ::CloseHandle(file);
    if (length == 0 || length >= target.size()) return name;
    target.resize(length);
    return target;
}

// 0 when a new file can take the name's place: a folder cannot be replaced, a device (NUL, CON,
// COM1) or a pipe would be lost, and a read-only file is one the user has said must not change.
DWORD unreplaceable(const std::wstring& name) {
    std::wstring full(MAX_PATH, L'\0');
    full.resize(::GetFullPathNameW(name.c_str(), MAX_PATH, full.data(), nullptr));
    if (full.starts_with(L"\\\\.\\")) return static_cast<DWORD>(notARegularFile);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return errorFolder;
    const HANDLE file = ::CreateFileW(name.c_str(), 0, shareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        const bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
        ::CloseHandle(file);
        if (!disk) return static_cast<DWORD>(notARegularFile);
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return ERROR_ACCESS_DENIED;
    return 0;
}

// Virus scanners, indexers and backup programs open new and replaced files for a moment; a step
// that meets one is tried again for about a second before it counts as failed.
template <class Step> DWORD retrying(Step step) {
    constexpr int attempts = 20;
    for (int attempt = 1;; ++attempt) {
        if (step()) return 0;
        const DWORD error = ::GetLastError();
        const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
                          error == ERROR_ACCESS_DENIED;
        if (!held || attempt == attempts) return error;
        ::Sleep(50);
    }
}

DWORD moveFile(const std::wstring& from, const std::wstring& to, DWORD flags) {
    return retrying([&] { return ::MoveFileExW(from.c_str(), to.c_str(), flags) != 0; });
}

DWORD removeFile(const std::wstring& name) {
    return retrying([&] { return ::DeleteFileW(name.c_str()) != 0; });
}

// Renamed over the target, the new name on the disk before the call returns.
constexpr DWORD replacing = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// Puts the new file in the place of `target`; the earlier file waits under `aside` until the set
// stands. Where the volume has hard links the earlier file gets a second name and the new one is
// renamed over it, so that `target` holds one of the two at every moment; without them (FAT) the
// earlier file moves aside first.
DWORD replace(const std::wstring& target, const std::wstring& temporary, std::wstring& aside) {
    if (::GetFileAttributesW(target.c_str()) == INVALID_FILE_ATTRIBUTES)
        return moveFile(temporary, target, replacing);
    // An earlier file that another program holds open without letting others delete it, as
    // editors do, cannot be replaced: found before it gets a second name.
    if (const DWORD error = retrying([&] {
            const HANDLE file =
                ::CreateFileW(target.c_str(), DELETE, shareAll, nullptr, OPEN_EXISTING, 0, nullptr);
            return file != INVALID_HANDLE_VALUE && ::CloseHandle(file);
        }))
        return error;
    bool moved = false;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0;
         attempt < 16 && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS); ++attempt) {
        aside = target.substr(0, folderEnd(target)) + temporaryName();
        error = ::CreateHardLinkW(aside.c_str(), target.c_str(), nullptr) ? 0 : ::GetLastError();
        if (error != 0 && error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            moved = true;
            error = moveFile(target, aside, 0);
        }
    }
    if (error == 0) error = moveFile(temporary, target, replacing);
    if (error == 0) return 0;
    if (moved)
        moveFile(aside, target, 0);
    else
        removeFile(aside);
    aside.clear();
    return error;
}

// Named temporary files, known to the console's interrupt handler. After an interrupt has removed
// them no new one is made: the program is ending.
std::mutex temporaryNamesMutex;
std::vector<std::wstring> temporaryNames;
bool interrupted = false;

// While finished files are being put in place an interrupt waits, so that the set is never left
// half replaced.
std::atomic<int> placing{0};
// An interrupt is waiting for the files to be placed; it asks for the earlier ones back.
std::atomic<bool> interruptWaiting{false};
std::atomic<bool> finishOncePlaced{false};
// Set once a set is placed by a program that then finishes.
std::atomic<bool> finishing{false};

DWORD createTemporary(const std::wstring& name, HANDLE& file) {
    const std::lock_guard lock(temporaryNamesMutex);
    if (interrupted) return ERROR_OPERATION_ABORTED;
    // Never a name that exists, so nobody else's file is ever truncated. Sharing deletion lets the
    // interrupt handler remove it while it is open.
    file = ::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ::GetLastError();
    temporaryNames.push_back(name);
    return 0;
}

void forgetTemporary(const std::wstring& name) {
    const std::lock_guard lock(temporaryNamesMutex);
    std::erase(temporaryNames, name);
}

// Called by the system on a thread of its own, so it can wait and take locks.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    interruptWaiting.store(true);
    // Placing starts and ends under the same lock, so it cannot begin once this has looked.
    for (;; ::Sleep(10)) {
        const std::lock_guard lock(temporaryNamesMutex);
        if (placing.load() != 0) continue;
        // The program's files stand: it finishes and says so.
        if (finishing.load()) return TRUE;
        interrupted = true;
        for (const auto& name : temporaryNames)
            ::DeleteFileW(name.c_str());
        temporaryNames.clear();
        return FALSE; // the system's own handler ends the program as it would have
    }
}

class InterruptsDeferred {
public:
    // Not entered once an interrupt has removed the new files: nothing may move then.
    InterruptsDeferred() {
        const std::lock_guard lock(temporaryNamesMutex);
        entered_ = !interrupted;
        if (entered_) placing.fetch_add(1);
    }
    ~InterruptsDeferred() {
        const std::lock_guard lock(temporaryNamesMutex);
        if (entered_) placing.fetch_sub(1);
    }
    bool entered() const noexcept { return entered_; }
    InterruptsDeferred(const InterruptsDeferred&) = delete;
    InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;

private:
    bool entered_ = false;
};

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

bool identify(const std::wstring& name, FileIdentity& identity) {
    const HANDLE file = ::CreateFileW(name.c_str(), 0, shareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = ::GetFileInformationByHandle(file, &information) != 0;
    ::CloseHandle(file);
    identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                information.nFileIndexLow};
    return known;
}

// Hidden files of ours that no live run holds open: left by a run that was killed or lost its
// power while it placed its files.
void removeAbandonedTemporaries(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L".vqd-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!isTemporaryName(found.cFileName)) continue;
        const HANDLE file = ::CreateFileW((folder + found.cFileName).c_str(), DELETE, 0, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// The folders of a set, each locked once, in the order of volume and file index so that runs
// sharing several folders cannot wait for each other in a circle. The lock is a hidden file beside
// the outputs that one run at a time can open; the system closes it, and so removes it, when its
// run ends, however it ends. Where none can be made, runs are not kept apart there and nothing is
// taken for abandoned.
class FolderLocks {
public:
    explicit FolderLocks(const std::vector<std::wstring>& folders) {
        // Folders that cannot be told apart by their file index are by their names.
        std::vector<std::pair<FileIdentity, std::wstring>> known;
        for (const auto& folder : folders) {
            FileIdentity identity;
            const bool found = identify(
                folder.empty() || folder.back() == L':' ? folder + L"." : folder, identity);
            known.emplace_back(found ? identity : FileIdentity{}, folder);
        }
        std::sort(known.begin(), known.end());
        for (std::size_t i = 0; i < known.size(); ++i) {
            const bool seen = i > 0 && known[i].first == known[i - 1].first &&
                              (known[i].first != FileIdentity{} || known[i] == known[i - 1]);
            if (!seen) lock(known[i].second);
        }
    }
    ~FolderLocks() {
        for (const HANDLE lock : locks_)
            ::CloseHandle(lock);
    }
    FolderLocks(const FolderLocks&) = delete;
    FolderLocks& operator=(const FolderLocks&) = delete;

private:
    // Waits for as long as another run holds it; a folder where it cannot be made is tried for
    // about a second, as a file a scanner holds.
    void lock(const std::wstring& folder) {
        constexpr int attempts = 100;
        for (int denied = 0; denied < attempts; ::Sleep(10)) {
            const HANDLE lock =
                ::CreateFileW((folder + L".vqd-lock").c_str(), DELETE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
            if (lock != INVALID_HANDLE_VALUE) {
                locks_.push_back(lock);
                removeAbandonedTemporaries(folder);
                return;
            }
            const DWORD error = ::GetLastError();
            if (error == ERROR_ACCESS_DENIED)
                ++denied;
            else if (error != ERROR_SHARING_VIOLATION)
                return;
        }
    }

    std::vector<HANDLE> locks_;
};

} // namespace

void Descriptor::reset() noexcept {
    if (fd_ >= 0) ::_close(fd_);
    fd_ = -1;
}

int Descriptor::close() noexcept {
    if (::_close(std::exchange(fd_, -1)) == 0) return 0;
    return _doserrno != 0 ? static_cast<int>(_doserrno) : ERROR_WRITE_FAULT;
}

std::string systemReason(int error) {
    if (error == notARegularFile) return "not a regular file";
    if (static_cast<DWORD>(error) == errorFolder) return "Is a directory";
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason =
        length > 0 ? std::string(text, length) : "System error " + std::to_string(error);
    ::LocalFree(text);
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

std::string codePageText(std::string_view name) {
    // A system set to UTF-8 as its code page takes the name as it is.
    if (::GetACP() == CP_UTF8) return std::string(name);
    return narrowOf(wideOf(name), CP_ACP);
}

std::string codePagePath(std::string_view name) {
    if (::GetACP() == CP_UTF8) return std::string(name);
    const std::wstring wide = wideOf(name);
    bool lacking = false;
    std::string text = narrowOf(wide, CP_ACP, &lacking);
    // A short name is mostly plain letters, where the volume keeps short names; one the code
    // page still lacks a letter of is no better.
    const DWORD size = lacking ? ::GetShortPathNameW(wide.c_str(), nullptr, 0) : 0;
    if (size == 0) return text;
    std::wstring shortName(size, L'\0');
    shortName.resize(::GetShortPathNameW(wide.c_str(), shortName.data(), size));
    std::string shortText = narrowOf(shortName, CP_ACP, &lacking);
    return shortName.empty() || lacking ? text : shortText;
}

std::filesystem::path nativePath(const std::string& name) {
    return systemName(name);
}

Descriptor openForReading(const std::string& path, std::string& reason) {
    // Other programs may go on using the file. A folder opens too, to be told apart.
    const HANDLE file =
        ::CreateFileW(systemName(path).c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        reason = systemReason(static_cast<int>(::GetLastError()));
        return {};
    }
    Descriptor opened = adopt(file, _O_RDONLY);
    if (!opened) {
        reason = systemReason(ERROR_TOO_MANY_OPEN_FILES);
        return {};
    }
    // A console, a pipe or a device (CON, NUL, COM1) would wait for input or never end.
    BY_HANDLE_FILE_INFORMATION information{};
    if (::GetFileType(file) != FILE_TYPE_DISK ||
        !::GetFileInformationByHandle(file, &information)) {
        reason = systemReason(notARegularFile);
        return {};
    }
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        reason = systemReason(errorFolder);
        return {};
    }
    return opened;
}

std::ptrdiff_t readSome(const Descriptor& file, char* to, std::size_t size, std::string& reason) {
    DWORD got = 0;
    const auto asked = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
    if (::ReadFile(handleOf(file), to, asked, &got, nullptr))
        return static_cast<std::ptrdiff_t>(got);
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF) return 0;
    reason = systemReason(static_cast<int>(error));
    return -1;
}

bool sameFile(const std::string& a, const std::string& b) {
    FileIdentity first;
    FileIdentity second;
    return identify(systemName(a), first) && identify(systemName(b), second) && first == second;
}

int PendingFile::create(const std::string& finalPath) {
    discard();
    const std::wstring target = finalTargetOf(systemName(finalPath));
    const std::size_t split = folderEnd(target);
    if (split == target.size()) return errorFolder;
    // Found now rather than after the whole run.
    if (const DWORD error = unreplaceable(target)) return static_cast<int>(error);
    const std::wstring folder = target.substr(0, split);
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::wstring temporary = folder + temporaryName();
        HANDLE file = INVALID_HANDLE_VALUE;
        const DWORD error = createTemporary(temporary, file);
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
        if (error != 0) return static_cast<int>(error);
        name_ = narrowOf(target);
        temporary_ = narrowOf(temporary);
        file_ = adopt(file, _O_WRONLY);
        if (!file_) {
            discard();
            return ERROR_TOO_MANY_OPEN_FILES;
        }
        return 0;
    }
    return ERROR_FILE_EXISTS;
}

int PendingFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        DWORD written = 0;
        const auto asked = static_cast<DWORD>(std::min<std::size_t>(size, 1U << 30));
        if (!::WriteFile(handleOf(file_), data, asked, &written, nullptr))
            return static_cast<int>(::GetLastError());
        data += written;
        size -= written;
    }
    return 0;
}

void PendingFile::discard() noexcept {
    file_.reset();
    if (!temporary_.empty()) {
        const std::wstring temporary = wideOf(temporary_);
        removeFile(temporary);
        forgetTemporary(temporary);
        temporary_.clear();
    }
    name_.clear();
}

int placeTogether(std::span<PendingFile* const> files, std::size_t& failed) {
    failed = 0;
    const std::size_t count = files.size();
    // Whole on the disk before any name changes, so that after a power cut each name holds a
    // whole file.
    for (std::size_t i = 0; i < count; ++i) {
        if (!::FlushFileBuffers(handleOf(files[i]->file_))) {
            failed = i;
            return static_cast<int>(::GetLastError());
        }
    }
    std::vector<std::wstring> targets;
    std::vector<std::wstring> folders;
    for (const PendingFile* file : files) {
        targets.push_back(wideOf(file->name_));
        folders.push_back(targets.back().substr(0, folderEnd(targets.back())));
    }
    const FolderLocks locks(folders);
    const InterruptsDeferred deferred;
    if (!deferred.entered()) return ERROR_OPERATION_ABORTED;
    // A folder or a read-only file under an output's name is found before anything moves.
    for (std::size_t i = 0; i < count; ++i) {
        if (const DWORD error = unreplaceable(targets[i])) {
            failed = i;
            return static_cast<int>(error);
        }
    }
    DWORD error = 0;
    // A file system that reports a failed write only when the file is closed stops the run here.
    for (std::size_t i = 0; i < count && error == 0; ++i) {
        error = static_cast<DWORD>(files[i]->file_.close());
        if (error != 0) failed = i;
    }
    std::vector<std::wstring> aside(count);
    std::size_t placed = 0;
    for (; placed < count && error == 0; ++placed) {
        PendingFile& file = *files[placed];
        const std::wstring temporary = wideOf(file.temporary_);
        error = replace(targets[placed], temporary, aside[placed]);
        if (error != 0) {
            failed = placed;
            break;
        }
        forgetTemporary(temporary);
        file.temporary_.clear();
    }
    if (error == 0 && interruptWaiting.load()) error = ERROR_OPERATION_ABORTED;
    if (error != 0) {
        for (std::size_t i = 0; i < placed; ++i) {
            if (aside[i].empty())
                removeFile(targets[i]);
            else
                moveFile(aside[i], targets[i], replacing);
        }
        for (PendingFile* file : files)
            file->discard();
        return static_cast<int>(error);
    }
    if (finishOncePlaced.load()) finishing.store(true);
    for (std::size_t i = 0; i < count; ++i) {
        if (!aside[i].empty()) removeFile(aside[i]);
        files[i]->discard();
    }
    return 0;
}

void removeTemporaryFilesOnInterrupt(OncePlaced oncePlaced) {
    finishOncePlaced.store(oncePlaced == OncePlaced::finish);
    ::SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

// A console event is handled on a thread of its own: no write of the program is cut short.
void endByWaitingInterrupt() {}

} // namespace vqd::files
