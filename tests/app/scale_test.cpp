#include "../support/test_support.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace vqd {
namespace {

// Peak memory is only meaningful without the sanitizers' shadow memory.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool measuresMemory = false;
#else
constexpr bool measuresMemory = true;
#endif

// Converts `input` in `folder` with the command line; returns its exit status and peak memory.
std::pair<int, long> convert(const test::ScratchFolder& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder.path("") + "' && '" + VQD_CLI_PATH + "' forward " +
                                arguments + " >out.txt 2>err.txt";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        return {-1, 0};
    }
    // The shell's usage includes the peak of the command it waited for.
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss * 1024};
}

TEST(Scale, LineOf200MegabytesConvertsInMemoryNearItsSize) {
    test::ScratchFolder folder;
    constexpr std::size_t lineSize = 200u << 20;
    {
        // Lone LF line ends do not end lines: the whole file is one record.
        const std::string piece = "a;b;1;1;S;0\n";
        std::string block;
        while (block.size() < (1u << 20))
            block += piece;
        std::ofstream out(folder.path("long.csv"), std::ios::binary);
        for (std::size_t written = 0; written < lineSize; written += block.size())
            out << block;
    }
    const auto [status, peak] =
        convert(folder, "long.csv --dim 2 --name1 A --name2 B --total1 a --total2 b");
    EXPECT_EQ(status, 0) << test::readBytes(folder.path("err.txt"));
    EXPECT_EQ(test::readBytes(folder.path("out.txt")), "1 records processed\n");
    EXPECT_EQ(test::readBytes(folder.path("long.csv.tab")), "a;b;1;1; 1;S;0.001;0.001\r\n");
    if (measuresMemory) {
        EXPECT_LT(peak, lineSize * 3 / 2);
    }
    std::cout << "peak memory for a " << (lineSize >> 20) << " MiB line: " << (peak >> 20)
              << " MiB\n";
}

} // namespace
} // namespace vqd
