// The command line of text2jpg-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/render_settings.h"

namespace t2j {

enum class InputEncoding { kUtf8, kGb18030 };

enum class CliAction { kConvert, kHelp, kVersion, kListFonts, kListColors };

struct CliOptions {
  CliAction action = CliAction::kConvert;
  std::string input_path = "-";             // "-": standard input
  std::string output_path = "Picture.jpg";  // "-": standard output
  RenderSettings settings{std::string(kDefaultFontName), kDefaultFontSize, kDefaultTextColor,
                          kDefaultLineSpacing, kDefaultMargin};
  InputEncoding encoding = InputEncoding::kUtf8;
  int32_t pixels_per_inch = kDefaultPixelsPerInch;
};

// What went wrong on the command line, for exit code 2.
struct UsageError {
  std::string message;
};

// Reads the arguments (without the program name). Numbers follow the window's number rules
// (12, +12, $C, 0x0C); a text those rules refuse is a usage error naming the option.
struct ParsedCommandLine {
  std::optional<CliOptions> options;
  std::optional<UsageError> error;
};
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The colour of a --color text: #RRGGBB, a ColorValue number, or a colour name of the window's
// colour list (letter case ignored); nothing when it is none of them.
std::optional<ColorValue> ParseColorArgument(const std::string& text);

// The text of --help.
std::string UsageText();

}  // namespace t2j
