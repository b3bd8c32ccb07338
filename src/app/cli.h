#pragma once
// vqd2zavek-cli: the conversions of the window, for scripts.

namespace vqd {

// Exit status: 0 done (notes allowed), 1 stopped by a check or an error with nothing written or
// replaced, 2 usage error.
enum ExitStatus { exitDone = 0, exitStopped = 1, exitUsage = 2 };

int runCommandLine(int argc, char** argv);

} // namespace vqd
