#pragma once
// vqd2zavek-cli: the conversions of the window, for scripts.

namespace CLI {
class App;
} // namespace CLI

namespace vqd {

// Exit status: 0 done (notes allowed), 1 stopped by a check or an error with nothing written or
// replaced, 2 usage error.
enum ExitStatus { exitDone = 0, exitStopped = 1, exitUsage = 2 };

int runCommandLine(int argc, char** argv);

// Refuses the first required option of `command` left blank, as a usage error naming it, as the
// window's go buttons stay disabled until each is filled in. True when one was refused.
bool refusedBlankRequired(const CLI::App& command);

} // namespace vqd
