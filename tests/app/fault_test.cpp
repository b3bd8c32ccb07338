#include "cli_run.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vqd {
namespace {

using test::crlfLines;

struct FaultCase {
    const char* name;
    std::string arguments;
    std::string prepare; // shell commands run in the folder first
    std::string message; // the one line on standard error
    std::string environment = "LC_ALL=C";
};

class Faults : public testing::TestWithParam<FaultCase> {};

// Whatever stops a conversion, the user gets one message naming the file or value, and finds
// every file as it was.
TEST_P(Faults, OneMessageNamingTheFileAndEverythingAsItWas) {
    test::ScratchFolder folder;
    std::string records;
    for (int i = 0; i < 40'000; ++i)
        records += "R" + std::to_string(i) + ";T;1,5;2;A;0\r\n";
    folder.write("cells.csv", records);
    folder.write("r.hrc", "R\r\n");
    std::string zavek;
    for (int i = 0; i < 40'000; ++i)
        zavek += "R" + std::to_string(i) + ",0,T,0,1.5,2,U,0\r\n";
    folder.write("zavek.csv", zavek);
    folder.write("template.csv", crlfLines({"r;t;v", "-;-;0"}));
    const std::vector<std::string> outputs = {"cells.csv.rda", "cells.csv.tab", "cells.csv.hst",
                                              "cells.csv.log", "out.csv"};
    for (const auto& output : outputs)
        folder.write(output, "earlier " + output);
    ASSERT_EQ(std::system(("cd '" + folder.path("") + "' && " + GetParam().prepare).c_str()), 0);
    const auto before = folder.fileNames();

    const auto run = test::runCli(folder, GetParam().arguments, GetParam().environment);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "vqd2zavek-cli: error: " + GetParam().message + "\n");
    EXPECT_EQ(folder.fileNames(), before);
    for (const auto& output : outputs) {
        if (std::filesystem::is_regular_file(folder.path(output))) {
            EXPECT_EQ(test::readBytes(folder.path(output)), "earlier " + output);
        }
    }
}

const std::string forward = "forward cells.csv --dim 2 --name1 R --name2 T --total1 R1 --total2 T ";
const std::string back =
    "back --template template.csv --zavek zavek.csv --output out.csv --var1 r --value v ";
const std::string fullDisk = "trap '' XFSZ; ulimit -f 200; LC_ALL=C";

INSTANTIATE_TEST_SUITE_P(
    Conversions, Faults,
    testing::Values(
        FaultCase{"InputVanished", "forward gone.csv --dim 2", "true",
                  "Cannot read file: gone.csv: No such file or directory"},
        FaultCase{"HierarchyIsAFolder", forward + "--hier1 hrc", "mkdir hrc",
                  "Cannot read file: hrc: Is a directory"},
        FaultCase{"NumberOutOfRange", forward, "printf 'R1;T;1;1;S;0\\r\\nR2;T;1e999;1;S;0' >cells.csv",
                  "Number out of range in line 2: 1e999"},
        FaultCase{"OutputNameIsAFolder", forward, "rm cells.csv.log && mkdir cells.csv.log",
                  "Cannot write file: cells.csv.log: Is a directory"},
        FaultCase{"ForwardDiskFull", forward, "true",
                  "Cannot write file: cells.csv.tab: File too large", fullDisk},
        FaultCase{"TemplateVanished", "back --template gone.csv --zavek zavek.csv --output out.csv",
                  "true", "Cannot read file: gone.csv: No such file or directory"},
        FaultCase{"ZavekIsAFolder", "back --template template.csv --zavek zdir --output out.csv",
                  "mkdir zdir", "Cannot read file: zdir: Is a directory"},
        FaultCase{"BackDiskFull", back, "true", "Cannot write file: out.csv: File too large",
                  fullDisk}),
    [](const auto& info) { return info.param.name; });

} // namespace
} // namespace vqd
