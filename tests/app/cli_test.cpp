#include "../support/test_support.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vqd {
namespace {

using test::crlfLines;

struct CliCase {
    const char* name;
    std::string arguments;
    int exitStatus;
    std::string out;
    // All of standard error; for a usage error, which points to the help, its start.
    std::string err;
    std::string file{};           // when done: a file written, and `contains` bytes found in it
    std::string contains{};       // when stopped: every file is as it was
    std::string prepare = "true"; // shell commands run in the folder first
    std::string limit = "-f unlimited"; // the program's largest file, as ulimit -f takes it
};

// Every file of the folder and its bytes.
std::map<std::string, std::string> contents(const test::ScratchFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : folder.fileNames())
        files[name] = test::readBytes(folder.path(name));
    return files;
}

void writeEarlierOutputs(const test::ScratchFolder& folder, const std::string& input) {
    for (const char* extension : {".rda", ".tab", ".hst", ".log"})
        folder.write(input + extension, "earlier " + input + extension);
}

class Cli : public testing::TestWithParam<CliCase> {};

// Run as a user's shell would. Whatever stops a conversion, the user gets one message naming the
// file or value, and finds every file as it was.
TEST_P(Cli, ExitStatusMessagesAndFiles) {
    const CliCase& c = GetParam();
    test::ScratchFolder folder;
    folder.write("cells.csv",
                 crlfLines({"Region;Age;Value;Freq;Flag;Dom", "NL;Total;1234,5;20;S;10",
                            "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"}));
    writeEarlierOutputs(folder, "cells.csv");
    // Two columns are named value: a name selects the first.
    folder.write("my template.csv", "code;value;status;value\r\nx;0;-;A");
    folder.write("zavek.csv", "11,a,250,3,U,0\r\n12,b,7,1,S,0\r\n");
    const auto inFolder = [&](const std::string& commands) {
        return std::system(("cd '" + folder.path("") + "' && " + commands).c_str());
    };
    ASSERT_EQ(inFolder(c.prepare), 0);
    const auto before = contents(folder);

    // Redirections among the arguments come later and win.
    const int status =
        inFolder("ulimit " + c.limit + "; LC_ALL=C '" VQD_CLI_PATH "' >.out 2>.err " + c.arguments);
    const std::string err = test::readBytes(folder.path(".err"));
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.exitStatus);
    EXPECT_EQ(test::readBytes(folder.path(".out")), c.out);
    EXPECT_EQ(c.exitStatus == 2 ? err.substr(0, c.err.size()) : err, c.err);
    std::filesystem::remove(folder.path(".out"));
    std::filesystem::remove(folder.path(".err"));
    if (c.exitStatus == 0) {
        EXPECT_NE(test::readBytes(folder.path(c.file)).find(c.contains), std::string::npos);
    } else {
        EXPECT_EQ(contents(folder), before);
    }
}

const std::string error = "vqd2zavek-cli: error: ";
const std::string back = "back --template 'my template.csv' --zavek zavek.csv --output out.csv ";
const std::string forward = "forward x.csv --dim 2 --name1 R --name2 T --total1 R1 --total2 T ";

