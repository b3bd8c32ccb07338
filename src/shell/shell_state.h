#pragma once
// The program's shared variables. The engine keeps no state of its own: the window layer holds
// these and passes them down as values.

#include <cstdint>
#include <string>

namespace vqd {

struct ShellState {
    // The separator the field splitter searches for, "TAB" already made the tab character.
    std::string FieldSeparator;
    // True while page 1, the forward conversion, is the page being worked on.
    bool ForwardPageActive = true;
    // Explanatory variables accepted for the input file; 0 while no file is named.
    std::int32_t VarCount = 0;
    // The filter last chosen in the input-file dialog, 1-based.
    std::int32_t FilterIndex = 1;
};

} // namespace vqd
