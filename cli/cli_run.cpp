#include "cli/cli_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "convert/failure_text.h"
#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/render_text.h"
#include "platform/font_engine.h"
#include "platform/font_list.h"
#include "platform/gb18030.h"
#include "platform/system_error.h"
#include "widgets/colour_picker/model/color_names.h"

namespace t2j {
namespace {

constexpr const char* kProgram = "text2jpg-cli";
constexpr const char* kVersion = "1.0.0";

// A failure of the command-line tool itself (input, output), reported like a conversion's.
class ECliError : public Exception {
 public:
  using Exception::Exception;
};

std::string ReadAll(FILE* file, const std::string& name) {
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    const size_t n = std::fread(buffer, 1, sizeof buffer, file);
    data.append(buffer, n);
    if (n < sizeof buffer) {
      if (std::ferror(file)) {
        throw ECliError("cannot read " + name + ": " + SystemErrorText(errno));
      }
      break;
    }
  }
  return data;
}

std::string ReadInput(const CliOptions& options, FILE* in) {
  if (options.input_path == "-") return ReadAll(in, "standard input");
  FILE* file = std::fopen(options.input_path.c_str(), "rb");
  if (file == nullptr) {
    throw ECliError("cannot open \"" + FullPathName(options.input_path) +
                    "\": " + SystemErrorText(errno));
  }
  try {
    std::string data = ReadAll(file, "\"" + options.input_path + "\"");
    std::fclose(file);
    return data;
  } catch (...) {
    std::fclose(file);
    throw;
  }
}

// Text as UTF-8, or a failure saying where the input stops being valid in its encoding.
std::string DecodeInput(std::string data, InputEncoding encoding) {
  if (encoding == InputEncoding::kGb18030) {
    std::optional<std::string> text = Gb18030ToUtf8(data);
    if (!text) throw ECliError("the input is not valid GB18030 text");
    return *text;
  }
  const size_t valid = ValidUtf8Prefix(data);
  if (valid != data.size()) {
    const std::string_view before(data.data(), valid);
    const size_t line = static_cast<size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
    throw ECliError("the input is not valid UTF-8 text: byte " + std::to_string(valid + 1) +
                    ", line " + std::to_string(line) +
                    " (for GB18030 files use --encoding gb18030)");
  }
  if (data.starts_with("\xEF\xBB\xBF")) data.erase(0, 3);
  return data;
}

void WriteAll(FILE* out, const std::string& bytes) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
    throw ECliError("cannot write the picture to standard output: " + SystemErrorText(errno));
  }
  if (std::fflush(out) != 0) {
    throw ECliError("cannot write the picture to standard output: " + SystemErrorText(errno));
  }
}

void Convert(const CliOptions& options, FILE* in, FILE* out, FILE* err) {
  if (options.output_path == "-" && isatty(fileno(out))) {
    throw ECliError("standard output is a terminal; give a file with -o, or redirect the output");
  }
  const std::string text = DecodeInput(ReadInput(options, in), options.encoding);
  const std::vector<std::string> lines = InputLines(text);
  // The window's picture, drawn in bands as the encoder takes its rows: the same bytes, without
  // the memory of the whole raster.
  const TextLayout layout(lines, options.settings, SystemFontEngine(), options.pixels_per_inch);
  BandedRows rows(layout);
  if (const std::vector<char32_t> missing = layout.UncoveredCharacters(); !missing.empty()) {
    std::fprintf(err, "%s: warning: no installed font has %s; drawn as boxes\n", kProgram,
                 UncoveredCharactersText(missing).c_str());
  }
  if (options.output_path == "-") {
    std::string stream;
    EncodeJpeg(layout.Width(), layout.Height(), rows, stream);
    WriteAll(out, stream);
  } else {
    SaveJpegFile(options.output_path, layout.Width(), layout.Height(), rows);
  }
}

void PrintLine(FILE* out, const std::string& line) {
  std::fputs(line.c_str(), out);
  std::fputc('\n', out);
}

}  // namespace

int RunCommandLine(int argc, char** argv, FILE* in, FILE* out, FILE* err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (parsed.error) {
    std::fprintf(err, "%s: %s\nTry '%s --help' for more information.\n", kProgram,
                 parsed.error->message.c_str(), kProgram);
    return kExitUsage;
  }
  const CliOptions& options = *parsed.options;
  try {
    switch (options.action) {
      case CliAction::kHelp:
        std::fputs(UsageText().c_str(), out);
        return kExitOk;
      case CliAction::kVersion:
        std::fprintf(out, "%s %s\n", kProgram, kVersion);
        return kExitOk;
      case CliAction::kListFonts:
        for (const std::string& name : InstalledFontNames()) PrintLine(out, name);
        return kExitOk;
      case CliAction::kListColors:
        for (const ColorName& color : ListColorNames()) {
          std::fprintf(out, "%-26.*s 0x%08X\n", static_cast<int>(color.name.size()),
                       color.name.data(), color.value);
        }
        return kExitOk;
      case CliAction::kConvert:
        Convert(options, in, out, err);
        return kExitOk;
    }
  } catch (const Exception& failure) {
    if (dynamic_cast<const EAbort*>(&failure) != nullptr) return kExitFailure;
    PrintLine(err, std::string(kProgram) + ": " + FailureText(failure.what()));
  } catch (const std::bad_alloc&) {
    PrintLine(err, std::string(kProgram) + ": " + FailureText(SystemErrorText(ENOMEM)));
  } catch (const std::exception& failure) {
    PrintLine(err, std::string(kProgram) + ": " + FailureText(failure.what()));
  }
  return kExitFailure;
}

}  // namespace t2j
