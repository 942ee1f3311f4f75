#include "cli/cli_options.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <string_view>

#include "convert/parse_int.h"
#include "platform/messages.h"

namespace t2j {
namespace {

// Takes the value of an option given as "--name=value", "-xvalue", "-x value" or "--name value".
class ArgumentReader {
 public:
  explicit ArgumentReader(const std::vector<std::string>& args) : args_(args) {}

  bool Done() const { return index_ >= args_.size(); }
  const std::string& Next() { return args_[index_++]; }
  std::optional<std::string> ValueOr(std::optional<std::string> inline_value) {
    if (inline_value) return inline_value;
    if (Done()) return std::nullopt;
    return Next();
  }

 private:
  const std::vector<std::string>& args_;
  size_t index_ = 0;
};

// The long name of every option that takes a value, with its short name if it has one.
struct ValueOption {
  std::string_view long_name;
  char short_name;
};
constexpr ValueOption kValueOptions[] = {
    {"--output", 'o'}, {"--output-dir", 'O'}, {"--font", 'f'},
    {"--size", 's'},   {"--color", 'c'},      {"--line-spacing", 'l'},
    {"--margin", 'm'}, {"--jobs", 'j'},       {"--encoding", 0},
    {"--dpi", 0},      {"--width", 0},        {"--max-height", 0},
    {"--text", 0},     {"--background", 0},   {"--format", 0},
    {"--quality", 0},  {"--align", 0},
};

// The long name of an option that takes a value, given its long or short name; empty for others.
std::string_view ValueOptionName(std::string_view name) {
  for (const ValueOption& option : kValueOptions) {
    if (name == option.long_name) return option.long_name;
    if (option.short_name != 0 && name.size() == 2 && name[0] == '-' &&
        name[1] == option.short_name) {
      return option.long_name;
    }
  }
  return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions options;
  ArgumentReader reader(args);
  std::optional<PictureFormat> format;
  bool options_ended = false;
  auto fail = [](std::string message) {
    return ParsedCommandLine{std::nullopt, UsageError{std::move(message)}};
  };

  while (!reader.Done()) {
    const std::string arg = reader.Next();
    if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
      options.input_paths.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> inline_value;
    if (arg.starts_with("--")) {
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        inline_value = arg.substr(eq + 1);
      }
    } else if (arg.size() > 2 && !ValueOptionName(arg.substr(0, 2)).empty()) {
      name = arg.substr(0, 2);
      inline_value = arg.substr(2);
    }

    if (name == "-h" || name == "--help") {
      options.action = CliAction::kHelp;
      continue;
    }
    if (name == "--version") {
      options.action = CliAction::kVersion;
      continue;
    }
    if (name == "--list-fonts") {
      options.action = CliAction::kListFonts;
      continue;
    }
    if (name == "--list-colors") {
      options.action = CliAction::kListColors;
      continue;
    }
    if (name == "--print-size") {
      options.print_size = true;
      continue;
    }

    const std::string_view option = ValueOptionName(name);
    if (option.empty()) return fail(Msg("unknown option '%s'", {name}));
    const std::optional<std::string> value = reader.ValueOr(inline_value);
    if (!value) return fail(Msg("option '%s' needs a value", {name}));

    auto number = [&](int32_t& target) -> bool {
      const std::optional<int32_t> parsed = ParseInt(*value);
      if (!parsed) return false;
      target = *parsed;
      return true;
    };
    auto not_a_number = [&] {
      return fail(Msg("option '%s' takes a number (12, +12, $C, 0x0C), not '%s'", {name, *value}));
    };
    // A number from `low` to `high`.
    auto bounded = [&](int32_t low, int32_t high) -> std::optional<int32_t> {
      const std::optional<int32_t> parsed = ParseInt(*value);
      if (!parsed || *parsed < low || *parsed > high) return std::nullopt;
      return parsed;
    };
    // `range` is a message text, such as N_("a positive number").
    auto out_of_range = [&](const char* range) {
      return fail(Msg("option '%s' takes %s, not '%s'", {name, Tr(range), *value}));
    };
    constexpr int32_t kMaxInt = std::numeric_limits<int32_t>::max();

    if (option == "--output") {
      if (value->empty()) return fail(Msg("option '%s' needs a file name", {name}));
      options.output_path = *value;
    } else if (option == "--output-dir") {
      if (value->empty()) return fail(Msg("option '%s' needs a directory name", {name}));
      options.output_dir = *value;
    } else if (option == "--text") {
      // Each --text gives the next lines.
      options.text = options.text ? *options.text + "\n" + *value : *value;
    } else if (option == "--font") {
      if (std::optional<std::string> problem = SetFontArgument(options.settings, *value)) {
        return fail(Msg("option '%s': %s", {name, *problem}));
      }
    } else if (option == "--size") {
      if (!number(options.settings.FontSize)) return not_a_number();
    } else if (option == "--line-spacing") {
      if (!number(options.settings.LineSpacing)) return not_a_number();
    } else if (option == "--margin") {
      if (!number(options.settings.Margin)) return not_a_number();
    } else if (option == "--dpi") {
      const std::optional<int32_t> dpi = bounded(1, kMaxInt);
      if (!dpi) return out_of_range(N_("a positive number"));
      options.pixels_per_inch = *dpi;
    } else if (option == "--jobs") {
      const std::optional<int32_t> jobs = bounded(1, kMaxInt);
      if (!jobs) return out_of_range(N_("a positive number"));
      options.jobs = static_cast<unsigned>(*jobs);
    } else if (option == "--width") {
      options.width = bounded(1, kMaxInt);
      if (!options.width) return out_of_range(N_("a positive number of pixels"));
    } else if (option == "--max-height") {
      options.max_height = bounded(1, kMaxPageHeight);
      if (!options.max_height) return out_of_range(N_("a number of pixels from 1 to 65500"));
    } else if (option == "--color") {
      const std::optional<ColorValue> color = ParseColorArgument(*value);
      if (!color) {
        return fail(
            Msg("option '%s' takes #RRGGBB, #RGB, a colour name or a colour number, not '%s'",
                {name, *value}));
      }
      options.settings.TextColor = *color;
    } else if (option == "--background") {
      const std::optional<ColorValue> color = ParseColorArgument(*value);
      if (!color) {
        return fail(
            Msg("option '%s' takes #RRGGBB, #RGB, a colour name or a colour number, not '%s'",
                {name, *value}));
      }
      options.settings.BackgroundColor = *color;
    } else if (option == "--format") {
      format = ParsePictureFormat(*value);
      if (!format) return fail(Msg("option '--format' takes jpeg or png, not '%s'", {*value}));
    } else if (option == "--quality") {
      const std::optional<int32_t> quality = bounded(kMinJpegQuality, kMaxJpegQuality);
      if (!quality) return out_of_range(N_("a number from 1 to 100"));
      options.picture.quality = *quality;
    } else if (option == "--align") {
      const std::optional<LineAlignment> alignment = ParseLineAlignment(*value);
      if (!alignment) {
        return fail(Msg("option '--align' takes left, center or right, not '%s'", {*value}));
      }
      options.settings.Alignment = *alignment;
    } else if (option == "--encoding") {
      std::string lower;
      for (char c : *value) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "utf-8" || lower == "utf8") {
        options.encoding = InputEncoding::kUtf8;
      } else if (lower == "gb18030" || lower == "gbk" || lower == "cp936" || lower == "gb2312") {
        options.encoding = InputEncoding::kGb18030;
      } else if (lower == "utf-16" || lower == "utf16" || lower == "ucs-2") {
        options.encoding = InputEncoding::kUtf16;
      } else if (lower == "big5" || lower == "big-5" || lower == "cp950") {
        options.encoding = InputEncoding::kBig5;
      } else {
        return fail(
            Msg("option '--encoding' takes utf-8, gb18030, utf-16 or big5, not '%s'", {*value}));
      }
    }
  }

