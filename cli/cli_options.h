// The command line of text2jpg-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/input_reader.h"
#include "convert/css_colors.h"
#include "convert/picture_format.h"
#include "convert/render_settings.h"

namespace t2j {

enum class CliAction { kConvert, kHelp, kVersion, kListFonts, kListColors };

// The picture of standard input when no output is named.
inline constexpr std::string_view kStandardInputPicture = "Picture.jpg";

// The largest side of a JPEG picture, and so of a page.
constexpr int32_t kMaxPageHeight = 65500;

struct CliOptions {
  CliAction action = CliAction::kConvert;
  std::vector<std::string> input_paths;    // none: standard input, as "-" alone is
  std::optional<std::string> output_path;  // -o; "-": standard output
  std::string output_dir;                  // -O; empty: the current directory
  unsigned jobs = 0;                       // 0: the processors this process may use
  RenderSettings settings{std::string(kDefaultFontName), kDefaultFontSize, kDefaultTextColor,
                          kDefaultLineSpacing, kDefaultMargin};
  InputEncoding encoding = InputEncoding::kUtf8;
  int32_t pixels_per_inch = kDefaultPixelsPerInch;
  std::optional<int32_t> width;       // --width: the most pixels a picture may be wide
  std::optional<int32_t> max_height;  // --max-height: pages of at most this many rows
  std::optional<std::string> text;    // --text, given instead of an input
  bool print_size = false;            // --print-size: the sizes printed, nothing written
  PictureEncoding picture;            // --format (or -o's extension) and --quality
};

// What went wrong on the command line, for exit code 2.
struct UsageError {
  std::string message;
};

// Reads the arguments (without the program name). Options take their values as "-s 12", "-s12",
// "--size 12" or "--size=12"; "--" ends the options. Numbers follow the window's number rules
// (12, +12, $C, 0x0C); a text those rules refuse is a usage error naming the option. Also usage
// errors: -o with several files or with -O, "-" beside other files, pages (--max-height) on
// standard output, --text beside a FILE, and values out of range (--jobs, --width and --dpi below
// 1, --max-height outside 1 to 65500, --quality outside 1 to 100). Without --format, an -o
// ending in .png asks for PNG.
struct ParsedCommandLine {
  std::optional<CliOptions> options;
  std::optional<UsageError> error;
};
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text of --help.
std::string UsageText();

}  // namespace t2j