// A plain conversion is the window's run tests, compared with this program's files; the checks,
// the conversions' stops and the placing of the outputs are the engine's tables, of which one of
// each kind here shows how this program reports them. Here: what the options add and the exit
// statuses.
INSTANTIATE_TEST_SUITE_P(
    Commands, Cli,
    testing::Values(
        CliCase{"NamesGivenOrFromTheFirstLineAndNotes",
                "forward cells.csv --dim 2 --names-first --name2 Ages --total1 X --total2 Total", 0,
                "3 records processed\n",
                "vqd2zavek-cli: note: No record with totalcode (X) found for variable: Region\n",
                "cells.csv.rda", "\r\nRegion 5\r\n  <RECODABLE>\r\n  <TOTCODE> X\r\nAges 5\r\n"},
        CliCase{"BackColumnsByNameAndNumber",
                back + "--var1 4 --value value --status 3 --freq none", 0, "ready\n", "", "out.csv",
                "code;value;status;value\r\nx;250;U;11\r\nx;7;S;12\r\n"},
        CliCase{"NoCommand", "", 2, "", error},
        // A misspelt option is named before the options it kept from being given.
        CliCase{"UnknownOptionBeforeMissingOne", "forward cells.csv --bogus", 2, "",
                error + "The following argument was not expected: --bogus\n"},
        CliCase{"ValueLeftOut", "forward cells.csv --dim --names-first --total1 X", 2, "",
                error + "--dim: its value is missing (--names-first is an option)\n"},
        CliCase{"ValueAttachedAndOperandAfterDoubleDash",
                "forward --dim 2 --name1 R --name2 T --total1=--total2 --total2 T -- -h", 0,
                "1 records processed\n",
                "vqd2zavek-cli: note: No record with totalcode (--total2) found for variable: R\n",
                "-h.tab", "R1;T;1;1;", "printf 'R1;T;1;1;A;0' >./-h"},
        CliCase{"DimensionEmpty", "forward cells.csv --dim ' '", 2, "", error + "--dim is empty\n"},
        CliCase{"NoColumnOfThatNameAfterAByteOrderMark", back + "--var1 code", 2, "",
                error + "--var1: no column named \"code\" in the header line of my template.csv\n"
                        "Run with --help for more information.\nvqd2zavek-cli: note: my "
                        "template.csv starts with a UTF-8 byte-order mark, which becomes part of "
                        "its first field: save it without one\n",
                "", "", "printf '\\357\\273\\277code;value\\r\\nx;0' >'my template.csv'"},
        CliCase{"NoSecondColumnOfOne",
                "back --template one.csv --zavek zavek.csv --output out.csv --value 2", 2, "",
                error + "--value: no column 2 in the header line of one.csv, which has 1 column\n",
                "", "", "printf 'only;\\r\\nx' >one.csv"},
        CliCase{"FourVariables",
                "forward four.csv --dim 4 --name1 a --name2 b --name3 c --name4 d "
                "--total1 1 --total2 2 --total3 3 --total4 4",
                0, "1 records processed\n", "", "four.csv.tab", "1;2;3;4;5;1;",
                "printf '1;2;3;4;5;1;A;0' >four.csv"},
        CliCase{"FiveVariables", "forward four.csv --dim 5", 1, "",
                error + "Dimension above 4 is not supported: 5\n", "", "",
                "printf '1;2;3;4;5;1;A;0;x' >four.csv"},
        CliCase{"InputVanishedItsNameEscaped", "forward \"$(printf 'a\\033[1mb\\nc')\" --dim 2", 1,
                "", error + "Cannot read file: a\\x1b[1mb\\nc: No such file or directory\n"},
        // A result line lost is a failure, as a file that could not be written.
        CliCase{"ResultLineOnAFullDisk", "--version >/dev/full", 1, "",
                error + "Cannot write standard output: No space left on device\n"},
        CliCase{"ResultLineOnAClosedOutput", "--version >&-", 1, "",
                error + "Cannot write standard output: Bad file descriptor\n"},
        CliCase{"FileSizeLimit", forward, 1, "",
                error + "Cannot write file: x.csv.tab: File too large\n", "", "",
                "printf 'R1;T;1;1;S;0\\r\\n%01100d;T;1;1;S;0' 0 >x.csv", "-f 1"},
        CliCase{"OutputLinksToTheTemplate",
                "back --template 'my template.csv' --zavek zavek.csv --output t.lnk", 1, "",
                error + "The output file t.lnk is the same file as the template file: my "
                        "template.csv\n",
                "", "", "ln -s 'my template.csv' t.lnk"},
        CliCase{"HierarchyFileIsAnOutput",
                "forward cells.csv --dim 2 --names-first --total1 X --total2 Total "
                "--hier1 cells.csv.log",
                1, "",
                error + "The output file is the same file as the hierarchy file of var 1: "
                        "cells.csv.log\n"},
        // A note that stops the run is its error.
        CliCase{"UndecidedTemplateSeparatorStops",
                "back --template t2.csv --zavek zavek.csv --output out.csv", 1, "",
                error + "unable to decide about the separator in file t2.csv: Both  \",\"  and "
                        "\";\" have been found 1 times\n",
                "", "", "printf 'a,b;c\\r\\nx,y;z' >t2.csv"},
        CliCase{"OverflowingPercentageNamed", forward + "--dom1 1e-320", 1, "",
                error + "Number out of range in line 1: 1e-320\n", "", "",
                "printf 'R1;T;1000;1;B;95\\r\\n' >x.csv"},
        CliCase{"LongValueCut", forward, 1, "",
                error + "Number out of range in line 1: 1" + std::string(59, '0') + "...\n", "", "",
                "printf 'R1;T;1%0400de9;1;S;0' 0 >x.csv"}),
    [](const auto& info) { return info.param.name; });

