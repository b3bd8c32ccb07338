// The command line run by a script in a scratch folder: by the shell on POSIX, cmd.exe on Windows.
#include "../support/test_support.h"

#ifdef _WIN32
#include "files/windows_text.h"
#else
#include <csignal>
#include <sys/wait.h>
#endif

namespace vqd {
namespace {

using Files = std::map<std::string, std::string>;

// Writes `files` beside earlier outputs of cells.csv; returns the folder's files.
Files prepare(const test::ScratchFolder& folder, Files files) {
    for (const char* extension : {".rda", ".tab", ".hst", ".log"})
        files.emplace(std::string("cells.csv") + extension, extension);
    for (const auto& [name, bytes] : files)
        folder.write(name, bytes);
    return folder.contents();
}

// Exit status, output and error of `arguments` typed in `folder`, after `setting` on POSIX.
std::tuple<int, std::string, std::string> run(const test::ScratchFolder& folder,
                                              const std::string& arguments,
                                              [[maybe_unused]] const std::string& setting = "") {
    const auto caught = [&](const char* name) {
        const std::string bytes = test::readBytes(folder.path(name));
        std::filesystem::remove(files::nativePath(folder.path(name)));
        // Windows and the terminal end lines CR LF; a progress line shows a changing count.
        return std::regex_replace(std::regex_replace(bytes, std::regex("\r\n"), "\n"),
                                  std::regex("(\r[0-9]+ records, [0-9]+ records/s\x1b\\[K)+"),
                                  "(progress)");
    };
    const std::string command = "\"" VQD_CLI_PATH "\" >.out 2>.err " + arguments;
#ifdef _WIN32
    const int status =
        ::_wsystem(windows::wideOf("cd /d \"" + folder.path("") + "\" && " + command).c_str());
    return {status, caught(".out"), caught(".err")};
#else
    // Redirections among the arguments come later and win; the terminal's lines go to .tty.
    const int status =
        std::system(("cd '" + folder.path("") + "' && script -qec 'export LC_ALL=C; " + setting +
                     " " + command + "' /dev/null >.tty")
                        .c_str());
    return {WEXITSTATUS(status), caught(".out"), caught(".err") + caught(".tty")};
#endif
}

struct CliCase {
    const char* name;
    std::string arguments;
    int exitStatus;
    std::string out, err;
    std::string file{}, contains{}; // a file written (the others may be too), and bytes found in it
    std::string setting{};
};

// clang-format off
// Two columns of the template are named value: a name selects the first. On Windows ü is one byte
// of code page 1252, as a Windows program writes it.
const Files oneRecord{{"cells.csv", "R0;T;1,5;2;A;0"}};
const std::string many = test::crlfLines(Lines(20'000, "R1;T;1;1;A;0"));
const Files usual{
    {"cells.csv", test::cellFile({"NL;Total;1234,5;20;S;10", "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"})},
    {"my template.csv", "code;value;status;value\r\nx;0;-;A"}, {"1.csv", "only;\r\nx"},
    {"zavek.csv", "11,a,250,3,U,0\r\n12,b,7,1,S,0\r\n"}, {"bom.csv", "\xEF\xBB\xBF" "code;value\r\nx;0"},
    {"t.csv", "a,b;c\r\nx,y;z"}, {"-h", "1;2;-3;4;5;1;A;0"}, {"lf.hrc", "R1\n"}, {"lf.csv", "code;value\nx;0\n"},
    {"many.csv", many}, {"many.zavek", test::crlfLines(Lines(20'000, test::zavekRecord))}, {"bad.csv", many + "R1;T;1" + std::string(400, '0') + "e9;1;S;0"},
    {"łódź é Ω.csv", "Region;Age;Value;Freq;Flag;Dom\r\nZ\xFCrich;Total;20;2;S;0\r\nGR;0-14;1;3;A;0"},
    {"région Ω.hrc", "Z\xFCrich\r\n@GR\r\n"}};

const std::string error = "vqd2zavek-cli: error: ";
const std::string note = "vqd2zavek-cli: note: No record with totalcode ";
std::string lf(const std::string& name) {
    return "vqd2zavek-cli: note: Lines of " + name + " end in a line feed alone, which does not end a line: save it with CR LF line ends\n";
}
std::string usage(const std::string& text) { return error + text + "\nRun with --help for more information.\n"; }
const std::string back = "back --template \"my template.csv\" --zavek zavek.csv --output ";
const std::string forward = " --dim 2 --name1 R --name2 T --total1 R1 --total2 T";
#ifndef _WIN32
// Interrupts as a user's, though tests started in a script's background inherit ignoring them.
[[maybe_unused]] const bool interruptsAsUsual = [] {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    return true;
}();
const std::string r0 = "forward cells.csv --dim 2 --name1 R --name2 T --total1 R0 --total2 T";
// The shim raising `signal` (0: a hold of 0.6 s) at step `at`; without `exchange` no name swaps.
std::string shim(const std::string& at, int signal, bool exchange = true) {
    return "LD_PRELOAD=" VQD_INTERRUPT_SHIM " ASAN_OPTIONS=verify_asan_link_order=0 "
           "VQD_INTERRUPT_AT=" + at + " VQD_INTERRUPT_SIGNAL=" + std::to_string(signal) +
           (exchange ? "" : " VQD_NO_EXCHANGE=1");
}
// Held at its first write past the half second after which a terminal shows the progress line.
const std::string hold = shim("write:1", 0);
const std::string onTerminal = forward + " --hier1 lf.hrc >/dev/tty 2>&1";
// Runs in the background, then waits up to 5 s until that run waits in the kernel at `where`.
std::string andWhenItWaits(const std::string& where) {
    return " & for i in $(seq 500); do grep -q " + where + " /proc/$!/wchan && break; sleep 0.01; "
           "done; ";
}
const std::string byNames = "forward cells.csv --dim 2 --names-first --total1 NL --total2 Total", intoPipe = byNames + " >&3";
#endif

// The checks, the conversions' stops and the placing of the outputs are the engine's tables; here
// what the options add, the exit statuses, a stop of each kind as this program reports it, an
// interrupt and runs side by side.
const std::vector<CliCase> rows{
    {"NamesGivenOrFromTheFirstLineAndNotesEscaped", "forward cells.csv --dim 2 --names-first --name2 Ages --total1 \"X\x1b\" --total2 Total --levels2 \"1 2\"", 0,
     "3 records processed\n", note + "(X\\x1b) found for variable: Region\n", "cells.csv.rda", "\r\nRegion 5\r\n  <RECODABLE>\r\n  <TOTCODE> X\x1b\r\nAges 5\r\n  <RECODABLE>\r\n  <HIERARCHICAL>\r\n    <HIERLEVELS> 1 2\r\n"},
    {"BackColumnsByNameAndNumber", back + "o --var1 4 --value value --status 3 --freq none --dom 1", 0, "ready\n", "", "o", "code;value;status;value\r\n0;250;U;11\r\n0;7;S;12\r\n"},
    {"NoCommand", "", 2, "", usage("A subcommand is required")},
    {"HelpAsInTheManualAndVersion", "--help && \"" VQD_CLI_PATH "\" forward --help >>.out && \"" VQD_CLI_PATH "\" back --help >>.out && \"" VQD_CLI_PATH "\" --version >>.out", 0,
     test::readBytes(VQD_HELP_TEXT) + "vqd2zavek-cli " VQD_VERSION "\n", ""},
    // A misspelt option is named before what it kept from being given, and a last value left out.
    {"UnknownArgumentsInTheirOrder", "forward cells.csv --bogus extra --dim", 2, "", usage("The following arguments were not expected: --bogus extra")},
    {"ValueLeftOut", "forward cells.csv --dim --names-first --total1 X", 2, "", usage("--dim: its value is missing (--names-first is an option)")},
    {"ValueLeftOutBeforeTheLastArgument", "forward cells.csv --dim --sep", 2, "", usage("--dim: its value is missing (--sep is an option)")},
    {"OptionNamesAfterDoubleDashAreOperands", "forward --dim 2 -- --dim --sep", 2, "", usage("The following arguments were not expected: -- --sep")},
    {"ValueAttachedOperandAfterDoubleDashFourVariables", "forward --dim 4 --name1 a --name2 b --name3 c --name4 d --total1=--total2 --total2 2 --total3 -3 --total4 4 -- -h", 0,
     "1 records processed\n", note + "(--total2) found for variable: a\n", "-h.tab", "1;2;-3;4;5;1;"},
    {"InputEmpty", "forward \" \" --dim 2", 2, "", usage("INPUT is empty")},
    {"OutputEmpty", back + "\" \"", 2, "", usage("--output is empty")},
    {"NoColumnOfThatNameAfterAByteOrderMark", "back --template bom.csv --zavek zavek.csv --output o --var1 code", 2, "", usage("--var1: no column named \"code\" in the header line of bom.csv") +
     "vqd2zavek-cli: note: bom.csv starts with a UTF-8 byte-order mark, which becomes part of its first field: save it without one\n"},
    {"NoSecondColumnOfOne", "back --template 1.csv --zavek zavek.csv --output o --value 2", 2, "", usage("--value: no column 2 in the header line of 1.csv, which has 1 column")},
    {"NoColumnZero", back + "o --status 0", 2, "", usage("--status: no column 0 in the header line of my template.csv, which has 4 columns")},
    // A note that stops the run is its error; one after the error stays a note.
    {"UndecidedTemplateSeparatorStops", "back --template t.csv --zavek zavek.csv --output o", 1, "", error + "unable to decide about the separator in file t.csv: Both  \",\"  and \";\" have been found 1 times\n"},
    {"NoteAfterTheError", "back --template lf.csv --zavek zavek.csv --output o", 1, "", error + "No model line in template file: lf.csv\n" + lf("lf.csv")},
#ifdef _WIN32
    // Messages and texts in files are in the ANSI code page (1252: é is \xE9, ł and Ω are not in
    // it); names reach the files whatever their letters, and the code list by its short name.
    {"NamesInSeveralAlphabetsAndTotalCodesTyped", "forward \"łódź é Ω.csv\" --dim 2 --names-first --hier1 \"région Ω.hrc\" --total1 Zürich --total2 Totalé", 0, "2 records processed\n",
     note + "(Total\xE9) found for variable: Age\n", "łódź é Ω.csv.rda", "  <TOTCODE> Z\xFCrich\r\n"},
    {"DriveLetterAndBackslashes", "back --template \"C:my template.csv\" --zavek .\\zavek.csv --var1 code --value value --output \"C:wynik ł.csv\"", 0, "ready\n", "", "wynik ł.csv", "\r\n11;250;-;A\r\n"},
    {"DeviceAsOutput", back + "NUL", 1, "", error + "Cannot write file: NUL: not a regular file\n"},
#else
    {"StandardOutputAsOutput", back + "/dev/stdout", 1, "", error + "Cannot write file: /dev/stdout: not a regular file\n"},
    {"NoProgressLineWhereNoTerminalShowsIt", "forward many.csv" + forward + " --hier1 lf.hrc", 0, "20000 records processed\n", lf("lf.hrc"), "many.csv.tab", "R1;T;1;", hold},
    {"ProgressReplacedByNotesAndTheResult", "forward many.csv" + onTerminal, 0, "", "(progress)\r\x1b[K" + lf("lf.hrc") + "20000 records processed\n", "many.csv.tab", "R1;T;1;", hold},
    {"BackProgressReplacedByTheResult", "back --template \"my template.csv\" --zavek many.zavek --output o --value 2 >/dev/tty 2>&1", 0, "", "(progress)\r\x1b[Kready\n", "o", "x;250;", hold},
    {"ProgressReplacedByTheErrorLongValueCut", "forward bad.csv" + onTerminal, 1, "", "(progress)\r\x1b[K" + error + "Number out of range in line 20001: 1" + std::string(59, '0') + "...\n", "", "", hold},
    // The system's reason in the user's language; a closed output never written is no fault.
    {"InputNameEscapedReasonInTheUsersLanguage", "forward \"a\x1b[1mb\nc\" --dim 2 >&-", 1, "", error + "Cannot read file: a\\x1b[1mb\\nc: Datei oder Verzeichnis nicht gefunden\n", "", "", "LC_ALL=de_DE.UTF-8"},
    // A result line lost is a failure, as a file that could not be written, also when not even that can be said.
    {"ResultLineOnAFullDisk", "--version >/dev/full", 1, "", error + "Cannot write standard output: No space left on device\n"},
    {"ResultAndErrorOnAFullDisk", "--version >/dev/full 2>&1", 1, "", ""},
    {"ResultToAPipeNobodyReads", intoPipe, 0, "", "", "", "", "mkfifo p; (exec <p) & exec 3>p; wait; rm p;"},
    // A run started to ignore hang-ups (nohup) keeps ignoring them.
    {"HangUpIgnoredAsStarted", byNames, 0, "3 records processed\n", "", "cells.csv.tab", "NL;Total;1234.5", "trap \"\" HUP; " + shim("write:1", SIGHUP)},
    // An interrupt while the result waits on a full pipe ends the run at once, its files in place; half a second later a run still there is killed.
    {"InterruptedWhileTheResultWaitsOnAFullPipe", intoPipe + andWhenItWaits("pipe_write") + "kill -TERM $!; sleep 0.5; kill -KILL $! 2>/dev/null; wait $!", 128 + SIGTERM, "", "", "cells.csv.tab", "NL;Total;1234.5",
     "mkfifo p; exec 3<>p; rm p; dd if=/dev/zero of=/dev/fd/3 oflag=nonblock bs=1 2>/dev/null;"},
    // A run that starts while another, held halfway through putting its files in place, waits for it: the set that stands is the later run's whole.
    {"ALaterRunWaitsWhileOnePlacesItsFiles", "forward cells.csv" + forward + andWhenItWaits("nanosleep") + "printf \"R1;T;7;2;A;0\" >cells.csv; \"" VQD_CLI_PATH "\" forward cells.csv" + forward + "; wait", 0,
     "4 records processed\n", note + "(R1) found for variable: R\n" + note + "(T) found for variable: T\n1 records processed\n", "cells.csv.tab", "R1;T;7;", shim("place:6", 0)},
    // Notes come before the error that stops the run, here the file size limit on the metadata.
    {"NoteAndFileSizeLimit", "forward cells.csv --dim 2 --names-first --total1 X --total2 Total --name2 " + std::string(1100, 'x'), 1, "",
     note + "(X) found for variable: Region\n" + error + "Cannot write file: cells.csv.rda: File too large\n", "", "", "ulimit -f 1;"},
#endif
};
// clang-format on

class Cli : public testing::TestWithParam<CliCase> {};

// Whatever stops a run, the user gets one message naming the file or value, and every file kept.
TEST_P(Cli, ExitStatusMessagesAndFiles) {
    const CliCase& c = GetParam();
    test::ScratchFolder folder;
    const auto before = prepare(folder, usual);
    EXPECT_EQ(run(folder, c.arguments, c.setting), std::tuple(c.exitStatus, c.out, c.err));
    auto after = folder.contents();
    EXPECT_TRUE(c.exitStatus == 0 || !c.file.empty() || after == before) << "every file as it was";
    EXPECT_NE(after[c.file].find(c.contains), std::string::npos) << c.file;
#ifdef _WIN32
    // ZAVEK opens a code list by the code-page bytes of its name in the metadata.
    std::smatch list;
    const bool listed =
        std::regex_search(after[c.file], list, std::regex("<HIERCODELIST> \"(.*)\""));
    EXPECT_TRUE(!listed || std::filesystem::is_regular_file(files::nativePath(folder.path("")) /
                                                            windows::wideOf(list.str(1), CP_ACP)));
#endif
}

INSTANTIATE_TEST_SUITE_P(Commands, Cli, testing::ValuesIn(rows),
                         [](const auto& info) { return info.param.name; });

#ifndef _WIN32
// The new files, and no temporary one.
bool newSetStands(const Files& before, const Files& after) {
    return after.size() == before.size() && after.at("cells.csv.tab").starts_with("R0;T;1.5");
}

// Interrupted at any step of writing its outputs or putting them in place, a run ends by the
// signal and leaves the earlier files as they were, or, once the new files stand, finishes. Killed
// there, it leaves a file under every output's name, and the next run removes its temporary files.
TEST(Interrupted, AtEachStep) {
    for (const bool exchange : {true, false}) {
        for (const std::string step : {"write:", "place:", "remove:"}) {
            for (int n = 1;; ++n) {
                const std::string at = step + std::to_string(n);
                SCOPED_TRACE(at + (exchange ? "" : " without exchange"));
                test::ScratchFolder folder;
                const auto before = prepare(folder, oneRecord);
                if (std::get<0>(run(folder, r0, shim(at, SIGKILL, exchange))) != 128 + SIGKILL)
                    break; // past the last step
                for (const auto& [name, bytes] : before)
                    EXPECT_TRUE(std::filesystem::exists(folder.path(name))) << name;
                EXPECT_EQ(std::get<0>(run(folder, r0)), 0);
                EXPECT_TRUE(newSetStands(before, folder.contents()));

                // Each interrupt in turn, so that each is seen at several steps.
                const int interrupt = std::array{SIGINT, SIGTERM, SIGHUP}[n % 3];
                const bool placed = step == "remove:";
                prepare(folder, oneRecord);
                EXPECT_EQ(std::get<0>(run(folder, r0, shim(at, interrupt, exchange))),
                          placed ? 0 : 128 + interrupt);
                EXPECT_TRUE(placed ? newSetStands(before, folder.contents())
                                   : folder.contents() == before);
            }
        }
    }
}

#endif

} // namespace
} // namespace vqd
