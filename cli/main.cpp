#include <cstdio>

#include "cli/cli_run.h"

int main(int argc, char** argv) { return t2j::RunCommandLine(argc, argv, stdin, stdout, stderr); }