// Whether the run has its new outputs open: unnamed ones show as deleted files, named ones by
// their hidden temporary names.
bool writingOutputs(pid_t pid) {
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ignored)) {
        const auto target = std::filesystem::read_symlink(entry.path(), ignored).string();
        if (target.ends_with("(deleted)") || target.find("/.vqd-") != std::string::npos)
            return true;
    }
    return false;
}

struct Interrupt {
    const char* name;
    int signal;               // SIGPIPE: the run's output is a pipe whose reader is gone
    const char* at = nullptr; // where the preloaded shim raises the signal; else, while writing
    bool finishes = false;    // the run ends well with the new files
    bool blocked = false;     // sent once the new files stand, its output a full pipe
    bool exchange = true;     // whether the file system can swap two names
};

// A forward run of the command line in `folder`, stopped as `c` says through the preloaded shim,
// its standard output to `out`.
pid_t startForward(const test::ScratchFolder& folder, const Interrupt& c, int out = STDOUT_FILENO) {
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    if (::chdir(folder.path("").c_str()) != 0) ::_exit(127);
    if (c.at) {
        ::setenv("LD_PRELOAD", VQD_INTERRUPT_SHIM, 1);
        ::setenv("VQD_INTERRUPT_AT", c.at, 1);
        ::setenv("VQD_INTERRUPT_SIGNAL", std::to_string(c.signal).c_str(), 1);
        if (!c.exchange) ::setenv("VQD_NO_EXCHANGE", "1", 1);
        ::setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
    }
    ::dup2(out, STDOUT_FILENO);
    ::dup2(::open("/dev/null", O_WRONLY), STDERR_FILENO);
    ::execl(VQD_CLI_PATH, VQD_CLI_PATH, "forward", "cells.csv", "--dim", "2", "--name1", "R",
            "--name2", "T", "--total1", "R0", "--total2", "T", nullptr);
    ::_exit(127);
}

int statusOf(pid_t pid, int options = 0) {
    int status = 0;
    ::waitpid(pid, &status, options);
    return status;
}

// An input of `records` records beside earlier outputs; the folder's files.
std::map<std::string, std::string> prepareRun(const test::ScratchFolder& folder, int records = 1) {
    std::string cells;
    for (int i = 0; i < records; ++i)
        cells += "R" + std::to_string(i) + ";T;1,5;2;A;0\r\n";
    folder.write("cells.csv", cells);
    writeEarlierOutputs(folder, "cells.csv");
    return contents(folder);
}

class Interrupted : public testing::TestWithParam<Interrupt> {};

