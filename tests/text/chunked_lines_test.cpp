#include "../support/test_support.h"
#include "text/chunked_lines.h"

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

struct Outcome {
    std::vector<std::string> delivered;
    std::int64_t count = 0;
    std::vector<std::int64_t> progress;
};

struct Threads {
    std::size_t threads, converters;
};

Outcome convertNumbers(Threads setup, const std::string& stopAt = "",
                       const std::string& throwAt = "") {
    test::ScratchFolder folder;
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += std::to_string(i) + "\r\n";
    LineReader input;
    EXPECT_TRUE(input.open(folder.write("numbers", text)));
    Outcome outcome;
    std::vector<Collecting> collecting(setup.converters,
                                       Collecting(outcome.delivered, stopAt, throwAt));
    std::vector<ChunkConverter*> converters;
    for (auto& converter : collecting)
        converters.push_back(&converter);
    // A few lines a chunk, so that every thread gets many.
    outcome.count = convertInChunks(input, converters, setup.threads, 10,
                                    [&](std::int64_t count) { outcome.progress.push_back(count); });
    return outcome;
}

std::vector<std::string> numbersTo(int last) {
    std::vector<std::string> numbers;
    for (int i = 1; i <= last; ++i)
        numbers.push_back(std::to_string(i));
    return numbers;
}

class ChunkedLines : public testing::TestWithParam<Threads> {};

TEST_P(ChunkedLines, DeliversInFileOrderAndStopsWhenAsked) {
    const auto whole = convertNumbers(GetParam());
    EXPECT_EQ(whole.delivered, numbersTo(200));
    EXPECT_EQ(whole.count, 200);
    EXPECT_EQ(whole.progress.back(), 200);

    const auto stopped = convertNumbers(GetParam(), "77");
    EXPECT_EQ(stopped.delivered, numbersTo(77));
    EXPECT_EQ(stopped.count, 77);
}

TEST_P(ChunkedLines, ConverterFailureReachesTheCaller) {
    EXPECT_THROW(convertNumbers(GetParam(), "", "150"), std::runtime_error);
}

// As many converters as threads, and more, so that threads convert while others hand on.
INSTANTIATE_TEST_SUITE_P(Threads, ChunkedLines,
                         testing::Values(Threads{1, 1}, Threads{1, 2}, Threads{2, 2}, Threads{2, 4},
                                         Threads{3, 6}));

} // namespace
} // namespace vqd
