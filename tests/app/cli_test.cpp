// The command line run as a script runs it (the shell on POSIX, CreateProcessW on Windows) on
// files in a scratch folder; on POSIX also interrupted at each step of putting its files in place.
#include "../support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <regex>
#ifdef _WIN32
#include "files/windows_text.h"
#else
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

namespace vqd {
namespace {

using Files = std::map<std::string, std::string>;

// Every file of the folder and its bytes.
Files contents(const test::ScratchFolder& folder) {
    Files files;
    for (const auto& name : folder.fileNames())
        files[name] = test::readBytes(folder.path(name));
    return files;
}

// Writes `files` and earlier outputs of cells.csv; returns the folder's files.
Files prepare(const test::ScratchFolder& folder, Files files) {
    for (const char* extension : {".rda", ".tab", ".hst", ".log"})
        files.emplace(std::string("cells.csv") + extension, extension);
    for (const auto& [name, bytes] : files)
        folder.write(name, bytes);
    return contents(folder);
}

struct Finished {
    int exitStatus;
    std::string out, err;
};

// Runs the command line in `folder` with `arguments` as a user types them (double quotes hold a
// name with blanks together), on POSIX with the largest file `limit` allows (as ulimit -f takes
// it).
Finished run(const test::ScratchFolder& folder, const std::string& arguments,
             const char* limit = "unlimited") {
    const auto caught = [&](const char* name) {
        const std::string bytes = test::readBytes(folder.path(name));
        std::filesystem::remove(files::nativePath(folder.path(name)));
        // On Windows the lines of standard output and error end CR LF.
        return std::regex_replace(bytes, std::regex("\r\n"), "\n");
    };
#ifdef _WIN32
    DWORD status = static_cast<DWORD>(-1);
    std::wstring program(MAX_PATH, L'\0');
    program.resize(::GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    program = (std::filesystem::path(program).parent_path() / VQD_CLI_RELATIVE_PATH).wstring();
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto open = [&](const char* name) {
        return ::CreateFileW(files::nativePath(folder.path(name)).c_str(), GENERIC_WRITE,
                             FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    };
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW), .dwFlags = STARTF_USESTDHANDLES};
    startup.hStdOutput = open(".out");
    startup.hStdError = open(".err");
    std::wstring commandLine = L"vqd2zavek-cli " + windows::wideOf(arguments);
    PROCESS_INFORMATION process{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                         files::nativePath(folder.path("")).c_str(), &startup, &process)) {
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    ::CloseHandle(startup.hStdOutput);
    ::CloseHandle(startup.hStdError);
    return {static_cast<int>(status), caught(".out"), caught(".err")};
#else
    // Redirections among the arguments come later and win.
    const int ended = std::system(("cd '" + folder.path("") + "' && ulimit -f " + limit +
                                   "; LC_ALL=C '" VQD_CLI_PATH "' >.out 2>.err " + arguments)
                                      .c_str());
    return {WIFEXITED(ended) ? WEXITSTATUS(ended) : -1, caught(".out"), caught(".err")};
#endif
}

enum class On { both, posix, windows };

struct CliCase {
    const char* name;
    std::string arguments;
    int exitStatus;
    std::string out, err;
    Files written{}; // when done: bytes found in each of these files
    Files given{};   // beside the usual files, or in their place
    On on = On::both;
    const char* limit = "unlimited";
};

class Cli : public testing::TestWithParam<CliCase> {};

// Whatever stops a conversion, the user gets one message naming the file or value and finds every
// file as it was; done, a run leaves its files and no temporary one.
TEST_P(Cli, ExitStatusMessagesAndFiles) {
    const CliCase& c = GetParam();
    test::ScratchFolder folder;
    Files files = c.given;
    // Two columns of the template are named value: a name selects the first.
    files.insert(
        {{"cells.csv", test::crlfLines({"Region;Age;Value;Freq;Flag;Dom", "NL;Total;1234,5;20;S;10",
                                        "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"})},
         {"my template.csv", "code;value;status;value\r\nx;0;-;A"},
         {"zavek.csv", "11,a,250,3,U,0\r\n12,b,7,1,S,0\r\n"}});
    const auto before = prepare(folder, files);

    const Finished result = run(folder, c.arguments, c.limit);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.err, c.err);
    if (c.exitStatus != 0) {
        EXPECT_EQ(contents(folder), before);
    }
    for (const auto& name : folder.fileNames())
        EXPECT_FALSE(name.starts_with(".vqd-")) << "temporary file left: " << name;
    for (const auto& [name, bytes] : c.written) {
        const std::string text = test::readBytes(folder.path(name));
        EXPECT_NE(text.find(bytes), std::string::npos) << name << ": " << text;
#ifdef _WIN32
        // ZAVEK opens a code list by the code-page bytes of its name in the metadata.
        std::smatch list;
        if (std::regex_search(text, list, std::regex("<HIERCODELIST> \"([^\"]*)\"")))
            EXPECT_TRUE(std::filesystem::is_regular_file(files::nativePath(folder.path("")) /
                                                         windows::wideOf(list.str(1), CP_ACP)));
#endif
    }
}

const std::string error = "vqd2zavek-cli: error: ";
std::string usage(const std::string& text) {
    return error + text + "\nRun with --help for more information.\n";
}
const std::string back = "back --template \"my template.csv\" --zavek zavek.csv --output ";
const std::string forward = "forward x.csv --dim 2 --name1 R --name2 T --total1 R1 --total2 T ";

// The checks, the conversions' stops and the placing of the outputs are the engine's tables; here
// what the options add, the exit statuses, and a stop of each kind as this program reports it.
// On Windows messages and texts in files are in the ANSI code page (1252: é is \xE9, ł and Ω are
// not in it); names reach the files whatever their letters.
std::vector<CliCase> rows() {
    std::vector<CliCase> all{
        {"NamesGivenOrFromTheFirstLineAndNotesEscaped",
         "forward cells.csv --dim 2 --names-first --name2 Ages --total1 \"X\x1b\" --total2 Total",
         0,
         "3 records processed\n",
         "vqd2zavek-cli: note: No record with totalcode (X\\x1b) found for variable: Region\n",
         {{"cells.csv.rda", "\r\nRegion 5\r\n  <RECODABLE>\r\n  <TOTCODE> X\x1b\r\nAges 5\r\n"}}},
        {"BackColumnsByNameAndNumber",
         back + "o --var1 4 --value value --status 3 --freq none",
         0,
         "ready\n",
         "",
         {{"o", "code;value;status;value\r\nx;250;U;11\r\nx;7;S;12\r\n"}}},
        {"NoCommand", "", 2, "", usage("A subcommand is required")},
        // A misspelt option is named before the options it kept from being given.
        {"UnknownArgumentsInTheirOrder", "forward cells.csv --bogus extra", 2, "",
         usage("The following arguments were not expected: --bogus extra")},
        {"ValueLeftOut", "forward cells.csv --dim --names-first --total1 X", 2, "",
         usage("--dim: its value is missing (--names-first is an option)")},
        {"ValueLeftOutLeavingItsOwnOver", "forward cells.csv --dim --sep \";\"", 2, "",
         usage("--dim: its value is missing (--sep is an option)")},
        {"ValueAttachedOperandAfterDoubleDashFourVariables",
         "forward --dim 4 --name1 a --name2 b --name3 c --name4 d --total1=--total2 --total2 2 "
         "--total3 -3 --total4 4 -- -h",
         0,
         "1 records processed\n",
         "vqd2zavek-cli: note: No record with totalcode (--total2) found for variable: a\n",
         {{"-h.tab", "1;2;-3;4;5;1;"}},
         {{"-h", "1;2;-3;4;5;1;A;0"}}},
        {"DimensionEmpty", "forward cells.csv --dim \" \"", 2, "", usage("--dim is empty")},
        {"NoColumnOfThatNameAfterAByteOrderMark",
         back + "o --var1 code",
         2,
         "",
         usage("--var1: no column named \"code\" in the header line of my template.csv") +
             "vqd2zavek-cli: note: my template.csv starts with a UTF-8 byte-order mark, which "
             "becomes part of its first field: save it without one\n",
         {},
         {{"my template.csv", "\xEF\xBB\xBF"
                              "code;value\r\nx;0"}}},
        {"NoSecondColumnOfOne",
         "back --template 1.csv --zavek zavek.csv --output o --value 2",
         2,
         "",
         usage("--value: no column 2 in the header line of 1.csv, which has 1 column"),
         {},
         {{"1.csv", "only;\r\nx"}}},
        {"OutputIsTheTemplate", back + "\"./my template.csv\"", 1, "",
         error + "The output file ./my template.csv is the same file as the template file: my "
                 "template.csv\n"},
        {"HierarchyFileIsAnOutput",
         "forward cells.csv --dim 2 --names-first --total1 X --total2 Total --hier1 cells.csv.log",
         1, "",
         error + "The output file is the same file as the hierarchy file of var 1: "
                 "cells.csv.log\n"},
        // A note that stops the run is its error.
        {"UndecidedTemplateSeparatorStops",
         "back --template t.csv --zavek zavek.csv --output o",
         1,
         "",
         error + "unable to decide about the separator in file t.csv: Both  \",\"  and \";\" "
                 "have been found 1 times\n",
         {},
         {{"t.csv", "a,b;c\r\nx,y;z"}}},
        {"OverflowingPercentageNamed",
         forward + "--dom1 1e-320",
         1,
         "",
         error + "Number out of range in line 1: 1e-320\n",
         {},
         {{"x.csv", "R1;T;1000;1;B;95"}}},
        {"LongValueCut",
         forward,
         1,
         "",
         error + "Number out of range in line 1: 1" + std::string(59, '0') + "...\n",
         {},
         {{"x.csv", "R1;T;1" + std::string(400, '0') + "e9;1;S;0"}}},
        {"InputNameEscaped",
         "forward \"a\x1b[1mb\nc\" --dim 2",
         1,
         "",
         error + "Cannot read file: a\\x1b[1mb\\nc: No such file or directory\n",
         {},
         {},
         On::posix},
        // A result line lost is a failure, as a file that could not be written.
        {"ResultLineOnAFullDisk",
         "--version >/dev/full",
         1,
         "",
         error + "Cannot write standard output: No space left on device\n",
         {},
         {},
         On::posix},
        {"ResultLineOnAClosedOutput",
         "--version >&-",
         1,
         "",
         error + "Cannot write standard output: Bad file descriptor\n",
         {},
         {},
         On::posix},
        {"FileSizeLimit",
         forward,
         1,
         "",
         error + "Cannot write file: x.csv.tab: File too large\n",
         {},
         {{"x.csv", "R1;T;1;1;S;0\r\n" + std::string(1100, '0') + ";T;1;1;S;0"}},
         On::posix,
         "1"},
        {"NamesInSeveralAlphabetsAndTotalCodeTyped",
         "forward \"łódź é Ω.csv\" --dim 2 --names-first --hier1 \"région Ω.hrc\" --total1 Zürich "
         "--total2 Total",
         0,
         "2 records processed\n",
         "",
         // Ω is not in the code page: the code list's short name is written.
         {{"łódź é Ω.csv.rda", "  <TOTCODE> Z\xFCrich\r\n"},
          {"łódź é Ω.csv.tab", "Z\xFCrich;Total;20;2; 20;S;"},
          {"łódź é Ω.csv.log", "Logfile for converting ?\xF3"
                               "d? \xE9 ?.csv to ZAVEK"}},
         // Written by a Windows program: ü is one byte of code page 1252.
         {{"łódź é Ω.csv", "Region;Age;Value;Freq;Flag;Dom\r\nZ\xFCrich;Total;20;2;S;0\r\n"
                           "GR;0-14;120,5;3;A;0\r\n"},
          {"région Ω.hrc", "Z\xFCrich\r\n@GR\r\n"}},
         On::windows},
        {"DriveLetterAndBackslashes",
         "back --template \"C:my template.csv\" --zavek .\\zavek.csv --output \"C:wynik ł.csv\" "
         "--var1 code --value value",
         0,
         "ready\n",
         "",
         {{"wynik ł.csv", "\r\n11;250;-;A\r\n"}},
         {},
         On::windows},
        {"InputNamedInTheCodePage",
         "forward \"dossier é\" --dim 2",
         1,
         "",
         error + "Cannot read file: dossier \xE9: " + test::missingFileReason + "\n",
         {},
         {},
         On::windows},
        {"DeviceAsOutput",
         back + "NUL",
         1,
         "",
         error + "Cannot write file: NUL: not a regular file\n",
         {},
         {},
         On::windows},
    };
#ifdef _WIN32
    std::erase_if(all, [](const CliCase& c) { return c.on == On::posix; });
#else
    std::erase_if(all, [](const CliCase& c) { return c.on == On::windows; });
#endif
    return all;
}

INSTANTIATE_TEST_SUITE_P(Commands, Cli, testing::ValuesIn(rows()),
                         [](const auto& info) { return info.param.name; });

// The help of the program and of each command, as the manual page shows it.
TEST(Help, AsInTheManual) {
    test::ScratchFolder folder;
    std::string help;
    for (const char* command : {"--help", "forward --help", "back --help"})
        help += run(folder, command).out;
    EXPECT_EQ(help, test::readBytes(VQD_HELP_TEXT));
}

#ifndef _WIN32
struct Interrupt {
    const char* at = nullptr; // where the preloaded shim raises the signal
    int signal = 0;
    bool exchange = true; // whether the file system can swap two names
};

// A forward run of cells.csv in `folder`, interrupted as `c` says, its standard output to `out`.
pid_t startForward(const test::ScratchFolder& folder, const Interrupt& c = {},
                   int out = STDOUT_FILENO) {
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
Files prepareRun(const test::ScratchFolder& folder, int records = 1) {
    std::string cells;
    for (int i = 0; i < records; ++i)
        cells += "R" + std::to_string(i) + ";T;1,5;2;A;0\r\n";
    return prepare(folder, {{"cells.csv", cells}});
}

bool newSetStands(const Files& before, const Files& after) {
    return after.size() == before.size() && after.at("cells.csv.tab").starts_with("R0;T;1.5");
}

// Interrupted at any step of writing its outputs or putting them in place, on a file system that
// can swap two names or one that cannot, a run ends by the signal and leaves the earlier files as
// they were, or, once the new files stand, finishes. Killed there, it leaves a file under every
// output's name, and the next run removes the temporary files it left.
TEST(Interrupted, AtEachStep) {
    for (const bool exchange : {true, false}) {
        for (const std::string step : {"write:", "place:", "remove:"}) {
            for (int n = 1;; ++n) {
                const std::string at = step + std::to_string(n);
                // Each interrupt in turn, so that each is seen at several steps.
                const int interrupt = std::array{SIGINT, SIGTERM, SIGHUP}[n % 3];
                SCOPED_TRACE(at + (exchange ? "" : " without exchange") + ", signal " +
                             std::to_string(interrupt));
                test::ScratchFolder folder;
                const auto before = prepareRun(folder);
                const int killed = statusOf(startForward(folder, {at.c_str(), SIGKILL, exchange}));
                if (!WIFSIGNALED(killed)) break; // past the last step
                for (const auto& [name, bytes] : before)
                    EXPECT_TRUE(std::filesystem::exists(folder.path(name))) << name;
                EXPECT_EQ(statusOf(startForward(folder)), 0);
                EXPECT_TRUE(newSetStands(before, contents(folder))) << "no temporary file";

                prepareRun(folder);
                const int status =
                    statusOf(startForward(folder, {at.c_str(), interrupt, exchange}));
                if (step == "remove:") {
                    EXPECT_EQ(status, 0);
                    EXPECT_TRUE(newSetStands(before, contents(folder)));
                } else {
                    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == interrupt) << status;
                    EXPECT_EQ(contents(folder), before);
                }
            }
        }
    }
}

// A script that stops reading before the result is printed has what it wanted: the run finishes.
// An interrupt while the result waits for a reader ends the run at once, its files in place.
TEST(Interrupted, WhileTheResultWaitsOnAPipe) {
    for (const bool full : {false, true}) {
        test::ScratchFolder folder;
        const auto before = prepareRun(folder);
        int ends[2];
        ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
        // Filled to the last byte, and nobody reads it; or its reader gone.
        while (full && ::write(ends[1], "x", 1) > 0)
            continue;
        ::fcntl(ends[1], F_SETFL, 0);
        if (!full) ::close(ends[0]);
        const pid_t pid = startForward(folder, {}, ends[1]);
        ::close(ends[1]);
        int status = 0;
        if (full) {
            const auto wchan = "/proc/" + std::to_string(pid) + "/wchan";
            while (!test::readBytes(wchan).ends_with("pipe_write") &&
                   ::waitpid(pid, &status, WNOHANG) == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            ::kill(pid, SIGTERM);
            // It ends at once: one still waiting a second later is let go, and fails below.
            for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ::close(ends[0]);
        }
        if (status == 0) status = statusOf(pid);
        EXPECT_EQ(status, full ? SIGTERM : 0); // ended by the signal, or done
        EXPECT_TRUE(newSetStands(before, contents(folder)));
    }
}

// A run that starts while another puts its files in place waits for it, so that the set that
// stands is the later run's whole.
TEST(SideBySide, ALaterRunWaitsWhileOnePlacesItsFiles) {
    test::ScratchFolder folder;
    prepareRun(folder);
    const pid_t first = startForward(folder, {"place:6", SIGSTOP});
    ASSERT_TRUE(WIFSTOPPED(statusOf(first, WUNTRACED)));
    prepareRun(folder, 2);
    const pid_t second = startForward(folder);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(first, SIGCONT);
    EXPECT_EQ(statusOf(first), 0);
    EXPECT_EQ(statusOf(second), 0);
    for (const char* extension : {".tab", ".hst"})
        EXPECT_NE(test::readBytes(folder.path(std::string("cells.csv") + extension)).find("R1"),
                  std::string::npos)
            << extension << " is the second run's";
}

// On a terminal a run longer than half a second shows its progress on one line, which the result
// or the error that stops the run replaces. The shim holds the first write of an output that long.
TEST(Progress, OnATerminalReplacedByWhatFollows) {
    test::ScratchFolder folder;
    std::string cells;
    for (int i = 0; i < 20'000; ++i)
        cells += "R0;T;1;1;A;0\r\n";
    for (const std::string last : {"", "R0;T;1e999;1;A;0"}) {
        folder.write("cells.csv", cells + last);
        std::system(("cd '" + folder.path("") +
                     "' && script -qec \"LD_PRELOAD='" VQD_INTERRUPT_SHIM
                     "' VQD_INTERRUPT_AT=write:1 VQD_INTERRUPT_SIGNAL=0 '" VQD_CLI_PATH
                     "' forward cells.csv --dim 2 --name1 R --name2 T --total1 R0 --total2 T\" "
                     "/dev/null >.tty")
                        .c_str());
        const std::string shown = test::readBytes(folder.path(".tty"));
        EXPECT_TRUE(std::regex_search(shown, std::regex("\r[0-9]+ records, [0-9]+ records/s\x1b\\[K"
                                                        "\r\x1b\\[K(20000 records processed|" +
                                                        error + "Number out of range)")))
            << shown;
    }
}
#endif

} // namespace
} // namespace vqd
