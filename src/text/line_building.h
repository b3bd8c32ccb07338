#pragma once
// Output lines built from many short pieces: the conversions write one line per cell, and a
// growth check per piece would cost more than copying it.

#include <algorithm>
#include <cstring>
#include <memory>
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

// A converted chunk's lines, written in place as into a file's buffer: room() for the most a line
// can take, then wrote() with its end.
class LineBuffer {
public:
    char* room(std::size_t size) {
        if (capacity_ - used_ < size) grow(size);
        return data_.get() + used_;
    }
    void wrote(const char* end) noexcept { used_ = static_cast<std::size_t>(end - data_.get()); }
    // A buffer grown for a long line is given back: the next chunk's lines are likely short.
    void clear() noexcept {
        used_ = 0;
        if (capacity_ <= keptCapacity) return;
        data_.reset();
        capacity_ = 0;
    }
    std::string_view text() const noexcept { return {data_.get(), used_}; }

private:
    static constexpr std::size_t keptCapacity = std::size_t{4} << 20;

    void grow(std::size_t size) {
        capacity_ = std::max({2 * capacity_, used_ + size, std::size_t{64} << 10});
        auto grown = std::make_unique_for_overwrite<char[]>(capacity_);
        if (used_ > 0) std::memcpy(grown.get(), data_.get(), used_);
        data_ = std::move(grown);
    }

    std::unique_ptr<char[]> data_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

} // namespace vqd
