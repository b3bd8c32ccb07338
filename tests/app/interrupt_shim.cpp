// Preloaded into the command line to interrupt it at a chosen step of putting its files in place:
// VQD_INTERRUPT_AT="place:N" raises the signal VQD_INTERRUPT_SIGNAL once the Nth file has been
// given a name (new files named, then swapped with the earlier ones), "remove:N" before the Nth
// removal (earlier files, once the new ones stand). VQD_NO_EXCHANGE: no swapping of two names.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <string_view>

namespace {

void interruptAt(std::string_view step) {
    static int calls = 0;
    const char* at = std::getenv("VQD_INTERRUPT_AT");
    if (at == nullptr || !std::string_view(at).starts_with(std::string(step) + ':') ||
        ++calls != std::atoi(at + step.size() + 1))
        return;
    std::raise(std::atoi(std::getenv("VQD_INTERRUPT_SIGNAL")));
}

template <class Function> Function* next(const char* name) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

} // namespace

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
