#include <cstdio>

#include "cli/cli_run.h"
#include "platform/messages.h"

int main(int argc, char** argv) {
  t2j::UseLocaleLanguage();
  return t2j::RunCommandLine(argc, argv, stdin, stdout, stderr);
}
