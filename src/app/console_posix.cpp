#include "app/console.h"

#include <unistd.h>

namespace vqd::console {

std::vector<std::string> arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

void write(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

bool showsProgressLine() {
    return isatty(STDERR_FILENO) != 0;
}

} // namespace vqd::console
