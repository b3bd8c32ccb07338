#include "../support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sys/wait.h>

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
    std::string prepare = "true"; // shell commands run in the folder first
    std::string environment = "LC_ALL=C";
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
    std::string big, bigZavek;
    for (int i = 0; i < 40'000; ++i) {
        big += "R" + std::to_string(i) + ";T;1,5;2;A;0\r\n";
        bigZavek += "R" + std::to_string(i) + ",0,T,0,1.5,2,U,0\r\n";
    }
    folder.write("big.csv", big);
    folder.write("big.zavek", bigZavek);
    for (const char* output :
         {"big.csv.rda", "big.csv.tab", "big.csv.hst", "big.csv.log", "out.csv"})
        folder.write(output, std::string("earlier ") + output);
    ASSERT_EQ(std::system(("cd '" + folder.path("") + "' && " + c.prepare).c_str()), 0);
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
        CliCase{"DimensionEmpty", "forward cells.csv --dim ' '", 2, "", error + "--dim is empty\n"},
        CliCase{"NoColumnOfThatName", back + "--status Status", 2, "",
                error +
                    "--status: no column named \"Status\" in the header line of my template.csv\n"},
        CliCase{"NoColumnOfThatNumber", back + "--var2 5", 2, "",
                error + "--var2: no column 5 in the header line of my template.csv, which has 4 "
                        "columns\n"},
        CliCase{"NoSeparator", "forward cells.csv --dim 2 --sep ,", 1, "",
                error + "No separator found in file: cells.csv\n"},
        CliCase{"InputVanished", "forward gone.csv --dim 2", 1, "",
                error + "Cannot read file: gone.csv: No such file or directory\n"},
        CliCase{"NumberOutOfRange", forward, 1, "",
                error + "Number out of range in line 2: 1e999\n", "", "",
                "printf 'R1;T;1;1;S;0\\r\\nR2;T;1e999;1;S;0' >big.csv"},
        CliCase{"OutputNameIsAFolder", forward, 1, "",
                error + "Cannot write file: big.csv.log: Is a directory\n", "", "",
                "rm big.csv.log && mkdir big.csv.log"},
        CliCase{"ForwardDiskFull", forward, 1, "",
                error + "Cannot write file: big.csv.tab: File too large\n", "", "", "true",
                fullDisk},
        CliCase{"BackDiskFull",
                "back --template 'my template.csv' --zavek big.zavek --output out.csv --var1 code",
                1, "", error + "Cannot write file: out.csv: File too large\n", "", "", "true",
                fullDisk}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vqd
