// Preloaded into the command line to interrupt it at a chosen step of writing its files or putting
// them in place: VQD_INTERRUPT_AT="write:N" raises the signal VQD_INTERRUPT_SIGNAL after the Nth
// write into an output, "place:N" once the Nth file has been given a name (new files named, then
// swapped with the earlier ones), "remove:N" before the Nth removal (earlier files, once the new
// ones stand). Signal 0 holds the run there for 0.6 s. VQD_NO_EXCHANGE: no swapping of two names.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>

namespace {

void interruptAt(std::string_view step) {
    static std::atomic<int> calls = 0;
    const char* at = std::getenv("VQD_INTERRUPT_AT");
    if (at == nullptr || !std::string_view(at).starts_with(std::string(step) + ':') ||
        ++calls != std::atoi(at + step.size() + 1))
        return;
    if (const int signal = std::atoi(std::getenv("VQD_INTERRUPT_SIGNAL")); signal != 0)
        std::raise(signal);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
}

template <class Function> Function* next(const char* name) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" ssize_t write(int file, const void* data, size_t size) {
    static auto* const real = next<ssize_t(int, const void*, size_t)>("write");
    const ssize_t result = real(file, data, size);
    interruptAt("write");
    return result;
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    static auto* const real = next<int(int, const char*, int, const char*)>("renameat");
    const int result = real(fromFolder, from, toFolder, to);
    interruptAt("place");
    return result;
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned flags) {
    static auto* const real = next<int(int, const char*, int, const char*, unsigned)>("renameat2");
    if ((flags & RENAME_EXCHANGE) != 0 && std::getenv("VQD_NO_EXCHANGE")) {
        errno = EINVAL;
        return -1;
    }
    const int result = real(fromFolder, from, toFolder, to, flags);
    interruptAt("place");
    return result;
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    static auto* const real = next<int(int, const char*, int, const char*, int)>("linkat");
    const int result = real(fromFolder, from, toFolder, to, flags);
    interruptAt("place");
    return result;
}

extern "C" int unlinkat(int folder, const char* name, int flags) {
    static auto* const real = next<int(int, const char*, int)>("unlinkat");
    interruptAt("remove");
    return real(folder, name, flags);
}
