#pragma once
// The command line's dealings with its console, where the systems differ: how the arguments
// arrive, how texts are written, and whether a progress line can be shown.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vqd::console {

// The program's arguments, file names in the form the file seam takes them (file_access.h): on
// Windows read from the wide command line and given as UTF-8, so that any name arrives whole.
std::vector<std::string> arguments(int argc, char** argv);

// Writes `text`, in the platform's code page as every text of the program, on `stream` (standard
// output or standard error): on Windows in the console's code page, or to the console itself.
void write(std::FILE* stream, std::string_view text);

// Whether standard error is a terminal that can show a line rewritten in place with "\r" and
// "\033[K"; on Windows this switches its console to take such sequences, where it can.
bool showsProgressLine();

} // namespace vqd::console
