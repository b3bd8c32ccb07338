#pragma once
// Output lines built from many short pieces: the conversions write one line per cell, and a
// growth check per piece would cost more than copying it.

#include <cstring>
#include <string_view>

namespace vqd {

// Copies `text` to `to` and returns the end: a few bytes in fixed-size, overlapping moves, which
// compile to plain loads and stores.
inline char* copyShort(char* to, std::string_view text) noexcept {
    const char* from = text.data();
    const std::size_t n = text.size();
    if (n >= 8) {
        if (n > 32) {
            std::memcpy(to, from, n);
        } else if (n > 16) {
            std::memcpy(to, from, 16);
            std::memcpy(to + n - 16, from + n - 16, 16);
        } else {
            std::memcpy(to, from, 8);
            std::memcpy(to + n - 8, from + n - 8, 8);
        }
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
    return to + n;
}

} // namespace vqd
