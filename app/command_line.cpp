#include "app/command_line.h"

#include <cstdio>
#include <cstring>

namespace t2j {
namespace {

constexpr char kHelp[] =
    "Usage: text2jpg [--help | --version]\n"
    "Opens the window that turns typed text into a JPEG picture. The window takes\n"
    "no options; text2jpg-cli makes the same pictures from the command line.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "  -V, --version  print the version and exit\n";

int Print(const char* text) {
  const bool written = std::fputs(text, stdout) >= 0;
  return std::fflush(stdout) == 0 && written ? 0 : 1;
}

}  // namespace

std::optional<int> AnswerCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      return Print(kHelp);
    }
    if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
      return Print("text2jpg " T2J_VERSION "\n");
    }
  }
  return std::nullopt;
}

}  // namespace t2j
