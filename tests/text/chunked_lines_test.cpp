#include "../support/test_support.h"
#include "text/chunked_lines.h"

#include <atomic>
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

// Converts the lines "1" to "200" into `outcome`, which keeps what was handed on when the run
// throws.
void convertNumbers(Threads setup, Outcome& outcome, const std::string& stopAt,
                    const std::string& throwAt) {
    test::ScratchFolder folder;
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += std::to_string(i) + "\r\n";
    LineReader input;
    EXPECT_TRUE(input.open(folder.write("numbers", text)));
    std::vector<Collecting> collecting(setup.converters,
                                       Collecting(outcome.delivered, stopAt, throwAt));
    std::vector<ChunkConverter*> converters;
    for (auto& converter : collecting)
        converters.push_back(&converter);
    // A few lines a chunk, so that every thread gets many.
    outcome.count = convertInChunks(input, converters, setup.threads, 10, 0,
                                    [&](std::int64_t count) { outcome.progress.push_back(count); });
}

std::vector<std::string> numbersTo(int last) {
    std::vector<std::string> numbers;
    for (int i = 1; i <= last; ++i)
        numbers.push_back(std::to_string(i));
    return numbers;
}

class ChunkedLines : public testing::TestWithParam<Threads> {};

// The run ends at the first stop or failure in file order, whichever thread meets it first.
struct Ending {
    const char* stopAt;
    const char* throwAt;
    bool throws;
    std::size_t fewest, most; // lines handed on
};

TEST_P(ChunkedLines, EndsAtTheFirstStopOrFailureInFileOrder) {
    // clang-format off
    const std::vector<Ending> endings{
        {"", "", false, 200, 200},
        {"77", "", false, 77, 77},
        // A failing chunk hands on none of its lines, and every chunk before it is handed on.
        {"", "150", true, 145, 149},
        {"100", "106", false, 100, 100},
        {"110", "106", true, 101, 105},
    };
    // clang-format on
    for (const auto& ending : endings) {
        SCOPED_TRACE(std::string("stop at ") + ending.stopAt + ", throw at " + ending.throwAt);
        Outcome outcome;
        bool threw = false;
        try {
            convertNumbers(GetParam(), outcome, ending.stopAt, ending.throwAt);
        } catch (const std::runtime_error&) {
            threw = true;
        }
        EXPECT_EQ(threw, ending.throws);
        const auto& delivered = outcome.delivered;
        EXPECT_EQ(delivered, numbersTo(static_cast<int>(delivered.size())));
        EXPECT_GE(delivered.size(), ending.fewest);
        EXPECT_LE(delivered.size(), ending.most);
        if (threw) continue;
        EXPECT_EQ(outcome.count, static_cast<std::int64_t>(delivered.size()));
        EXPECT_TRUE(std::is_sorted(outcome.progress.begin(), outcome.progress.end()));
        EXPECT_EQ(outcome.progress.back(), outcome.count);
    }
}

// Counts the chunks taken to convert and not yet handed on, across all converters.
class Watching final : public ChunkConverter {
public:
    Watching(std::atomic<int>& inFlight, int& mostInFlight)
        : inFlight_(inFlight), mostInFlight_(mostInFlight) {}
    void convert(std::string_view) override { ++inFlight_; }
    bool deliver(std::int64_t& recordCount) override {
        mostInFlight_ = std::max(mostInFlight_, inFlight_.load());
        --inFlight_;
        ++recordCount;
        return true;
    }

private:
    std::atomic<int>& inFlight_;
    int& mostInFlight_;
};

// A chunk whose lines make more than a chunk of output for every converter is not read until the
// chunks before it are handed on: a run holds one long line's output, not one per converter.
TEST_P(ChunkedLines, ChunksOfLongLinesAreConvertedOneAtATime) {
    test::ScratchFolder folder;
    LineReader input;
    std::string lines;
    for (int i = 0; i < 20; ++i)
        lines += "x\r\n";
    ASSERT_TRUE(input.open(folder.write("lines", lines)));
    std::atomic<int> inFlight = 0;
    int mostInFlight = 0;
    std::vector<Watching> watching(GetParam().converters, Watching(inFlight, mostInFlight));
    std::vector<ChunkConverter*> converters;
    for (auto& converter : watching)
        converters.push_back(&converter);
    // Each line makes 1000 bytes, more than 10 for every converter.
    EXPECT_EQ(convertInChunks(input, converters, GetParam().threads, 10, 1000, {}), 20);
    EXPECT_EQ(mostInFlight, 1);
}

// Every thread count the machines give, with as many converters as threads and more, so that
// chunks are read ahead while others are converted.
INSTANTIATE_TEST_SUITE_P(Threads, ChunkedLines,
                         testing::Values(Threads{1, 1}, Threads{1, 3}, Threads{2, 2}, Threads{2, 6},
                                         Threads{3, 9}, Threads{4, 12}),
                         [](const testing::TestParamInfo<Threads>& info) {
                             return "Threads" + std::to_string(info.param.threads) + "Converters" +
                                    std::to_string(info.param.converters);
                         });

} // namespace
} // namespace vqd
