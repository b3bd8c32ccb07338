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
    std::string err;        // all of standard error; for a usage error, which adds a pointer to the
                            // help, its start
    std::string file{};     // when done: a file written, and `contains` bytes found in it
    std::string contains{}; // when stopped: every file is as it was
    std::string prepare = "true"; // shell commands run in the folder first; exit 77 skips the case
    std::string environment = "LC_ALL=C";
    std::string after = "true"; // shell commands run in the folder at the end, which must succeed
};

// Every file of the folder and its bytes.
std::map<std::string, std::string> contents(const test::ScratchFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& name : folder.fileNames()) {
        const auto path = folder.path(name);
        files[name] = std::filesystem::is_regular_file(path) ? test::readBytes(path) : "(folder)";
    }
    return files;
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
    // Two columns are named value: a name selects the first.
    folder.write("my template.csv", "code;value;status;value\r\nx;0;-;A");
    folder.write("zavek.csv", "11,a,250,3,U,0\r\n12,b,7,1,S,0\r\n");
    // Large enough to fill the disk's allowance below.
    std::string big;
    for (int i = 0; i < 40'000; ++i)
        big += "R" + std::to_string(i) + ";T;1,5;2;A;0\r\n";
    folder.write("big.csv", big);
    for (const char* output :
         {"big.csv.rda", "big.csv.tab", "big.csv.hst", "big.csv.log", "out.csv"})
        folder.write(output, std::string("earlier ") + output);
    const auto inFolder = [&](const std::string& commands) {
        const int status = std::system(("cd '" + folder.path("") + "' && " + commands).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const int prepared = inFolder(c.prepare);
    if (prepared == 77) GTEST_SKIP() << "not possible here: " << c.prepare;
    ASSERT_EQ(prepared, 0);
    const auto before = contents(folder);

    // `environment` is shell text put before the command (variables, ulimit, trap).
    const std::string command = "cd '" + folder.path("") + "' && " + c.environment + " '" +
                                VQD_CLI_PATH + "' " + c.arguments + " >.out 2>.err";
    const int status = std::system(command.c_str());
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
    EXPECT_EQ(inFolder(c.after), 0) << c.after;
}

const std::string error = "vqd2zavek-cli: error: ";
const std::string back = "back --template 'my template.csv' --zavek zavek.csv --output out.csv ";
const std::string forward = "forward big.csv --dim 2 --name1 R --name2 T --total1 R1 --total2 T ";
const std::string fullDisk = "trap '' XFSZ; ulimit -f 200; LC_ALL=C";

// A plain conversion is the window's run tests, compared with this program's files; the checks
// and the conversions' stops are the engine's tables, of which one of each kind here shows how
// this program reports them. Here: what the options add, the exit statuses, and the files left
// as they were when the system fails a conversion.
INSTANTIATE_TEST_SUITE_P(
    Commands, Cli,
    testing::Values(
        CliCase{"NamesGivenOrFromTheFirstLineAndNotes",
                "forward cells.csv --dim 2 --names-first --name2 Ages --total1 X --total2 Total", 0,
                "3 records processed\n",
                "vqd2zavek-cli: note: No record with totalcode (X) found for variable: Region\n",
                "cells.csv.rda", "\r\nRegion 5\r\n  <RECODABLE>\r\n  <TOTCODE> X\r\nAges 5\r\n"},
        CliCase{"BackColumnsByNameAndNumber",
                back + "--var1 code --value value --status 3 --freq none", 0, "ready\n", "",
                "out.csv", "code;value;status;value\r\n11;250;U;A\r\n12;7;S;A\r\n"},
        CliCase{"NoCommand", "", 2, "", error},
        // A misspelt option is named before the options it kept from being given.
        CliCase{"UnknownOptionBeforeMissingOne", "forward cells.csv --bogus", 2, "",
                error + "The following argument was not expected: --bogus\n"},
        CliCase{"UnknownOptionsInTheirOrder", "forward cells.csv --dim 2 --foo a --bar", 2, "",
                error + "The following arguments were not expected: --foo a --bar\n"},
        // An empty shell variable left the value out.
        CliCase{"ValueLeftOut", "forward cells.csv --dim --names-first --total1 X", 2, "",
                error + "--dim: its value is missing (--names-first is an option)\n"},
        CliCase{"BackValueLeftOut", back + "--var1 --value value", 2, "",
                error + "--var1: its value is missing (--value is an option)\n"},
        CliCase{"DimensionEmpty", "forward cells.csv --dim ' '", 2, "", error + "--dim is empty\n"},
        CliCase{"NoColumnOfThatName", back + "--status Status", 2, "",
                error +
                    "--status: no column named \"Status\" in the header line of my template.csv\n"},
        CliCase{"LastColumnByNumber", back + "--var1 4", 0, "ready\n", "", "out.csv",
                "code;value;status;value\r\nx;0;-;11\r\nx;0;-;12\r\n"},
        CliCase{"NoColumnOfThatNumber", back + "--var2 5", 2, "",
                error + "--var2: no column 5 in the header line of my template.csv, which has 4 "
                        "columns\n"},
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
        CliCase{"InputBlank", "forward ' ' --dim 2", 2, "", error + "INPUT is empty\n"},
        CliCase{"NoSeparator", "forward cells.csv --dim 2 --sep ,", 1, "",
                error + "No separator found in file: cells.csv\n"},
        CliCase{"InputVanished", "forward gone.csv --dim 2", 1, "",
                error + "Cannot read file: gone.csv: No such file or directory\n"},
        CliCase{"ForwardDiskFull", forward, 1, "",
                error + "Cannot write file: big.csv.tab: File too large\n", "", "", "true",
                fullDisk},
        CliCase{"OutputIsTheZavekFileSpelledOtherwise",
                "back --template 'my template.csv' --zavek zavek.csv --output ./zavek.csv", 1, "",
                error + "The output file ./zavek.csv is the same file as the ZAVEK output file: "
                        "zavek.csv\n"},
        CliCase{"OutputLinksToTheTemplate",
                "back --template 'my template.csv' --zavek zavek.csv --output t.lnk", 1, "",
                error + "The output file t.lnk is the same file as the template file: my "
                        "template.csv\n",
                "", "", "ln -s 'my template.csv' t.lnk"},
        CliCase{"HierarchyFileIsAnOutput", forward + "--hier1 big.csv.log", 1, "",
                error + "The output file is the same file as the hierarchy file of var 1: "
                        "big.csv.log\n"},
        CliCase{"InputIsAPipe", "forward pipe.csv --dim 2", 1, "",
                error + "Cannot read file: pipe.csv: not a regular file\n", "", "",
                "mkfifo pipe.csv"},
        CliCase{"UndecidedTemplateSeparatorStops",
                "back --template t2.csv --zavek zavek.csv --output out.csv", 1, "",
                error + "unable to decide about the separator in file t2.csv: Both  \",\"  and "
                        "\";\" have been found 1 times\n",
                "", "", "printf 'a,b;c\\r\\nx,y;z' >t2.csv"},
        CliCase{"LastOutputCannotBeReplaced", forward, 1, "",
                error + "Cannot write file: big.csv.log: Operation not permitted\n", "", "",
                "chattr +i big.csv.log 2>/dev/null || exit 77", "LC_ALL=C",
                "chattr -i big.csv.log"},
        CliCase{"ReplacedOutputStaysPrivate", forward, 0, "40000 records processed\n", "",
                "big.csv.tab", "R39999;T;1.5;2; 1.5;U;0.150;0.150\r\n", "chmod 600 big.csv.tab",
                "LC_ALL=C", "test \"$(stat -c %a big.csv.tab)\" = 600"},
        CliCase{"LineFeedsAloneAreNoted", "forward lf.csv --dim 0", 0, "1 records processed\n",
                "vqd2zavek-cli: note: Lines of lf.csv end in a line feed alone, which does not end "
                "a line: save it with CR LF line ends\n",
                "lf.csv.tab", "1;2;", "printf '1;2;A;0;x\\n3;4;A;0' >lf.csv"},
        CliCase{"OverflowingPercentageNamed", forward + "--dom1 1e-320", 1, "",
                error + "Number out of range in line 1: 1e-320\n", "", "",
                "printf 'R1;T;1000;1;B;95\\r\\n' >big.csv"},
        CliCase{"LongValueCut", forward, 1, "",
                error + "Number out of range in line 1: 1" + std::string(59, '0') + "...\n", "", "",
                "printf 'R1;T;1%0400de9;1;S;0' 0 >big.csv"}),
    [](const auto& info) { return info.param.name; });

// Starts the command line in `folder` with `arguments`, its standard output on `out` and
// `environment` added to its own; its pid.
pid_t start(const test::ScratchFolder& folder, std::vector<std::string> arguments, int out,
            std::vector<std::string> environment = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(folder.path("").c_str()) != 0) ::_exit(127);
        for (std::string& variable : environment)
            ::putenv(variable.data());
        ::dup2(out, STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        arguments.insert(arguments.begin(), VQD_CLI_PATH);
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execv(VQD_CLI_PATH, argv.data());
        ::_exit(127);
    }
    return pid;
}

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

class Interrupted : public testing::TestWithParam<int> {};

// Stopped in the middle of a large run, the command line leaves the earlier outputs as they were
// and no temporary file, whatever stops it.
TEST_P(Interrupted, LeavesTheEarlierOutputsAndNothingElse) {
    test::ScratchFolder folder;
    std::string cells;
    for (int i = 0; i < 1'500'000; ++i)
        cells += "R" + std::to_string(i) + ";T;1,5;2;A;0\r\n";
    folder.write("big.csv", cells);
    for (const char* output : {"big.csv.rda", "big.csv.tab", "big.csv.hst", "big.csv.log"})
        folder.write(output, std::string("earlier ") + output);
    const auto before = contents(folder);

    const pid_t pid = start(folder,
                            {"forward", "big.csv", "--dim", "2", "--name1", "R", "--name2", "T",
                             "--total1", "R1", "--total2", "T"},
                            STDOUT_FILENO);
    while (!writingOutputs(pid) && ::waitpid(pid, nullptr, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    ::kill(pid, GetParam());
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before the signal";
    EXPECT_EQ(WTERMSIG(status), GetParam());
    EXPECT_EQ(contents(folder), before);
}

INSTANTIATE_TEST_SUITE_P(Signals, Interrupted, testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

struct PlacingStep {
    const char* name;
    const char* at; // where the interrupt comes, as the preloaded shim reads it
    bool earlierStay;
};

class InterruptedWhilePlacing : public testing::TestWithParam<PlacingStep> {};

// An interrupt halfway through putting the files in place puts the earlier ones back and ends the
// run by the signal; one that comes once the new files stand lets the run finish, exit 0.
TEST_P(InterruptedWhilePlacing, LeavesOneWholeSetAndSaysWhich) {
    test::ScratchFolder folder;
    folder.write("cells.csv", crlfLines({"NL;Total;1234,5;20;S;10"}));
    for (const char* output : {"cells.csv.rda", "cells.csv.tab", "cells.csv.hst", "cells.csv.log"})
        folder.write(output, std::string("earlier ") + output);
    const auto before = contents(folder);
    const pid_t pid = start(folder,
                            {"forward", "cells.csv", "--dim", "2", "--name1", "R", "--name2", "A",
                             "--total1", "NL", "--total2", "Total"},
                            STDOUT_FILENO,
                            {std::string("LD_PRELOAD=") + VQD_INTERRUPT_SHIM,
                             std::string("VQD_INTERRUPT_AT=") + GetParam().at,
                             "ASAN_OPTIONS=verify_asan_link_order=0"});
    int status = 0;
    ::waitpid(pid, &status, 0);
    const auto after = contents(folder);
    if (GetParam().earlierStay) {
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
        EXPECT_EQ(after, before);
    } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        EXPECT_EQ(after.size(), before.size()) << "nothing but the new files";
        EXPECT_TRUE(after.at("cells.csv.tab").starts_with("NL;Total;1234.5"));
    }
}

INSTANTIATE_TEST_SUITE_P(Steps, InterruptedWhilePlacing,
                         testing::Values(PlacingStep{"HalfwayIn", "place:6", true},
                                         PlacingStep{"OnceTheNewFilesStand", "remove:1", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A script that stops reading before the result is printed does not lose the files.
TEST(Cli, ClosedOutputPipeIsNoFailure) {
    test::ScratchFolder folder;
    folder.write("cells.csv", crlfLines({"NL;Total;1234,5;20;S;10"}));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);
    const pid_t pid = start(folder,
                            {"forward", "cells.csv", "--dim", "2", "--name1", "R", "--name2", "A",
                             "--total1", "NL", "--total2", "Total"},
                            pipeEnds[1]);
    ::close(pipeEnds[1]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(folder.fileNames(),
              (std::vector<std::string>{"cells.csv", "cells.csv.hst", "cells.csv.log",
                                        "cells.csv.rda", "cells.csv.tab"}));
}

} // namespace
} // namespace vqd
