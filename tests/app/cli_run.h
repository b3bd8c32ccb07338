#pragma once
// Runs the built command line as a user's shell would, in a scratch folder.

#include "../support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace vqd::test {

struct CliRun {
    int exitStatus;
    std::string out, err;
};

// `environment` is shell text put before the command (variables, ulimit, trap).
inline CliRun runCli(const ScratchFolder& folder, const std::string& arguments,
                     const std::string& environment = "LC_ALL=C") {
    const std::string command = "cd '" + folder.path("") + "' && " + environment + " '" +
                                VQD_CLI_PATH + "' " + arguments + " >.out 2>.err";
    const int status = std::system(command.c_str());
    CliRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBytes(folder.path(".out")),
               readBytes(folder.path(".err"))};
    std::filesystem::remove(folder.path(".out"));
    std::filesystem::remove(folder.path(".err"));
    return run;
}

} // namespace vqd::test
