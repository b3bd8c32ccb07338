#include "../support/test_support.h"
#include "files/output_file.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <atomic>
#include <thread>
#include <windows.h>
#else
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#endif

namespace vqd {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// Read-only: a.log as the user has said must not change, which Windows does not let us replace.
bool immutable(const test::ScratchFolder& folder, bool on) {
    return ::SetFileAttributesW(files::nativePath(folder.path("a.log")).c_str(),
                                on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
}
const std::string immutableReason = files::systemReason(ERROR_ACCESS_DENIED);

// Another program holding a file open and not letting it be renamed, as editors do.
HANDLE heldFile = INVALID_HANDLE_VALUE;
void release() {
    if (heldFile != INVALID_HANDLE_VALUE) ::CloseHandle(heldFile);
    heldFile = INVALID_HANDLE_VALUE;
}
#else
std::pair<bool, std::string> shell(const test::ScratchFolder& folder, const std::string& commands) {
    std::string out(4096, '\0');
    FILE* pipe = ::popen(("cd '" + folder.path("") + "' && " + commands + " 2>&1").c_str(), "r");
    out.resize(std::fread(out.data(), 1, out.size(), pipe));
    return {::pclose(pipe) == 0, out};
}
bool immutable(const test::ScratchFolder& folder, bool on) {
    return shell(folder, on ? "chattr +i a.log" : "chattr -i a.log").first;
}
const std::string immutableReason = "Operation not permitted";
void release() {}

// Writes to a.tab, in pieces of `size`, beyond a file size limit of 256 KiB, as the user can set.
void writeBeyondTheLimit(OutputSet& set, std::size_t size) {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const struct rlimit lowered { 256 << 10, limit.rlim_max };
    std::signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails, the program goes on
    ::setrlimit(RLIMIT_FSIZE, &lowered);
    for (std::size_t written = 0; written < (1 << 20) && set.ok(); written += size)
        set[0].write(std::string(size, 'x'));
    EXPECT_FALSE(set.ok()) << "a run stops at the first write that fails";
    ::setrlimit(RLIMIT_FSIZE, &limit);
}
#endif

// Windows lets only administrators and developers make symbolic links, and Wine none.
void linkOrSkip(const std::string& target, const std::string& name) {
    std::error_code error;
    fs::remove(name);
    fs::create_symlink(target, name, error);
    if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
}

// The files this process holds open, where the system lists them (and unnamed files can be named);
// not under Wine, whose /proc lists its own descriptors, which come and go with its work.
std::ptrdiff_t openFiles() {
#ifdef _WIN32
    return 0;
#else
    const fs::path listed = "/proc/self/fd";
    return fs::exists(listed) ? std::distance(fs::directory_iterator(listed), {}) : 0;
#endif
}

// Written after a single byte, which is buffered: a text beyond the buffer.
const std::string beyondTheBuffer(200 << 10, 'x');

// Outputs a.tab, a.rda (new), a.log of an action reading a.csv. A case spoils one thing before the
// set is made or placed (`message`: why not), or sets on a.tab what a command shows on the new.
struct OutputCase {
    const char* name;
    std::function<void(const test::ScratchFolder&)> before{};
    std::function<void(const test::ScratchFolder&, OutputSet&)> during{};
    std::string message{};
    std::map<std::string, std::string> madeDuring{}; // what `during` left in the folder
    const char* setting = nullptr; // skipped where this file system or user cannot make it
    const char* shown = nullptr;
    bool asNobody = false; // the file system takes the outputs' making as nobody's, in nogroup
};

class OutputSetFaults : public testing::TestWithParam<OutputCase> {
protected:
    void TearDown() override {
        release();
        immutable(folder, false);
    }
    test::ScratchFolder folder;
};

TEST_P(OutputSetFaults, EarlierFilesStayUnlessAllGoInPlace) {
    const OutputCase& c = GetParam();
    const std::array<InputFile, 1> inputs{{{"input file", folder.write("a.csv", "input")}}};
    const std::array<std::string, 3> outputs{folder.write("a.tab", "earlier a.tab"),
                                             folder.path("a.rda"),
                                             folder.write("a.log", "earlier a.log")};
    if (c.before) c.before(folder);
#ifndef _WIN32
    if (c.setting && !shell(folder, c.setting).first) GTEST_SKIP() << c.setting;
    const std::string shown = c.shown ? shell(folder, c.shown).second : "";
#endif
    auto expected = folder.contents();
    const auto held = openFiles();
#ifndef _WIN32
    const mode_t mask = ::umask(0); // a new output gets what the umask leaves of 0666
    if (c.asNobody) ::setfsgid(65534), ::setfsuid(65534);
#endif
    OutputSet set;
    bool done = !IsSkipped() && set.create(outputs, inputs);
#ifndef _WIN32
    ::umask(mask);
    if (c.asNobody) ::setfsuid(0), ::setfsgid(0);
#endif
    if (IsSkipped()) return;
    EXPECT_EQ(done, c.message.empty() || c.during) << "refused before anything is written";
    if (done) {
        for (std::size_t i = 0; i < outputs.size(); ++i) {
            set[i].write("n");
            set[i].write(beyondTheBuffer);
        }
        // Unnamed while written where the system can name such a file at the end, else hidden.
        for (const auto& name : folder.fileNames())
            EXPECT_TRUE(expected.contains(name) || (held == 0 && name.starts_with('.'))) << name;
        if (c.during) c.during(folder, set);
        if (IsSkipped()) return;
    }
    done = set.commit(); // a refused set is put in place no more than it was made
    EXPECT_EQ(set.failureMessage(), test::expand(folder, c.message));
    EXPECT_EQ(done, c.message.empty());
    for (const auto& [name, bytes] : c.madeDuring)
        expected[name] = bytes;
    // A link stays a link, and the file it leads to is replaced.
    for (const char* name : {"a.tab", "a.rda", "a.log"})
        if (done && !expected[name].starts_with("-> ")) expected[name] = "n" + beyondTheBuffer;
    EXPECT_EQ(folder.contents(), expected) << "no temporary file, nothing else replaced";
    EXPECT_EQ(openFiles(), held) << "every file let go";
    EXPECT_TRUE(!done || test::readBytes(outputs[0]) == "n" + beyondTheBuffer);
#ifndef _WIN32
    EXPECT_TRUE(!done || fs::status(outputs[1]).permissions() == fs::perms(0666)) << "umask";
    EXPECT_EQ(c.shown ? shell(folder, c.shown).second : "", shown);
#endif
}

const auto byName = [](const auto& info) { return info.param.name; };

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, OutputSetFaults, testing::Values(
    OutputCase{"Replaced"},
    OutputCase{"OutputIsAHardLinkToTheInput",
               [](auto& f) { fs::remove(f.path("a.log")); fs::create_hard_link(f.path("a.csv"), f.path("a.log")); },
               nullptr, "The output file DIR/a.log is the same file as the input file: DIR/a.csv"},
    OutputCase{"TwoOutputsOneFile",
               [](auto& f) { linkOrSkip("a.tab", f.path("a.rda")); },
               nullptr, "The output file DIR/a.rda is the same file as the output file: DIR/a.tab"},
    OutputCase{"FolderOfAnOutputsName",
               [](auto& f) { fs::create_directory(f.path("a.rda")); },
               nullptr, "Cannot write file: DIR/a.rda\nIs a directory"},
    OutputCase{"FolderMadeUnderAnOutputsNameDuringTheRun", nullptr,
               [](auto& f, auto&) { fs::create_directory(f.path("a.rda")); },
               "Cannot write file: DIR/a.rda\nIs a directory", {{"a.rda", "(folder)"}}},
    OutputCase{"LastOutputCannotBeReplaced", nullptr,
               [](auto& f, auto&) { if (!immutable(f, true)) GTEST_SKIP() << "chattr +i not permitted here"; },
               "Cannot write file: DIR/a.log\n" + immutableReason}),
    byName);

#ifndef _WIN32
// A pipe is not replaced by a file; the file size limit stops small buffered writes and large ones;
// what the user set on the earlier file is kept.
INSTANTIATE_TEST_SUITE_P(Posix, OutputSetFaults, testing::Values(
    OutputCase{"LinkToAPipe",
               [](auto& f) { ::mkfifo(f.path("p").c_str(), 0600); linkOrSkip("p", f.path("a.tab")); },
               nullptr, "Cannot write file: DIR/a.tab\nnot a regular file"},
    OutputCase{"PipeMadeUnderAnOutputsNameDuringTheRun", nullptr,
               [](auto& f, auto&) { fs::remove(f.path("a.log")); ::mkfifo(f.path("a.log").c_str(), 0600); },
               "Cannot write file: DIR/a.log\nnot a regular file", {{"a.log", "(pipe)"}}},
    OutputCase{"LinksInALoop",
               [](auto& f) { linkOrSkip("b", f.path("a.tab")); linkOrSkip("a.tab", f.path("b")); },
               nullptr, "Cannot write file: DIR/a.tab\n" + files::systemReason(ELOOP)},
    OutputCase{"BeyondTheFileSizeLimitInSmallPieces", nullptr,
               [](auto&, auto& set) { writeBeyondTheLimit(set, 10); }, "Cannot write file: DIR/a.tab\nFile too large"},
    OutputCase{"BeyondTheFileSizeLimitInLargePieces", nullptr,
               [](auto&, auto& set) { writeBeyondTheLimit(set, 64 << 10); }, "Cannot write file: DIR/a.tab\nFile too large"},
    OutputCase{.name = "ModeKept", .setting = "chmod 640 a.tab", .shown = "stat -c %a a.tab"},
    OutputCase{.name = "LinksAsManyAsTheSystemFollowsKept", .setting = "mkdir d && mv a.tab d/0 && for i in $(seq 39); do ln -s $((i - 1)) d/$i; done && ln -s d/39 a.tab", .shown = "readlink a.tab"},
    OutputCase{.name = "AccessControlListKept", .setting = "chmod 600 a.tab && setfacl -m u:nobody:r a.tab", .shown = "getfacl -cp a.tab"},
    OutputCase{.name = "ExtendedAttributeKept", .setting = "setfattr -n user.note -v kept a.tab && setfattr -n user.empty a.tab", .shown = "getfattr -d a.tab"},
    OutputCase{.name = "OwnerKeptForTheAdministrator", .setting = "chown 65534:65534 a.tab", .shown = "stat -c %u:%g a.tab"},
    OutputCase{.name = "GroupAndItsRightsKeptForAnotherUser", .setting = "chmod 777 . && chown 0:65534 a.tab && chmod 620 a.tab && setfattr -n user.note -v x a.tab", .shown = "stat -c %a:%g a.tab", .asNobody = true},
    OutputCase{.name = "FolderWrittenButNotListed", .setting = "chmod 703 .", .asNobody = true},
    OutputCase{.name = "GroupsRightsGoWithAGroupNotKept", .setting = "chmod 777 . && chown 0:0 a.tab && chmod 664 a.tab", .shown = "stat -c %a:%g a.tab | sed s/664:0/604:65534/", .asNobody = true}),
    byName);
// clang-format on

// An interrupt while outputs are written leaves none of their files, after many sets given up,
// the first refused, the second placed.
TEST(OutputSet, AnInterruptLeavesNoTemporaryFile) {
    test::ScratchFolder folder;
    const std::array<std::string, 2> outputs{folder.path("a"), folder.write("b", "b")};
    const std::array<InputFile, 1> input{{{"input file", outputs[1]}}};
    if (::fork() == 0) {
        files::removeTemporaryFilesOnInterrupt(files::OncePlaced::endAsUsual);
        OutputSet set;
        for (int i = 0; i <= 40; ++i) // each set given up for the next
            if (set.create(outputs, i == 0 ? input : std::span<const InputFile>{}) && i == 1)
                set.commit();
        if (set.ok()) std::raise(SIGTERM);
        std::_Exit(0);
    }
    int status = 0;
    ::wait(&status);
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_EQ(folder.fileNames(), (Lines{"a", "b"}));
}

// Without /proc to name unnamed files, outputs are written under hidden names: same rules. (Its
// rows skipped there are not this test's: run the command by hand to see a failure's details.)
TEST(OutputSet, NamedTemporaryFiles) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' runtime needs /proc";
#endif
    if (std::system("unshare -rm true 2>/dev/null") != 0) GTEST_SKIP() << "no user namespaces";
    const std::string command = "unshare -rm sh -c 'mount -t tmpfs none /proc && exec " +
                                fs::read_symlink("/proc/self/exe").string() +
                                " --gtest_filter=*OutputSetFaults*:*AnInterrupt*' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0);
}
#else
// clang-format off
INSTANTIATE_TEST_SUITE_P(Windows, OutputSetFaults, testing::Values(
    OutputCase{"ReadOnlyOutputFoundBeforeTheRun",
               [](auto& f) { immutable(f, true); }, nullptr,
               "Cannot write file: DIR/a.log\n" + immutableReason},
    OutputCase{"OutputHeldOpenByAnotherProgram", nullptr,
               [](auto& f, auto&) { heldFile = ::CreateFileW(files::nativePath(f.path("a.log")).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr); },
               "Cannot write file: DIR/a.log\n" + files::systemReason(ERROR_SHARING_VIOLATION)}),
    byName);
// clang-format on

// Runs replacing the same outputs at once leave one run's whole set, each name always there.
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

} // namespace
} // namespace vqd
