#include "app/cli.h"
#include "app/cli_output.h"
#include "app/console.h"
#include "files/file_access.h"

#include <clocale>
#include <csignal>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Take the user's locale, as the window does: the engine's numbers must not follow it.
    std::setlocale(LC_ALL, "");
    // A script that stops reading the result after the files are written must not kill the run.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    vqd::files::removeTemporaryFilesOnInterrupt(vqd::files::OncePlaced::finish);
    auto arguments = vqd::console::arguments(argc, argv);
    std::vector<char*> pointers;
    for (auto& argument : arguments)
        pointers.push_back(argument.data());
    return vqd::closeStandardOutput(
        vqd::runCommandLine(static_cast<int>(pointers.size()), pointers.data()));
}
