// Preloaded into the command line: VQD_INTERRUPT_AT="write:N" raises VQD_INTERRUPT_SIGNAL after
// the Nth write, "place:N" once the Nth file has been given a name (new files named, then swapped
// with the earlier ones), "remove:N" before the Nth removal (earlier files, once the new ones
// stand). Signal 0 holds the run there for 0.6 s. VQD_NO_EXCHANGE: no swapping of two names.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <dlfcn.h>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

void interruptAt(const std::string& step) {
    static std::atomic<int> calls = 0;
    const std::string at = std::getenv("VQD_INTERRUPT_AT");
    if (!at.starts_with(step + ':') || ++calls != std::stoi(at.substr(step.size() + 1))) return;
    const int signal = std::atoi(std::getenv("VQD_INTERRUPT_SIGNAL"));
    std::this_thread::sleep_for(std::chrono::milliseconds(signal == 0 ? 600 : 0));
    std::raise(signal);
}

// The system's function `name`, called with `arguments`, then the step counted.
template <class Result, class... Arguments>
Result thenAt(const char* step, const char* name, Arguments... arguments) {
    const auto result =
        reinterpret_cast<Result (*)(Arguments...)>(::dlsym(RTLD_NEXT, name))(arguments...);
    if (step) interruptAt(step);
    return result;
}

} // namespace

extern "C" ssize_t write(int file, const void* data, size_t size) {
    return thenAt<ssize_t>("write", "write", file, data, size);
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    return thenAt<int>("place", "renameat", fromFolder, from, toFolder, to);
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    return thenAt<int>("place", "linkat", fromFolder, from, toFolder, to, flags);
}

extern "C" int renameat2(int fromFolder, const char* from, int toFolder, const char* to,
                         unsigned flags) {
    if ((flags & RENAME_EXCHANGE) != 0 && std::getenv("VQD_NO_EXCHANGE")) return errno = EINVAL, -1;
    return thenAt<int>("place", "renameat2", fromFolder, from, toFolder, to, flags);
}

extern "C" int unlinkat(int folder, const char* name, int flags) {
    interruptAt("remove");
    return thenAt<int>(nullptr, "unlinkat", folder, name, flags);
}
