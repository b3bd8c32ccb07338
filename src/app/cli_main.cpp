#include "app/cli.h"

#include <clocale>

int main(int argc, char** argv) {
    // Take the user's locale, as the window does: the engine's numbers must not follow it.
    std::setlocale(LC_ALL, "");
    return vqd::runCommandLine(argc, argv);
}
