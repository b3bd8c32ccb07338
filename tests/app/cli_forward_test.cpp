#include "cli_run.h"

#include <gtest/gtest.h>

namespace vqd {
namespace {

using test::crlfLines;

using test::runCli;

const std::string cells = crlfLines({"Region;Age;Value;Freq;Flag;Dom", "NL;Total;1234,5;20;S;10",
                                     "GR;0-14;120,5;3;A;0", "GR;65+;-12,5;1;b;50"});
const std::string totals = "--total1 NL --total2 Total";

struct CliCase {
    const char* name;
    std::string arguments;
    int exitStatus;
    std::string out;
    std::string err; // the start of standard error
    bool writesOutputs;
};

class ForwardCommand : public testing::TestWithParam<CliCase> {};

TEST_P(ForwardCommand, ExitStatusAndMessages) {
    test::ScratchFolder folder;
    folder.write("cells.csv", cells);
    folder.write("cells.tsv", "a\tb\t1\t1\tS\t0\r\n");
    folder.write("r.hrc", crlfLines({"GR", "@x"}));
    const auto run = runCli(folder, GetParam().arguments);
    EXPECT_EQ(run.exitStatus, GetParam().exitStatus);
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err.substr(0, GetParam().err.size()), GetParam().err) << run.err;
    EXPECT_EQ(folder.fileNames().size(), GetParam().writesOutputs ? 7u : 3u);
}

// A plain conversion is the window's run test, compared with this program's files; the refusals
// and errors are the engine's tables and the fault test's. Here: what the options add.
INSTANTIATE_TEST_SUITE_P(
    Cases, ForwardCommand,
    testing::Values(
        CliCase{"NotesMissingTotal",
                "forward cells.csv --dim 2 --names-first --total1 X --total2 Total", 0,
                "3 records processed\n",
                "vqd2zavek-cli: note: No record with totalcode (X) found for variable: Region\n",
                true},
        CliCase{"TabSeparator",
                "forward cells.tsv --dim 2 --sep tab --name1 A --name2 B --total1 a --total2 b", 0,
                "1 records processed\n", "", true},
        CliCase{"NoSeparator", "forward cells.csv --dim 2 --sep ,", 1, "",
                "vqd2zavek-cli: error: No separator found in file: cells.csv\n", false},
        CliCase{"NoNamesWithoutNamesFirst", "forward cells.csv --dim 2 " + totals, 1, "",
                "vqd2zavek-cli: error: no variable name specified for var 1\n", false},
        CliCase{"DimensionEmpty", "forward cells.csv --dim ' '", 2, "",
                "vqd2zavek-cli: error: --dim is empty\n", false},
        CliCase{"NoCommand", "", 2, "", "vqd2zavek-cli: error: ", false}),
    [](const auto& info) { return info.param.name; });

TEST(ForwardCommandFiles, NamesFromFirstLineUnlessGiven) {
    test::ScratchFolder folder;
    folder.write("cells.csv", cells);
    ASSERT_EQ(
        runCli(folder, "forward cells.csv --dim 2 --names-first --name2 Ages " + totals).exitStatus,
        0);
    const auto rda = test::readBytes(folder.path("cells.csv.rda"));
    EXPECT_NE(rda.find("\r\nRegion 5\r\n"), std::string::npos);
    EXPECT_NE(rda.find("\r\nAges 5\r\n"), std::string::npos);
}

} // namespace
} // namespace vqd
