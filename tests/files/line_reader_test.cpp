#include "../support/test_support.h"
#include "files/line_reader.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace vqd {
namespace {

using Lines = std::vector<std::string>;

// The lines of the file, one at a time or, with `chunkBytes`, in chunks of about that size as
// the conversions take them; with `notes`, the notes on how its lines end.
Lines readLines(const std::string& path, std::size_t chunkBytes = 0, Lines* notes = nullptr) {
    LineReader reader;
    EXPECT_TRUE(reader.open(path));
    Lines lines;
    std::string_view line;
    LineChunk chunk;
    if (chunkBytes == 0) {
        while (reader.next(line))
            lines.emplace_back(line);
    }
    while (chunkBytes != 0 && reader.nextChunk(chunk, chunkBytes)) {
        std::string_view rest = chunk.lines();
        while (nextLineOfChunk(rest, line))
            lines.emplace_back(line);
    }
    EXPECT_EQ(reader.error(), "");
    for (const auto& note : notes ? reader.readingNotes("f.csv") : Lines{})
        notes->push_back(note.starts_with("Lines of f.csv end in a line feed alone")     ? "lf"
                         : note.starts_with("f.csv starts with a UTF-8 byte-order mark") ? "bom"
                                                                                         : note);
    return lines;
}

struct LineEndCase {
    std::string bytes;
    Lines lines, notes{}; // "lf" a line feed that ends no line, "bom" a byte-order mark
};

class LineEnds : public testing::TestWithParam<LineEndCase> {};

// The user is told when lines are not what a Linux tool meant, once the file is read. Chunks end
// after whole lines wherever their size falls, a CR LF included.
TEST_P(LineEnds, SplitAtCrLfAndLoneCr) {
    test::ScratchFolder folder;
    const auto path = folder.write("f", GetParam().bytes);
    Lines notes;
    EXPECT_EQ(readLines(path, 0, &notes), GetParam().lines);
    EXPECT_EQ(notes, GetParam().notes);
    for (std::size_t size = 1; size <= GetParam().bytes.size() + 1; ++size)
        EXPECT_EQ(readLines(path, size), GetParam().lines) << "chunks of " << size;
}

const std::string bom = "\xEF\xBB\xBF";
INSTANTIATE_TEST_SUITE_P(
    Files, LineEnds,
    testing::Values(
        LineEndCase{"", Lines{}}, LineEndCase{"a\r\nb\r\n", Lines{"a", "b"}},
        LineEndCase{"a\rb\r", Lines{"a", "b"}}, LineEndCase{"a\r\nb", Lines{"a", "b"}},
        LineEndCase{"a\nb\r\n", Lines{"a\nb"}}, LineEndCase{"a\n", Lines{"a\n"}, {"lf"}},
        LineEndCase{"a\nb\nc", Lines{"a\nb\nc"}, {"lf"}}, LineEndCase{"\r\n\r\n", Lines{"", ""}},
        LineEndCase{"a\r\r\nb", Lines{"a", "", "b"}}, LineEndCase{"a\r\n\nb", Lines{"a", "\nb"}},
        LineEndCase{bom + "a;b\r\n", Lines{bom + "a;b"}, {"bom"}},
        LineEndCase{bom + "a\nb", Lines{bom + "a\nb"}, {"lf", "bom"}}),
    [](const auto& info) { return test::rowName(info.index, info.param.bytes); });

TEST(LineReader, LinesLongerThanABlockAndCrLfAcrossBlocks) {
    test::ScratchFolder folder;
    const std::string longLine(3'000'000, 'x');
    // Around the first block's end, so that its last byte is the CR of a CR LF.
    for (const std::size_t length : {(64u << 10) - 1, 64u << 10, (1u << 20) - 1}) {
        const std::string first(length, 'a');
        const auto path = folder.write("f", first + "\r\n" + longLine + "\r\nend");
        EXPECT_EQ(readLines(path), (Lines{first, longLine, "end"}));
        EXPECT_EQ(readLines(path, 64u << 10), (Lines{first, longLine, "end"}));
    }
}

// A chunk counts the output its lines make, so that many short lines that each make a long one
// (a back conversion's long model line) are not held at once.
TEST(LineReader, ChunksCountTheOutputOfTheirLines) {
    test::ScratchFolder folder;
    const auto path =
        folder.write("f", std::string(100, 'x') + "\r\n" + test::crlfLines(Lines(20, "abcd")));
    // clang-format off
    const std::tuple<std::size_t, std::size_t, std::vector<std::size_t>> sizes[]{
        {300, 0, {21}},
        {108, 0, {2, 18, 1}},
        {100, 10, {1, 6, 6, 6, 2}},  // a line beyond the chunk size is one alone
        {2000, 500, {3, 3, 3, 3, 3, 3, 3}},
    };
    // clang-format on
    for (const auto& [size, lineCost, lines] : sizes) {
        LineReader reader;
        ASSERT_TRUE(reader.open(path));
        LineChunk chunk;
        std::vector<std::size_t> counts; // lines of each chunk
        while (reader.nextChunk(chunk, size, lineCost))
            counts.push_back(static_cast<std::size_t>(std::ranges::count(chunk.lines(), '\r')));
        EXPECT_EQ(counts, lines) << size << " bytes, " << lineCost << " a line";
    }
}

// Changed once its first block is read, as only its size or only its time tells: a read error.
TEST(LineReader, AFileChangedWhileReadIsAReadError) {
    const std::string lines = test::crlfLines(Lines(2000, std::string(99, 'x')));
    for (const bool truncated : {true, false}) {
        test::ScratchFolder folder;
        const auto file = files::nativePath(folder.write("f", lines));
        LineReader reader;
        std::string_view line;
        ASSERT_TRUE(reader.open(folder.path("f")) && reader.next(line));
        const auto time = std::filesystem::last_write_time(file);
        if (truncated) std::filesystem::resize_file(file, 100'000);
        if (!truncated) std::ofstream(file, std::ios::binary) << std::string(lines.size(), 'z');
        std::filesystem::last_write_time(file, time + std::chrono::seconds(truncated ? 0 : 2));
        while (reader.next(line))
            EXPECT_EQ(line.size(), 99u);
        EXPECT_EQ(reader.error(), "the file changed while it was read") << truncated;
    }
}

// Only a regular file is read: a pipe would wait for a writer or be read once for the inspection
// and lost to the conversion, a device may never end, and outputs named after /dev/stdin would
// land among the devices.
struct UnreadableCase {
    const char* name;
    std::string path; // DIR/ is the scratch folder
    std::string reason;
};

class Unreadable : public testing::TestWithParam<UnreadableCase> {};

// A pipe that nobody writes to, for as long as the test runs.
#ifdef _WIN32
constexpr const char* pipeName = R"(\\.\pipe\vqd-test-unreadable)";
class Pipe {
public:
    explicit Pipe(const test::ScratchFolder&)
        : handle_(::CreateNamedPipeA(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 4, 0, 0, 0,
                                     nullptr)) {}
    ~Pipe() { ::CloseHandle(handle_); }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

private:
    HANDLE handle_;
};

const auto unreadableInputs =
    testing::Values(UnreadableCase{"Missing", "DIR/missing", test::missingFileReason},
                    UnreadableCase{"Folder", "DIR/", "Is a directory"},
                    UnreadableCase{"PipeWithoutWriter", pipeName, "not a regular file"},
                    UnreadableCase{"Device", test::nullDevice, "not a regular file"});
#else
struct Pipe {
    explicit Pipe(const test::ScratchFolder& folder) {
        EXPECT_EQ(::mkfifo(folder.path("pipe").c_str(), 0600), 0);
        std::filesystem::create_symlink("pipe", folder.path("link to pipe"));
    }
};

const auto unreadableInputs =
    testing::Values(UnreadableCase{"Missing", "DIR/missing", test::missingFileReason},
                    UnreadableCase{"Folder", "DIR/", "Is a directory"},
                    UnreadableCase{"PipeWithoutWriter", "DIR/pipe", "not a regular file"},
                    UnreadableCase{"LinkToAPipe", "DIR/link to pipe", "not a regular file"},
                    UnreadableCase{"EndlessDevice", "/dev/zero", "not a regular file"},
                    UnreadableCase{"StandardInput", "/dev/stdin", "not a regular file"});
#endif

TEST_P(Unreadable, RefusedAtOnceWithTheReason) {
    test::ScratchFolder folder;
    const Pipe pipe(folder);
    LineReader reader;
    EXPECT_FALSE(reader.open(test::expand(folder, GetParam().path)));
    EXPECT_EQ(reader.error(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(Inputs, Unreadable, unreadableInputs,
                         [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vqd
