// Preloaded into the command line to interrupt it at a chosen step of putting its files in place:
// VQD_INTERRUPT_AT="place:N" raises SIGINT once the Nth file has been moved (renameat or linkat:
// earlier files aside, then new ones in), "remove:N" before the Nth removal (earlier files that
// were moved aside, once the new ones stand).
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <string_view>

namespace {

bool interruptNow(std::string_view step) {
    static int calls = 0;
    const char* at = std::getenv("VQD_INTERRUPT_AT");
    return at != nullptr && std::string_view(at).starts_with(std::string(step) + ':') &&
           ++calls == std::atoi(at + step.size() + 1);
}

template <class Function> Function* next(const char* name) {
    return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    static auto* const real = next<int(int, const char*, int, const char*)>("renameat");
    const int result = real(fromFolder, from, toFolder, to);
    if (interruptNow("place")) std::raise(SIGINT);
    return result;
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    static auto* const real = next<int(int, const char*, int, const char*, int)>("linkat");
    const int result = real(fromFolder, from, toFolder, to, flags);
    if (interruptNow("place")) std::raise(SIGINT);
    return result;
}

extern "C" int unlinkat(int folder, const char* name, int flags) {
    static auto* const real = next<int(int, const char*, int)>("unlinkat");
    if (interruptNow("remove")) std::raise(SIGINT);
    return real(folder, name, flags);
}