  if (!format && options.output_path) format = PictureFormatOfPath(*options.output_path);
  options.picture.format = format.value_or(PictureFormat::kJpeg);

  const size_t inputs = options.input_paths.size();
  if (options.output_path && !options.output_dir.empty()) {
    return fail(
        Tr("give either -o (one picture's name) or -O (the pictures' directory), not both"));
  }
  if (options.output_path && inputs > 1) {
    return fail(Msg("-o names one picture, but %s files were given; use -O DIR for several",
                    {std::to_string(inputs)}));
  }
  if (inputs > 1 && std::find(options.input_paths.begin(), options.input_paths.end(), "-") !=
                        options.input_paths.end()) {
    return fail(Tr("standard input ('-') is converted on its own, not beside other files"));
  }
  if (options.text && inputs > 0) {
    return fail(Tr("--text gives the text itself; it cannot be given beside a FILE"));
  }
  if (options.max_height && options.output_path == "-") {
    return fail(Tr("--max-height writes pages as files; it cannot write to standard output"));
  }
  return ParsedCommandLine{options, std::nullopt};
}

std::string UsageText() {
  return Tr(R"(Usage: text2jpg-cli [OPTIONS] [FILE...]
Turns text into JPEG pictures, as the window of 文本to图片 does. Each FILE
becomes its own picture, named after it with its last extension replaced by
.jpg (notes.txt gives notes.jpg), in the current directory or in the one -O
names (.png with --format png). Without FILE, or with "-", the text comes
from standard input and its picture is Picture.jpg.

  -o, --output PATH     the picture's file, for one FILE or standard input;
                        "-" writes it to standard output
  -O, --output-dir DIR  the directory of the pictures (made when missing)
  -j, --jobs N          files converted at once (default: the processors this
                        process may use)
  -f, --font NAME       font face (default 宋体); a style may follow the family:
                        "DejaVu Sans Bold" or "DejaVu Sans:weight=bold"; a
                        NAME with a / or ending in .ttf, .otf, .ttc, .otc,
                        .pfa, .pfb, .woff or .woff2 is a font file, NAME:N
                        its face N (from 0)
  -s, --size N          size in points (default 12; 12 points are 16 pixels
                        at 96 dpi)
  -c, --color VALUE     #RRGGBB, #RGB, a colour name such as clRed or
                        clBtnFace, a CSS colour name such as red or
                        rebeccapurple, or a colour number 0x00BBGGRR (blue in
                        the high byte: 0xFF is red) (default 0x8000, clGreen)
  -l, --line-spacing N  pixels between lines (default 4)
  -m, --margin N        pixels around the text (default 10)
      --width N         pictures at most N pixels wide, margins included:
                        longer lines are broken between Han characters and at
                        spaces, never before ，。、；：？！）》」』】”’ nor
                        after （《「『【“‘; spaces at a break are dropped
      --max-height N    pages at most N pixels tall (1 to 65500), split
                        between lines, each with its own margins: NAME-1.jpg,
                        NAME-2.jpg, ... (numbered even when the text fits on
                        one page)
      --text TEXT       the text itself instead of a FILE; each --text gives
                        the next lines
      --print-size      print each picture's WIDTHxHEIGHT and write nothing
      --background VALUE  the picture's colour, as -c takes it (default white)
      --align WHERE     lines at the left (default), center or right
      --format FORMAT   jpeg (default) or png; without it, an -o name ending
                        in .png gives PNG
      --quality N       JPEG quality from 1 to 100 (default 90)
      --encoding NAME   the text files' encoding: utf-8 (default), gb18030,
                        utf-16 or big5; byte-order marks are followed
      --dpi N           pixels per inch for point sizes (default 96)
      --list-fonts      print the font names the window offers, one a line
      --list-colors     print the colour names with their values
  -h, --help            print this help
      --version         print the version

Options take their values as -s 12, -s12, --size 12 or --size=12; "--" ends
the options. Numbers may be decimal or hexadecimal: 12, +12, $C, x0C and 0x0C
are all twelve. Existing pictures are replaced, but never an input file; two
files that would give the same picture name are refused before anything is
written. A failing file is reported as "text2jpg-cli: FILE: message" and the
others go on.
Exit status: 0 done, 1 a conversion failed, 2 usage error.

Examples:
  printf '你好，世界\nHello\n' | text2jpg-cli -f 黑体 -s 24 -o hello.jpg
  text2jpg-cli -O pictures notes/*.txt
  text2jpg-cli --width 750 --max-height 20000 -s 18 -m 30 article.txt
)");
}

}  // namespace t2j