// Stopped while writing its outputs or halfway through putting them in place, the command line
// ends by the signal and leaves the earlier outputs as they were and no temporary file. An
// interrupt once the new files stand, or a script that stops reading before the result is
// printed, lets the run finish; one while the result waits for a reader ends it at once.
TEST_P(Interrupted, LeavesOneWholeSet) {
    const Interrupt& c = GetParam();
    const bool signalled = !c.at && !c.finishes;
    test::ScratchFolder folder;
    const auto before = prepareRun(folder, signalled && !c.blocked ? 1'500'000 : 1);
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_NONBLOCK), 0);
    // A pipe filled to the last byte, which nobody reads.
    while (c.blocked && ::write(pipeEnds[1], "x", 1) > 0)
        continue;
    ::fcntl(pipeEnds[1], F_SETFL, 0);
    if (!c.blocked) ::close(pipeEnds[0]);
    const pid_t pid =
        startForward(folder, c, c.signal == SIGPIPE || c.blocked ? pipeEnds[1] : STDOUT_FILENO);
    ::close(pipeEnds[1]);
    // Sent while the outputs are written, or while the result waits to go into the full pipe.
    const auto wchan = "/proc/" + std::to_string(pid) + "/wchan";
    while (signalled &&
           !(c.blocked ? test::readBytes(wchan).ends_with("pipe_write") : writingOutputs(pid)) &&
           ::waitpid(pid, nullptr, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    if (signalled) ::kill(pid, c.signal);
    // It ends within a second; one still running then is killed, and fails below.
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; signalled && i < 100 && (ended = ::waitpid(pid, &status, WNOHANG)) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (ended == 0 && signalled) ::kill(pid, SIGKILL);
    if (ended == 0) ::waitpid(pid, &status, 0);
    const auto after = contents(folder);
    if (c.finishes) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    } else {
        ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before the signal: " << status;
        EXPECT_EQ(WTERMSIG(status), c.signal);
    }
    if (c.finishes || c.blocked) {
        EXPECT_EQ(after.size(), before.size()) << "nothing but the new files";
        EXPECT_TRUE(after.at("cells.csv.tab").starts_with("R0;T;1.5"));
    } else {
        EXPECT_EQ(after, before);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Signals, Interrupted,
    testing::Values(Interrupt{"SIGINT", SIGINT}, Interrupt{"SIGTERM", SIGTERM},
                    Interrupt{"SIGHUP", SIGHUP},
                    Interrupt{"HalfwayThroughPlacing", SIGINT, "place:6"},
                    Interrupt{"HalfwayWithoutExchange", SIGINT, "place:6", false, false, false},
                    Interrupt{"OnceTheNewFilesStand", SIGINT, "remove:1", true},
                    Interrupt{"OutputPipeClosed", SIGPIPE, nullptr, true},
                    Interrupt{"OutputPipeFull", SIGTERM, nullptr, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// Killed at any step of putting its files in place, on a file system that can swap two names or
// one that cannot, a run leaves a file under every output's name; the next run removes the
// temporary files it left and puts its own set in place.
TEST(Killed, AtEachStepOfPlacing) {
    for (const bool exchange : {true, false}) {
        for (const std::string step : {"place:", "remove:"}) {
            for (int n = 1;; ++n) {
                const std::string at = step + std::to_string(n);
                SCOPED_TRACE(at + (exchange ? "" : " without exchange"));
                test::ScratchFolder folder;
                const auto before = prepareRun(folder);
                const int status = statusOf(
                    startForward(folder, {"", SIGKILL, at.c_str(), false, false, exchange}));
                if (!WIFSIGNALED(status)) break; // past the last step
                for (const auto& [name, bytes] : before)
                    EXPECT_TRUE(std::filesystem::exists(folder.path(name))) << name;
                EXPECT_EQ(statusOf(startForward(folder, {})), 0);
                EXPECT_EQ(contents(folder).size(), before.size()) << "no temporary file";
            }
        }
    }
}

// A run that starts while another puts its files in place waits for it, so that the set that
// stands is the later run's whole.
TEST(SideBySide, ALaterRunWaitsWhileOnePlacesItsFiles) {
    test::ScratchFolder folder;
    prepareRun(folder);
    const pid_t first = startForward(folder, {"", SIGSTOP, "place:6"});
    ASSERT_TRUE(WIFSTOPPED(statusOf(first, WUNTRACED)));
    prepareRun(folder, 2);
    const pid_t second = startForward(folder, {});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(first, SIGCONT);
    EXPECT_EQ(statusOf(first), 0);
    EXPECT_EQ(statusOf(second), 0);
    for (const char* extension : {".tab", ".hst"})
        EXPECT_NE(test::readBytes(folder.path(std::string("cells.csv") + extension)).find("R1"),
                  std::string::npos)
            << extension << " is the second run's";
}

} // namespace
} // namespace vqd
