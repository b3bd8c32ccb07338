#pragma once
// Windows only: texts between the system's UTF-16 and the 8-bit code pages. File names are UTF-8
// in the program, every other text is in the ANSI code page (see file_access.h).

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <string>
#include <string_view>
#include <windows.h>

namespace vqd::windows {

inline std::wstring wideOf(std::string_view text, UINT codePage = CP_UTF8) {
    if (text.empty()) return {};
    const auto size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), length);
    return wide;
}

// Characters the code page lacks become '?', never a look-alike: a name whose Ω became O would
// name another file. `lacking`, when given, tells whether there were any.
inline std::string narrowOf(std::wstring_view wide, UINT codePage = CP_UTF8,
                            bool* lacking = nullptr) {
    if (lacking) *lacking = false;
    if (wide.empty()) return {};
    const bool unicode = codePage == CP_UTF8;
    const DWORD flags = unicode ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* const unknown = unicode ? nullptr : "?";
    BOOL usedUnknown = FALSE;
    BOOL* const used = unicode ? nullptr : &usedUnknown;
    const auto size = static_cast<int>(wide.size());
    const int length =
        ::WideCharToMultiByte(codePage, flags, wide.data(), size, nullptr, 0, unknown, nullptr);
    std::string text(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(codePage, flags, wide.data(), size, text.data(), length, unknown, used);
    if (lacking) *lacking = usedUnknown != FALSE;
    return text;
}

} // namespace vqd::windows
