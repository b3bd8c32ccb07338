#include "../support/test_support.h"
#include "files/line_reader.h"

#include <chrono>
#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vqd {
namespace {

// The lines of an open file, one at a time or in chunks of about `chunkBytes`, then none.
Lines linesOf(LineReader& reader, std::size_t chunkBytes) {
    Lines lines;
    std::string_view line;
    LineChunk chunk;
    while (chunkBytes == 0 && reader.next(line))
        lines.emplace_back(line);
    while (chunkBytes != 0 && reader.nextChunk(chunk, chunkBytes))
        for (std::string_view rest = chunk.lines(); nextLineOfChunk(rest, line);)
            lines.emplace_back(line);
    EXPECT_FALSE(chunkBytes == 0 ? reader.next(line) : reader.nextChunk(chunk, chunkBytes));
    return lines;
}

// The lines of the file, read without an error; with `notes`, the notes on how its lines end.
Lines readLines(const std::string& path, std::size_t chunkBytes = 0, Lines* notes = nullptr) {
    LineReader reader;
    EXPECT_TRUE(reader.open(path));
    const Lines lines = linesOf(reader, chunkBytes);
    EXPECT_EQ(reader.error(), "");
    for (const auto& note : notes ? reader.readingNotes("f.csv") : Lines{})
        notes->push_back(note.starts_with("Lines of f.csv end in a line feed alone")     ? "lf"
                         : note.starts_with("f.csv starts with a UTF-8 byte-order mark") ? "bom"
                                                                                         : note);
    return lines;
}

// Lines end at CR LF or a lone CR wherever a chunk or block ends; a Linux tool's lines are noted.
TEST(LineReader, LinesEndAtCrLfOrALoneCr) {
    test::ScratchFolder folder;
    const std::string bom = "\xEF\xBB\xBF", longLine(3'000'000, 'x');
    // The bytes, their lines, the notes: "lf" a line feed ending no line, "bom" a byte-order mark.
    // clang-format off
    std::vector<std::tuple<std::string, Lines, Lines>> rows{
        {"", {}, {}}, {"a\r\nb\r\n", {"a", "b"}, {}}, {"a\rb\rc\r", {"a", "b", "c"}, {}}, {"a\r\nb", {"a", "b"}, {}},
        {"a\nb\r\n", {"a\nb"}, {}}, {"a\n", {"a\n"}, {"lf"}}, {"a\nb\nc", {"a\nb\nc"}, {"lf"}},
        {"\r\n\r\n", {"", ""}, {}}, {"a\r\r\nb", {"a", "", "b"}, {}}, {"a\r\n\nb", {"a", "\nb"}, {}},
        {bom, {bom}, {"bom"}}, {bom + "a\nb", {bom + "a\nb"}, {"lf", "bom"}}};
    // clang-format on
    // Lines longer than a block, the first block's last byte the CR of a CR LF or about it.
    for (const std::size_t length : {(64u << 10) - 1, 64u << 10, (1u << 20) - 1}) {
        const std::string first(length, 'a');
        rows.push_back({first + "\r\n" + longLine + "\r\nend", {first, longLine, "end"}, {}});
    }
    rows.push_back({"a\r" + longLine + "\n", {"a", longLine + "\n"}, {}}); // CR in the first block
    for (const auto& [bytes, lines, notes] : rows) {
        const auto path = folder.write("f", bytes);
        Lines noted;
        EXPECT_EQ(readLines(path, 0, &noted), lines);
        EXPECT_EQ(noted, notes);
        for (std::size_t size = 1; size <= bytes.size() + 1; size += size < 16 ? 1 : 3 * size)
            EXPECT_EQ(readLines(path, size), lines) << "chunks of " << size;
    }
}

// A chunk counts the output its lines make, so short lines making long ones are not all held.
TEST(LineReader, ChunksCountTheOutputOfTheirLines) {
    test::ScratchFolder folder;
    const auto path =
        folder.write("f", std::string(100, 'x') + "\r\n" + test::crlfLines(Lines(20, "abcd")));
    const std::tuple<std::size_t, std::size_t, std::vector<std::size_t>> sizes[]{
        {108, 0, {2, 18, 1}},
        {100, 10, {1, 6, 6, 6, 2}},         // a line beyond the chunk size is one alone
        {2022, 500, {3, 3, 3, 3, 3, 3, 3}}, // a line end is a byte too
        {1613, 500, {3, 3, 3, 3, 3, 3, 3}}, // a line ending exactly at the size is in
    };
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

// Changed after it was opened (size or time): a read error, and no line it did not hold whole.
TEST(LineReader, AFileChangedWhileReadIsAReadError) {
    const std::string x99(99, 'x'), lines = test::crlfLines(Lines(2000, x99));
    for (const std::size_t chunkBytes : {0, 1000})
        for (const bool truncated : {true, false}) {
            test::ScratchFolder folder;
            const auto file = files::nativePath(folder.write("f", lines));
            LineReader reader;
            ASSERT_TRUE(reader.open(folder.path("f")));
            const auto time = std::filesystem::last_write_time(file);
            // Cut after the CR of the 991st line, or rewritten without line ends.
            if (truncated) std::filesystem::resize_file(file, 990 * 101 + 100);
            if (!truncated) std::ofstream(file, std::ios::binary) << std::string(lines.size(), 'z');
            std::filesystem::last_write_time(file, time + std::chrono::seconds(truncated ? 0 : 2));
            const Lines read = linesOf(reader, chunkBytes);
            EXPECT_LE(read.size(), 990u);
            EXPECT_EQ(read, Lines(read.size(), x99));
            EXPECT_EQ(reader.error(), "the file changed while it was read") << truncated;
        }
}

// Only a regular file is read: a pipe or device (/dev/stdin too) may wait, or never end.
TEST(LineReader, RefusesAllButRegularFilesAtOnce) {
    test::ScratchFolder folder;
    std::vector<std::pair<std::string, std::string>> rows{{"DIR/", "Is a directory"}};
#ifdef _WIN32
    const char* const pipeName = R"(\\.\pipe\vqd-test-unreadable)"; // that nobody writes to
    const HANDLE pipe =
        ::CreateNamedPipeA(pipeName, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 4, 0, 0, 0, nullptr);
    for (const char* path : {pipeName, "NUL"})
        rows.emplace_back(path, "not a regular file");
#else
    ASSERT_EQ(::mkfifo(folder.path("pipe").c_str(), 0600), 0);
    std::filesystem::create_symlink("pipe", folder.path("link to pipe"));
    const int input = ::dup(0), file = ::open(folder.write("file", "x").c_str(), O_RDONLY);
    ::dup2(file, 0);
    for (const char* path : {"DIR/pipe", "DIR/link to pipe", "/dev/stdin", "/dev/null"})
        rows.emplace_back(path, "not a regular file");
#endif
    LineReader reader; // opened again for each
    for (const auto& [path, reason] : rows) {
        EXPECT_FALSE(reader.open(test::expand(folder, path)));
        EXPECT_EQ(reader.error(), reason) << path;
    }
#ifdef _WIN32
    ::CloseHandle(pipe);
#else
    ::close(0); // a program started without standard input: its file is descriptor 0
    EXPECT_TRUE(reader.open(folder.path("file")) && reader.error().empty());
    reader.close();
    EXPECT_EQ(::fcntl(0, F_GETFD), -1) << "closed, the file is let go";
    ::dup2(input, 0);
    ::close(input);
    ::close(file);
#endif
}

} // namespace
} // namespace vqd
