#pragma once

#include <cstdio>

#include "cli/cli_options.h"

namespace t2j {

// Exit codes of text2jpg-cli.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Runs the command line: parses it, then converts (or lists, or prints help) and reports on
// `err`. Returns the exit code. Never throws.
int RunCommandLine(int argc, char** argv, FILE* in, FILE* out, FILE* err);

}  // namespace t2j
