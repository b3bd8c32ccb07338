#include "cli_run.h"

#include <gtest/gtest.h>

namespace vqd {
namespace {

TEST(CliBack, RunsAsTheContractSays) {
    const std::string error = "vqd2zavek-cli: error: --";
    const std::string header = "code;value;status;value\r\n";
    // options, exit status, standard output, start of standard error, result ("":
    // the earlier one left as it was). Two columns are named value: a name selects the first.
    // clang-format off
    const std::vector<std::tuple<std::string, int, std::string, std::string, std::string>> cases{
        {"--var1 code --value value --status 3 --freq none", 0, "ready\n", "", header + "11;250;U;A\r\n12;7;S;A\r\n"},
        {"--status Status", 2, "", error + "status: no column named \"Status\" in the header line of my template.csv\n", ""},
        {"--var2 5", 2, "", error + "var2: no column 5 in the header line of my template.csv, which has 4 columns\n", ""},
        {"--dom 0", 2, "", error + "dom: no column 0 ", ""},
    };
    // clang-format on
    for (const auto& [options, exitStatus, out, err, result] : cases) {
        SCOPED_TRACE(options);
        test::ScratchFolder folder;
        folder.write("my template.csv", header + "x;0;-;A");
        folder.write("zavek.csv", "11,a,250,3,U,0\r\n12,b,7,1,S,0\r\n");
        folder.write("result.csv", "earlier\r\n");
        const auto run = test::runCli(folder, "back --template 'my template.csv' --zavek zavek.csv "
                                              "--output result.csv " + options);
        EXPECT_EQ(run.exitStatus, exitStatus);
        EXPECT_EQ(run.out, out);
        EXPECT_EQ(run.err.substr(0, err.size()), err);
        EXPECT_EQ(test::readBytes(folder.path("result.csv")),
                  result.empty() ? "earlier\r\n" : result);
    }
}

} // namespace
} // namespace vqd
