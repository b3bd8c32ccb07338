#include "../support/test_support.h"
#include "files/chunked_lines.h"

#include <atomic>
#include <thread>

namespace vqd {
namespace {

// Hands on the lines of its chunks; stops after the line "stop", throws on the line "throw". A
// stop may wait until a later chunk has thrown on another thread, however busy the machine.
std::atomic<bool> thrown, stopWaits;
struct Collecting final : ChunkConverter {
    explicit Collecting(Lines& delivered) : delivered_(delivered) {}

    void convert(std::string_view lines) override {
        lines_ = lines; // still there when handed on
        if (lines.find("throw") == lines.npos) return;
        thrown = true;
        throw std::runtime_error("converter failed");
    }
    bool deliver(std::int64_t& recordCount) override {
        for (std::string_view line; nextLineOfChunk(lines_, line);) {
            delivered_.emplace_back(line);
            ++recordCount;
            if (line != "stop") continue;
            while (stopWaits && !thrown)
                std::this_thread::yield();
            return false;
        }
        return true;
    }
    Lines& delivered_;
    std::string_view lines_;
};

TEST(ChunkedLines, EndsAtTheFirstStopOrFailureOnAnyThreads) {
    test::ScratchFolder folder;
    // The line made "stop", the one made "throw" (0 for none), the lines handed on.
    const std::tuple<int, int, int> endings[]{
        {0, 0, 200},
        {0, 150, 149},   // the failing chunk, lines 150 and 151, hands on none of its lines
        {140, 142, 140}, // a stop before a failure in the next chunk hides the failure
    };
    for (const auto& [stopAt, throwAt, delivered] : endings) {
        Lines numbers;
        for (int i = 1; i <= 200; ++i)
            numbers.push_back(i == stopAt ? "stop" : i == throwAt ? "throw" : std::to_string(i));
        const auto path = folder.write("numbers", test::crlfLines(numbers));
        for (std::size_t threads = 1; threads <= 4; ++threads) {
            SCOPED_TRACE(std::to_string(threads) + " threads, ending " + std::to_string(delivered));
            LineReader input;
            ASSERT_TRUE(input.open(path));
            Lines lines;
            thrown = false, stopWaits = threads > 1 && stopAt != 0 && throwAt > stopAt;
            std::vector<Collecting> converters(threads * convertersPerThread, Collecting(lines));
            std::vector<ChunkConverter*> pointers(converters.size());
            std::ranges::transform(converters, pointers.begin(), [](auto& c) { return &c; });
            std::vector<std::int64_t> progress;
            std::int64_t count = -1;
            try { // chunks of a few lines
                count = convertInChunks(input, pointers, threads, 10, 0,
                                        [&](std::int64_t n) { progress.push_back(n); });
            } catch (const std::runtime_error&) {
            }
            EXPECT_EQ(lines, Lines(numbers.begin(), numbers.begin() + delivered));
            EXPECT_EQ(count, throwAt != 0 && stopAt == 0 ? -1 : delivered) << "-1: thrown";
            EXPECT_TRUE(count < 0 ||
                        (std::ranges::is_sorted(progress) && progress.back() == count));
        }
    }
}

} // namespace
} // namespace vqd
