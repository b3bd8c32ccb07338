#include "../support/test_support.h"
#include "files/output_file.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#ifdef _WIN32
#include <atomic>
#include <thread>
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vqd {
namespace {

namespace fs = std::filesystem;

// Every name in the folder with its bytes, or what it is where it is no plain file.
std::map<std::string, std::string> listing(const test::ScratchFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : folder.fileNames()) {
        const auto path = folder.path(name);
        files[name] = fs::is_symlink(path)     ? "-> " + fs::read_symlink(path).string()
                      : fs::is_directory(path) ? "(folder)"
                      : fs::is_fifo(path)      ? "(pipe)"
                                               : test::readBytes(path);
    }
    return files;
}

#ifdef _WIN32
// Read-only: a file the user has said must not change, which Windows does not let us replace.
bool immutable(const std::string& path, bool on) {
    return ::SetFileAttributesW(files::nativePath(path).c_str(),
                                on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}
const std::string immutableReason = files::systemReason(ERROR_ACCESS_DENIED);

// Another program holding a file open without letting others delete or rename it, as editors and
// spreadsheets do, until the test ends.
HANDLE heldFile = INVALID_HANDLE_VALUE;
void holdOpen(const std::string& path) {
    heldFile =
        ::CreateFileW(files::nativePath(path).c_str(), GENERIC_READ,
                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(heldFile, INVALID_HANDLE_VALUE);
}
void release() {
    if (heldFile != INVALID_HANDLE_VALUE) ::CloseHandle(heldFile);
    heldFile = INVALID_HANDLE_VALUE;
}
#else
int modeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? static_cast<int>(status.st_mode & 07777) : -1;
}

bool immutable(const std::string& path, bool on) {
    const std::string command =
        std::string("chattr ") + (on ? "+i" : "-i") + " '" + path + "' 2>/dev/null";
    return std::system(command.c_str()) == 0;
}
const std::string immutableReason = "Operation not permitted";
void release() {}
#endif

// Windows lets only administrators and developers make symbolic links, and Wine none.
void linkOrSkip(const std::string& target, const std::string& name) {
    std::error_code error;
    fs::remove(name);
    fs::create_symlink(target, name, error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
}

// The outputs a.tab, a.log and a.rda of one action that reads a.csv, earlier ones in place. Each
// case spoils one thing before the set is made or before it is put in place; `message` is the
// refusal or failure, empty when the set goes in place.
struct OutputCase {
    const char* name;
    std::function<void(const test::ScratchFolder&)> before, during;
    std::string message;
    std::map<std::string, std::string> madeDuring{}; // what `during` left in the folder
};

class OutputSetFaults : public testing::TestWithParam<OutputCase> {
protected:
    void TearDown() override {
        release();
        immutable(folder.path("a.log"), false);
    }
    test::ScratchFolder folder;
};

TEST_P(OutputSetFaults, EarlierFilesStayUnlessAllGoInPlace) {
    const OutputCase& c = GetParam();
    const std::array<const char*, 3> names{"a.tab", "a.log", "a.rda"};
    const std::array<InputFile, 1> inputs{{{"input file", folder.write("a.csv", "input")}}};
    std::array<std::string, 3> outputs;
    for (std::size_t i = 0; i < names.size(); ++i)
        outputs[i] = folder.write(names[i], std::string("earlier ") + names[i]);
    if (c.before) c.before(folder);
    if (IsSkipped()) return;
    auto expected = listing(folder);

    OutputSet set;
    bool done = set.create(outputs, inputs);
    if (done) {
        for (std::size_t i = 0; i < outputs.size(); ++i)
            set[i].writeLine("new");
        if (c.during) c.during(folder);
        if (IsSkipped()) return;
        done = set.commit();
    }
    EXPECT_EQ(set.failureMessage(), test::expand(folder, c.message));
    EXPECT_EQ(done, c.message.empty());
    for (const auto& [name, bytes] : c.madeDuring)
        expected[name] = bytes;
    for (const char* name : names)
        if (done) expected[name] = "new\r\n";
    EXPECT_EQ(listing(folder), expected) << "no temporary file, nothing else replaced";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, OutputSetFaults, testing::Values(
    OutputCase{"Replaced", nullptr, nullptr, ""},
    OutputCase{"OutputIsAHardLinkToTheInput",
               [](auto& f) { fs::remove(f.path("a.log")); fs::create_hard_link(f.path("a.csv"), f.path("a.log")); },
               nullptr, "The output file DIR/a.log is the same file as the input file: DIR/a.csv"},
    OutputCase{"OutputLinksToTheInput",
               [](auto& f) { linkOrSkip("a.csv", f.path("a.rda")); },
               nullptr, "The output file DIR/a.rda is the same file as the input file: DIR/a.csv"},
    OutputCase{"TwoOutputsOneFile",
               [](auto& f) { linkOrSkip("a.tab", f.path("a.rda")); },
               nullptr, "The output file DIR/a.rda is the same file as the output file: DIR/a.tab"},
    OutputCase{"FolderOfAnOutputsName",
               [](auto& f) { fs::remove(f.path("a.rda")); fs::create_directory(f.path("a.rda")); },
               nullptr, "Cannot write file: DIR/a.rda\nIs a directory"},
    OutputCase{"FolderMadeUnderAnOutputsNameDuringTheRun", nullptr,
               [](auto& f) { fs::remove(f.path("a.rda")); fs::create_directory(f.path("a.rda")); },
               "Cannot write file: DIR/a.rda\nIs a directory", {{"a.rda", "(folder)"}}},
    OutputCase{"LastOutputCannotBeReplaced", nullptr,
               [](auto& f) { if (!immutable(f.path("a.log"), true)) GTEST_SKIP() << "chattr +i not permitted here"; },
               "Cannot write file: DIR/a.log\n" + immutableReason}),
    [](const auto& info) { return info.param.name; });

#ifndef _WIN32
// A pipe or a device is not replaced by a file, nor a link that leads nowhere by a file of its
// name.
INSTANTIATE_TEST_SUITE_P(Posix, OutputSetFaults, testing::Values(
    OutputCase{"PipeOfAnOutputsName",
               [](auto& f) { fs::remove(f.path("a.rda")); ::mkfifo(f.path("a.rda").c_str(), 0600); },
               nullptr, "Cannot write file: DIR/a.rda\nnot a regular file"},
    OutputCase{"LinkToAPipe",
               [](auto& f) { ::mkfifo(f.path("p").c_str(), 0600); linkOrSkip("p", f.path("a.tab")); },
               nullptr, "Cannot write file: DIR/a.tab\nnot a regular file"},
    OutputCase{"PipeMadeUnderAnOutputsNameDuringTheRun", nullptr,
               [](auto& f) { fs::remove(f.path("a.log")); ::mkfifo(f.path("a.log").c_str(), 0600); },
               "Cannot write file: DIR/a.log\nnot a regular file", {{"a.log", "(pipe)"}}},
    OutputCase{"LinksInALoop",
               [](auto& f) { linkOrSkip("b", f.path("a.tab")); linkOrSkip("a.tab", f.path("b")); },
               nullptr, "Cannot write file: DIR/a.tab\n" + files::systemReason(ELOOP)}),
    [](const auto& info) { return info.param.name; });
#endif

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Windows, OutputSetFaults, testing::Values(
    OutputCase{"ReadOnlyOutputFoundBeforeTheRun",
               [](auto& f) { immutable(f.path("a.log"), true); }, nullptr,
               "Cannot write file: DIR/a.log\n" + immutableReason},
    OutputCase{"OutputHeldOpenByAnotherProgram", nullptr,
               [](auto& f) { holdOpen(f.path("a.log")); },
               "Cannot write file: DIR/a.log\n" + files::systemReason(ERROR_SHARING_VIOLATION)}),
    [](const auto& info) { return info.param.name; });
#endif
// clang-format on

#ifdef _WIN32
// Runs that replace the same outputs at the same time (here on two threads; the POSIX tests stop
// one run halfway) leave one run's whole set, and a reader finds every name at every moment.
TEST(OutputSet, RunsSideBySideLeaveOneWholeSet) {
    test::ScratchFolder folder;
    const std::array<std::string, 4> outputs{folder.write("a", ""), folder.write("b", ""),
                                             folder.write("c", ""), folder.write("d", "")};
    std::atomic<bool> running{true};
    std::atomic<int> missing{0};
    std::thread reader([&] {
        while (running)
            for (const auto& path : outputs)
                missing += fs::exists(files::nativePath(path)) ? 0 : 1;
    });
    const auto run = [&](const char* text) {
        OutputSet set;
        EXPECT_TRUE(set.create(outputs, {}));
        for (std::size_t i = 0; i < outputs.size(); ++i)
            set[i].write(text);
        EXPECT_TRUE(set.commit()) << set.failureMessage();
    };
    for (int round = 0; round < 20 && !HasFailure(); ++round) {
        std::thread other(run, "b");
        run("a");
        other.join();
        for (const auto& path : outputs)
            EXPECT_EQ(test::readBytes(path), test::readBytes(outputs[0])) << "round " << round;
    }
    running = false;
    reader.join();
    EXPECT_EQ(missing, 0);
}
#endif

#ifndef _WIN32
class FileSizeLimit : public testing::TestWithParam<std::size_t> {};

// A full disk or the user's file-size limit stops the output whether it is written in small
// buffered pieces or in large ones, and the earlier file stays.
TEST_P(FileSizeLimit, StopsTheOutputAndLeavesTheEarlierFile) {
    test::ScratchFolder folder;
    const std::array<std::string, 1> outputs{folder.write("a.tab", "earlier")};
    struct rlimit limit {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const struct rlimit lowered { 256 << 10, limit.rlim_max };
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    OutputSet set;
    ASSERT_TRUE(set.create(outputs, {}));
    for (std::size_t written = 0; written < (1 << 20) && set.ok(); written += GetParam())
        set[0].write(std::string(GetParam(), 'x'));
    const bool committed = set.commit();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(committed);
    EXPECT_EQ(set.failureMessage(), "Cannot write file: " + outputs[0] + "\nFile too large");
    EXPECT_EQ(test::readBytes(outputs[0]), "earlier");
    EXPECT_EQ(folder.fileNames(), std::vector<std::string>{"a.tab"});
}

INSTANTIATE_TEST_SUITE_P(Pieces, FileSizeLimit, testing::Values(10, 64 << 10),
                         [](const auto& info) { return info.param == 10 ? "Small" : "Large"; });

// A replaced output keeps what the user set on the earlier file; a link stays a link; the
// longest name the system allows can still be replaced.
TEST(OutputSet, ReplacingKeepsModeGroupAndLinks) {
    test::ScratchFolder folder;
    fs::create_directory(folder.path("kept"));
    ::chmod(folder.write("kept/target.csv", "earlier").c_str(), 0640);
    fs::create_symlink("kept/target.csv", folder.path("link.csv"));
    const std::string longName(255 - 4, 'x');
    const mode_t mask = ::umask(022);
    const std::array<std::string, 3> outputs{folder.path("link.csv"), folder.path("new.hst"),
                                             folder.path(longName + ".log")};
    OutputSet set;
    ASSERT_TRUE(set.create(outputs, {})) << set.failureMessage();
    for (std::size_t i = 0; i < outputs.size(); ++i)
        set[i].write("new");
    ASSERT_TRUE(set.commit()) << set.failureMessage();
    ::umask(mask);

    EXPECT_EQ(modeOf(folder.path("kept/target.csv")), 0640);
    EXPECT_EQ(modeOf(folder.path("new.hst")), 0644);
    EXPECT_EQ(fs::read_symlink(folder.path("link.csv")), "kept/target.csv");
    EXPECT_EQ(test::readBytes(folder.path("kept/target.csv")), "new");
    EXPECT_EQ(test::readBytes(outputs[2]), "new");
    EXPECT_EQ(folder.fileNames().size(), 4u);
}

// What the user set on an earlier output, as a command shows it, shows the same on its
// replacement. Each row: its name, the commands that set something on the file $F, and the one
// that shows it; a row whose setting this file system or user cannot make is skipped.
class KeptOnReplacing : public testing::TestWithParam<std::array<const char*, 3>> {};

TEST_P(KeptOnReplacing, ShownTheSameAfterwards) {
    test::ScratchFolder folder;
    const std::array<std::string, 1> outputs{folder.write("a.tab", "earlier")};
    const auto shell = [&](const std::string& commands) {
        std::string out(4096, '\0');
        FILE* pipe = ::popen(("F='" + outputs[0] + "'; " + commands + " 2>&1").c_str(), "r");
        out.resize(std::fread(out.data(), 1, out.size(), pipe));
        return std::pair{::pclose(pipe) == 0, out};
    };
    if (const auto [done, out] = shell(GetParam()[1]); !done) GTEST_SKIP() << out;
    const auto before = shell(GetParam()[2]);
    OutputSet set;
    ASSERT_TRUE(set.create(outputs, {}));
    set[0].write("new");
    ASSERT_TRUE(set.commit()) << set.failureMessage();
    EXPECT_EQ(shell(GetParam()[2]), before);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Settings, KeptOnReplacing, testing::Values(
    std::array{"AccessControlList", "chmod 600 \"$F\" && setfacl -m u:nobody:r \"$F\"", "getfacl -cp \"$F\""},
    std::array{"ExtendedAttribute", "setfattr -n user.note -v kept \"$F\"", "getfattr -d \"$F\""},
    std::array{"OwnerForTheAdministrator", "chown 65534:65534 \"$F\"", "stat -c %u:%g \"$F\""}),
    [](const auto& info) { return info.param[0]; });
// clang-format on
#endif

} // namespace
} // namespace vqd
