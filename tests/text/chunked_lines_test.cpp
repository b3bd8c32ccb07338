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

// Converts the lines "1" to "200", a few a chunk, into `outcome`, which keeps what was handed on
// when the run throws.
void convertNumbers(Outcome& outcome, const std::string& stopAt, const std::string& throwAt) {
    test::ScratchFolder folder;
    std::string text;
    for (int i = 1; i <= 200; ++i)
        text += std::to_string(i) + "\r\n";
    LineReader input;
    EXPECT_TRUE(input.open(folder.write("numbers", text)));
    Collecting converter(outcome.delivered, stopAt, throwAt);
    outcome.count = convertInChunks(input, converter, 10, 0,
                                    [&](std::int64_t count) { outcome.progress.push_back(count); });
}

std::vector<std::string> numbersTo(int last) {
    std::vector<std::string> numbers;
    for (int i = 1; i <= last; ++i)
        numbers.push_back(std::to_string(i));
    return numbers;
}

// The run ends at the first stop or failure, with the chunks before it handed on and counted.
TEST(ChunkedLines, EndsAtTheFirstStopOrFailure) {
    struct Ending {
        const char* stopAt;
        const char* throwAt;
        bool throws;
        std::size_t delivered; // lines handed on
    };
    // clang-format off
    const std::vector<Ending> endings{
        {"", "", false, 200},
        {"77", "", false, 77},
        // A failing chunk, "150" and "151", hands on none of its lines.
        {"", "150", true, 149},
        {"100", "106", false, 100},
        {"110", "106", true, 105},
    };
    // clang-format on
    for (const auto& ending : endings) {
        SCOPED_TRACE(std::string("stop at ") + ending.stopAt + ", throw at " + ending.throwAt);
        Outcome outcome;
        bool threw = false;
        try {
            convertNumbers(outcome, ending.stopAt, ending.throwAt);
        } catch (const std::runtime_error&) {
            threw = true;
        }
        EXPECT_EQ(threw, ending.throws);
        EXPECT_EQ(outcome.delivered, numbersTo(static_cast<int>(ending.delivered)));
        if (threw) continue;
        EXPECT_EQ(outcome.count, static_cast<std::int64_t>(ending.delivered));
        EXPECT_TRUE(std::is_sorted(outcome.progress.begin(), outcome.progress.end()));
        EXPECT_EQ(outcome.progress.back(), outcome.count);
    }
}

} // namespace
} // namespace vqd
