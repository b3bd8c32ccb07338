#include "../support/test_support.h"
#include "files/chunked_lines.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vqd {
namespace {

// Hands on the lines of its chunks; stops after the line `stopAt`, throws on the line `throwAt`.
class Collecting final : public ChunkConverter {
public:
    Collecting(std::vector<std::string>& delivered, std::string stopAt, std::string throwAt)
        : delivered_(delivered), stopAt_(std::move(stopAt)), throwAt_(std::move(throwAt)) {}

    void convert(std::string_view lines) override {
        lines_.clear();
        std::string_view line;
        while (nextLineOfChunk(lines, line)) {
            if (line == throwAt_) throw std::runtime_error("converter failed");
            lines_.emplace_back(line);
        }
    }
    bool deliver(std::int64_t& recordCount) override {
        for (const auto& line : lines_) {
            delivered_.push_back(line);
            ++recordCount;
            if (line == stopAt_) return false;
        }
        return true;
    }

private:
    std::vector<std::string>& delivered_;
    std::string stopAt_, throwAt_;
    std::vector<std::string> lines_;
};

// On any number of threads, the run ends at the first stop or failure in file order, with the
// chunks before it handed on and counted, in order.
TEST(ChunkedLines, EndsAtTheFirstStopOrFailureOnAnyThreads) {
    test::ScratchFolder folder;
    std::vector<std::string> numbers;
    for (int i = 1; i <= 200; ++i)
        numbers.push_back(std::to_string(i));
    const auto path = folder.write("numbers", test::crlfLines(numbers));
    // stop at, throw at, the lines "1" to this one handed on
    const std::tuple<const char*, const char*, int> endings[]{
        {"", "", 200},
        {"77", "", 77},
        {"", "150", 149},    // the failing chunk, "150" and "151", hands on none of its lines
        {"140", "150", 140}, // a stop before a failure hides the failure
    };
    for (std::size_t threads = 1; threads <= 4; ++threads) {
        for (const auto& [stopAt, throwAt, delivered] : endings) {
            SCOPED_TRACE(std::to_string(threads) + " threads, stop at " + stopAt + ", throw at " +
                         throwAt);
            LineReader input;
            ASSERT_TRUE(input.open(path));
            std::vector<std::string> lines;
            std::vector<Collecting> converters(threads * convertersPerThread,
                                               Collecting(lines, stopAt, throwAt));
            std::vector<ChunkConverter*> pointers;
            for (auto& converter : converters)
                pointers.push_back(&converter);
            std::vector<std::int64_t> progress;
            std::int64_t count = -1;
            try { // chunks of a few lines
                count = convertInChunks(input, pointers, threads, 10, 0,
                                        [&](std::int64_t n) { progress.push_back(n); });
            } catch (const std::runtime_error&) {
            }
            EXPECT_EQ(lines, std::vector(numbers.begin(), numbers.begin() + delivered));
            EXPECT_EQ(count < 0, *throwAt != '\0' && *stopAt == '\0') << "thrown";
            if (count < 0) continue;
            EXPECT_EQ(count, delivered);
            EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
            EXPECT_EQ(progress.back(), count);
        }
    }
}

} // namespace
} // namespace vqd
