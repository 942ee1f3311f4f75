#include "cli/cli_options.h"

#include <cctype>
#include <string_view>

#include "convert/parse_int.h"
#include "widgets/colour_picker/model/color_names.h"

namespace t2j {
namespace {

std::optional<ColorValue> ParseHashColor(std::string_view text) {
  if (text.size() != 7 || text[0] != '#') return std::nullopt;
  uint32_t rgb = 0;
  for (char c : text.substr(1)) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    rgb = (rgb << 4) |
          static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                    ? c - '0'
                                    : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  return MakeColorValue(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                        static_cast<uint8_t>(rgb));
}

// Takes the value of an option given as "--name=value", "-x value" or "--name value".
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

}  // namespace

std::optional<ColorValue> ParseColorArgument(const std::string& text) {
  if (auto hash = ParseHashColor(text)) return hash;
  if (auto number = ParseInt(text)) return static_cast<ColorValue>(*number);
  return FindColorByName(text);
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CliOptions options;
  ArgumentReader reader(args);
  bool have_input = false;
  bool options_ended = false;
  auto fail = [](std::string message) {
    return ParsedCommandLine{std::nullopt, UsageError{std::move(message)}};
  };

  while (!reader.Done()) {
    const std::string arg = reader.Next();
    if (options_ended || arg == "-" || arg.empty() || arg[0] != '-') {
      if (have_input) return fail("more than one input file: '" + arg + "'");
      options.input_path = arg;
      have_input = true;
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

    const bool takes_value = name == "-o" || name == "--output" || name == "-f" ||
                             name == "--font" || name == "-s" || name == "--size" || name == "-c" ||
                             name == "--color" || name == "-l" || name == "--line-spacing" ||
                             name == "-m" || name == "--margin" || name == "--encoding" ||
                             name == "--dpi";
    if (!takes_value) return fail("unknown option '" + name + "'");
    const std::optional<std::string> value = reader.ValueOr(inline_value);
    if (!value) return fail("option '" + name + "' needs a value");

    auto number = [&](int32_t& target) -> bool {
      const std::optional<int32_t> parsed = ParseInt(*value);
      if (!parsed) return false;
      target = *parsed;
      return true;
    };
    auto not_a_number = [&] {
      return fail("option '" + name + "' takes a number (12, +12, $C, 0x0C), not '" + *value + "'");
    };

    if (name == "-o" || name == "--output") {
      if (value->empty()) return fail("option '" + name + "' needs a file name");
      options.output_path = *value;
    } else if (name == "-f" || name == "--font") {
      options.settings.FontName = *value;
    } else if (name == "-s" || name == "--size") {
      if (!number(options.settings.FontSize)) return not_a_number();
    } else if (name == "-l" || name == "--line-spacing") {
      if (!number(options.settings.LineSpacing)) return not_a_number();
    } else if (name == "-m" || name == "--margin") {
      if (!number(options.settings.Margin)) return not_a_number();
    } else if (name == "--dpi") {
      if (!number(options.pixels_per_inch)) return not_a_number();
      if (options.pixels_per_inch <= 0) {
        return fail("option '" + name + "' takes a positive number, not '" + *value + "'");
      }
    } else if (name == "-c" || name == "--color") {
      const std::optional<ColorValue> color = ParseColorArgument(*value);
      if (!color) {
        return fail("option '" + name + "' takes #RRGGBB or a colour number, not '" + *value + "'");
      }
      options.settings.TextColor = *color;
    } else if (name == "--encoding") {
      std::string lower;
      for (char c : *value) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      if (lower == "utf-8" || lower == "utf8") {
        options.encoding = InputEncoding::kUtf8;
      } else if (lower == "gb18030" || lower == "gbk" || lower == "cp936" || lower == "gb2312") {
        options.encoding = InputEncoding::kGb18030;
      } else {
        return fail("option '--encoding' takes utf-8 or gb18030, not '" + *value + "'");
      }
    }
  }
  return ParsedCommandLine{options, std::nullopt};
}

std::string UsageText() {
  return R"(Usage: text2jpg-cli [OPTIONS] [FILE]
Turns text into a JPEG picture, as the window of 文本to图片 does.
Reads the text from FILE, or from standard input when FILE is absent or "-".

  -o, --output PATH        the picture's file (default Picture.jpg); "-" writes it to standard output
  -f, --font NAME          font face (default 宋体)
  -s, --size N             size in points (default 12; 12 points are 16 pixels at 96 dpi)
  -c, --color VALUE        #RRGGBB, a colour number 0x00BBGGRR, or a colour name such as
                           clRed or clBtnFace (default 0x8000, clGreen)
  -l, --line-spacing N     pixels between lines (default 4)
  -m, --margin N           pixels around the text (default 10)
      --encoding NAME      the text file's encoding: utf-8 (default) or gb18030
      --dpi N              pixels per inch for point sizes (default 96)
      --list-fonts         print the font names the window offers, one a line
      --list-colors        print the colour names with their values
  -h, --help               print this help
      --version            print the version

Numbers may be decimal or hexadecimal: 12, +12, $C, x0C and 0x0C are all twelve.
An existing file is replaced. Exit status: 0 done, 1 the conversion failed, 2 usage error.

Example:
  printf '你好，世界\nHello\n' | text2jpg-cli -f 黑体 -s 24 -c '#C00000' -o hello.jpg
)";
}

}  // namespace t2j
