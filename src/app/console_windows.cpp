#include "app/console.h"
#include "files/windows_text.h"

#include <cstdlib>
#include <shellapi.h>

namespace vqd::console {

namespace {

HANDLE handleOf(std::FILE* stream) {
    return ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

bool isConsole(HANDLE handle, DWORD& mode) {
    return ::GetConsoleMode(handle, &mode) != 0;
}

DWORD modeBeforeProgress = 0;

void restoreConsoleMode() {
    ::SetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), modeBeforeProgress);
}

} // namespace

std::vector<std::string> arguments(int, char**) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::string> utf8;
    for (int i = 0; wide != nullptr && i < count; ++i)
        utf8.push_back(windows::narrowOf(wide[i]));
    ::LocalFree(wide);
    return utf8;
}

void write(std::FILE* stream, std::string_view text) {
    const HANDLE handle = handleOf(stream);
    DWORD mode = 0;
    if (isConsole(handle, mode)) {
        // The console shows every character the code page has, whatever its own code page.
        std::fflush(stream);
        const std::wstring wide = windows::wideOf(text, CP_ACP);
        DWORD written = 0;
        ::WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    // Redirected by a console's user: in its code page, as the system's own commands write.
    const UINT codePage = ::GetConsoleOutputCP();
    if (codePage != 0 && codePage != ::GetACP()) {
        const std::string converted = windows::narrowOf(windows::wideOf(text, CP_ACP), codePage);
        std::fwrite(converted.data(), 1, converted.size(), stream);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
}

bool showsProgressLine() {
    const HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!isConsole(handle, mode)) return false;
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) return true;
    // Consoles before Windows 10 would print the sequences: no progress line there.
    if (!::SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) return false;
    modeBeforeProgress = mode;
    std::atexit(restoreConsoleMode);
    return true;
}

} // namespace vqd::console
