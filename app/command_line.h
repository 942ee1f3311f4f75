#pragma once

#include <optional>

namespace t2j {

// Answers --help (-h) and --version (-V) on standard output, before any display is opened.
// Returns the exit code when the program should end without a window; nullopt otherwise, and
// every other argument is left alone: the window takes no command line.
std::optional<int> AnswerCommandLine(int argc, char** argv);

}  // namespace t2j
