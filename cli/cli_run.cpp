#include "cli/cli_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "cli/batch.h"
#include "cli/output_names.h"
#include "cli/picture_job.h"
#include "convert/css_colors.h"
#include "convert/failure_text.h"
#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/render_text.h"
#include "platform/file_output.h"
#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/raster.h"
#include "platform/system_error.h"
#include "text/font_engine.h"
#include "text/font_list.h"
#include "widgets/colour_picker/model/color_names.h"

namespace t2j {
namespace {

constexpr const char* kProgram = "text2jpg-cli";
constexpr const char* kVersion = "1.0.0";
// Up to this many files no progress line is shown.
constexpr size_t kQuietFileCount = 4;

void PrintLine(FILE* out, const std::string& line) {
  std::fputs(line.c_str(), out);
  std::fputc('\n', out);
}

void ReportUsageError(FILE* err, const std::string& message) {
  PrintLine(err, std::string(kProgram) + ": " + message);
  PrintLine(err, Msg("Try '%s --help' for more information.", {kProgram}));
}

// A failure of the command-line tool itself (input, output), reported like a conversion's.
class ECliError : public Exception {
 public:
  using Exception::Exception;
};

[[noreturn]] void FailToRead(const std::string& name, int error_number) {
  throw ECliError(Msg("cannot read %s: %s", {name, SystemErrorText(error_number)}));
}

// Gives `data` room for `needed` bytes, refusing ("cannot allocate memory") a block that this
// process may not have, before it is taken: past the memory limit the kernel's OOM killer would
// end the tool without a word.
void ReserveChecked(std::string& data, size_t needed, const std::string& name) {
  if (data.capacity() >= needed) return;
  if (needed <= kUncheckedBlockBytes) {
    data.reserve(std::max(needed, data.capacity() / 2 * 3));
    return;
  }
  const uint64_t available = AvailableMemoryBytes();
  if (needed > available) FailToRead(name, ENOMEM);
  data.reserve(std::min<uint64_t>(std::max(needed, data.capacity() / 2 * 3), available));
}

// Reads the whole input and gives its text as UTF-8, without a byte-order mark, or fails
// saying where it stops being valid in its encoding.
std::string ReadText(FILE* file, const std::string& name, InputEncoding encoding) {
  std::string text;
  struct stat info {};
  if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    const auto size = static_cast<uint64_t>(info.st_size);
    if (size >= std::numeric_limits<size_t>::max() / 2) FailToRead(name, ENOMEM);
    // Room for the whole text at once, so that it is never copied to grow: one byte more than
    // the file for UTF-8, so that its end needs no further room; for GB18030 the most UTF-8 the
    // file can give, of which only what is written takes memory.
    ReserveChecked(text,
                   encoding == InputEncoding::kUtf8
                       ? static_cast<size_t>(size) + 1
                       : Gb18030Decoder::MaxUtf8Bytes(static_cast<size_t>(size)),
                   name);
  }
  Gb18030Decoder decoder;
  uint64_t offset = 0;
  uint64_t lines_before = 0;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const size_t n = std::fread(buffer.data(), 1, buffer.size(), file);
    if (n == 0 && std::ferror(file)) FailToRead(name, errno);
    const std::string_view piece(buffer.data(), n);
    const bool last = n == 0;
    if (encoding == InputEncoding::kUtf8) {
      if (last) break;
      ReserveChecked(text, text.size() + n, name);
      text.append(piece);
      continue;
    }
    ReserveChecked(text, text.size() + Gb18030Decoder::MaxUtf8Bytes(n), name);
    if (!decoder.Decode(piece, last, text)) {
      const uint64_t at = decoder.InvalidOffset();
      // The bytes of a character split between two pieces hold no line break.
      const size_t in_piece = at > offset ? static_cast<size_t>(at - offset) : 0;
      const uint64_t line =
          lines_before +
          static_cast<uint64_t>(std::count(piece.begin(), piece.begin() + in_piece, '\n')) + 1;
      throw ECliError(Msg("the input is not valid GB18030 text: byte %s, line %s",
                          {std::to_string(at + 1), std::to_string(line)}));
    }
    if (last) break;
    offset += n;
    lines_before += static_cast<uint64_t>(std::count(piece.begin(), piece.end(), '\n'));
  }
  if (encoding == InputEncoding::kUtf8) {
    const size_t valid = ValidUtf8Prefix(text);
    if (valid != text.size()) {
      const std::string_view before(text.data(), valid);
      const size_t line = static_cast<size_t>(std::count(before.begin(), before.end(), '\n')) + 1;
      throw ECliError(
          Msg("the input is not valid UTF-8 text: byte %s, line %s (for GB18030 "
              "files use --encoding gb18030)",
              {std::to_string(valid + 1), std::to_string(line)}));
    }
  }
  // Either encoding's byte-order mark is U+FEFF, which is no part of the text.
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

std::string ReadInput(const std::string& path, InputEncoding encoding, FILE* in) {
  if (path == "-") return ReadText(in, Tr("standard input"), encoding);
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw ECliError(Msg("cannot open \"%s\": %s", {FullPathName(path), SystemErrorText(errno)}));
  }
  try {
    std::string text = ReadText(file, "\"" + path + "\"", encoding);
    std::fclose(file);
    return text;
  } catch (...) {
    std::fclose(file);
    throw;
  }
}

// Writes to standard output; a full or closed output, or one past the file size limit, is a
// failure that names what could not be written.
void Write(FILE* out, std::string_view bytes, const char* what) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size()) {
    throw ECliError(
        Msg("cannot write %s to standard output: %s", {Tr(what), SystemErrorText(errno)}));
  }
}

// Hands what is buffered to the system, which is where a full output shows.
void Flush(FILE* out, const char* what) {
  if (std::fflush(out) != 0) {
    throw ECliError(
        Msg("cannot write %s to standard output: %s", {Tr(what), SystemErrorText(errno)}));
  }
}

PictureOptions PictureOptionsOf(const CliOptions& options) {
  return PictureOptions{options.settings, options.pixels_per_inch, options.width,
                        options.max_height, PictureEncoding{}};
}

// One input on the calling thread: standard input or one FILE, to its picture or to standard
// output.
void ConvertOne(const CliOptions& options, const std::string& input, const std::string& output,
                FILE* in, FILE* out, FILE* err) {
  if (output == "-" && isatty(fileno(out))) {
    throw ECliError(
        Tr("standard output is a terminal; give a file with -o, or redirect the output"));
  }
  const InputFiles inputs(options.input_paths);
  if (output != "-" && !options.max_height && inputs.Contains(output)) {
    throw ECliError(Msg("the picture \"%s\" would replace the input file", {output}));
  }
  const std::string text = options.text ? *options.text : ReadInput(input, options.encoding, in);
  ReusingFontEngine engine(SystemFontEngine());
  std::string warning;
  if (output == "-") {
    const EncodedPicture picture = EncodePicture(text, PictureOptionsOf(options), engine);
    warning = picture.warning;
    Write(out, picture.stream, N_("the picture"));
    Flush(out, N_("the picture"));
  } else {
    warning = WritePictures(text, PictureOptionsOf(options), engine, output, inputs);
  }
  if (!warning.empty()) PrintLine(err, Msg("%s: warning: %s", {kProgram, warning}));
}

// The progress line on a terminal: how many files are done. Failures and warnings are printed
// above it.
class Progress {
 public:
  Progress(FILE* err, size_t total, bool shown) : err_(err), total_(total), shown_(shown) {}

  void Report(const std::string& line) {
    Clear();
    std::fprintf(err_, "%s\n", line.c_str());
    Draw();
  }
  void Done() {
    ++done_;
    const auto now = std::chrono::steady_clock::now();
    if (done_ == total_ || now - drawn_ >= std::chrono::milliseconds(100)) Draw();
  }
  void Clear() {
    if (shown_) std::fputs("\r\033[K", err_);
  }

 private:
  void Draw() {
    if (!shown_) return;
    drawn_ = std::chrono::steady_clock::now();
    const std::string line =
        Msg("%s: %s of %s files", {kProgram, std::to_string(done_), std::to_string(total_)});
    std::fprintf(err_, "\r\033[K%s", line.c_str());
    std::fflush(err_);
  }

  FILE* err_;
  size_t total_;
  bool shown_;
  size_t done_ = 0;
  std::chrono::steady_clock::time_point drawn_{};
};

// Several files, each to its picture, converted in parallel. Returns the exit code.
int ConvertMany(const CliOptions& options, const std::vector<std::string>& pictures, FILE* err) {
  const std::vector<std::string>& files = options.input_paths;
  const InputFiles inputs(files);
  const PictureOptions picture_options = PictureOptionsOf(options);
  Progress progress(err, files.size(), files.size() > kQuietFileCount && isatty(fileno(err)));
  size_t failed = 0;
  ConvertInParallel(
      files.size(), options.jobs == 0 ? UsableProcessors() : options.jobs,
      [&](size_t i, FontEngine& engine) {
        const std::string text = ReadInput(files[i], options.encoding, nullptr);
        return WritePictures(text, picture_options, engine, pictures[i], inputs);
      },
      [&](size_t i, const ItemOutcome& outcome) {
        const std::string file = std::string(kProgram) + ": " + files[i] + ": ";
        if (outcome.failure) {
          ++failed;
          progress.Report(file + FailureText(*outcome.failure));
        } else if (!outcome.warning.empty()) {
          progress.Report(Msg("%s: %s: warning: %s", {kProgram, files[i], outcome.warning}));
        }
        progress.Done();
      });
  progress.Clear();
  if (failed == 0) return kExitOk;
  PrintLine(err, Msg("%s: %s of %s files failed",
                     {kProgram, std::to_string(failed), std::to_string(files.size())}));
  return kExitFailure;
}

// The picture of every input, or a usage error: a name that is no file, two inputs with one
// picture.
std::variant<std::vector<std::string>, UsageError> PictureNames(const CliOptions& options) {
  std::vector<std::string> pictures;
  if (options.input_paths.empty() ||
      (options.input_paths.size() == 1 && options.input_paths[0] == "-")) {
    if (options.output_path) return std::vector<std::string>{*options.output_path};
    const std::string name(kStandardInputPicture);
    return std::vector<std::string>{
        options.output_dir.empty() ? name
                                   : (std::filesystem::path(options.output_dir) / name).string()};
  }
  if (options.output_path) return std::vector<std::string>{*options.output_path};
  for (const std::string& input : options.input_paths) {
    std::optional<std::string> picture = PictureNameFor(input, options.output_dir);
    if (!picture) return UsageError{Msg("'%s' names no file to name a picture after", {input})};
    pictures.push_back(std::move(*picture));
  }
  if (auto same = FindSamePicture(options.input_paths, pictures)) return UsageError{*same};
  return pictures;
}

bool HasJpegExtension(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".jpg" || extension == ".jpeg";
}

// Converts every input; a usage error is reported as such. Returns the exit code.
// Prints the size of every picture of the input, one "WIDTHxHEIGHT" a line, after `prefix`.
void PrintSizesOf(const CliOptions& options, const std::string& input, const std::string& prefix,
                  FontEngine& engine, FILE* in, FILE* out) {
  const std::string text = options.text ? *options.text : ReadInput(input, options.encoding, in);
  for (const auto& [width, height] : PictureSizes(text, PictureOptionsOf(options), engine)) {
    Write(out, prefix + std::to_string(width) + "x" + std::to_string(height) + "\n",
          N_("the size"));
  }
  Flush(out, N_("the size"));
}

// --print-size: the sizes of the pictures of every input (after the file's name when there are
// several files), and nothing written. A file that fails is reported and the others go on.
// Returns the exit code.
int PrintSizes(const CliOptions& options, FILE* in, FILE* out, FILE* err) {
  ReusingFontEngine engine(SystemFontEngine());
  const std::vector<std::string>& files = options.input_paths;
  if (files.size() <= 1) {
    PrintSizesOf(options, files.empty() ? "-" : files[0], "", engine, in, out);
    return kExitOk;
  }
  size_t failed = 0;
  for (const std::string& file : files) {
    try {
      PrintSizesOf(options, file, file + ": ", engine, in, out);
    } catch (const Exception& failure) {
      if (dynamic_cast<const EAbort*>(&failure) != nullptr) throw;
      ++failed;
      PrintLine(err, std::string(kProgram) + ": " + file + ": " + FailureText(failure.what()));
    }
  }
  if (failed == 0) return kExitOk;
  PrintLine(err, Msg("%s: %s of %s files failed",
                     {kProgram, std::to_string(failed), std::to_string(files.size())}));
  return kExitFailure;
}

int Convert(const CliOptions& options, FILE* in, FILE* out, FILE* err) {
  if (options.print_size) return PrintSizes(options, in, out, err);
  auto names = PictureNames(options);
  if (const UsageError* usage = std::get_if<UsageError>(&names)) {
    ReportUsageError(err, usage->message);
    return kExitUsage;
  }
  const std::vector<std::string>& pictures = std::get<std::vector<std::string>>(names);
  if (options.output_path && *options.output_path != "-" &&
      !HasJpegExtension(*options.output_path)) {
    PrintLine(err, Msg("%s: warning: '%s' does not end in .jpg or .jpeg; it is written as JPEG",
                       {kProgram, *options.output_path}));
  }
  if (!options.output_dir.empty()) {
    std::error_code error;
    std::filesystem::create_directories(options.output_dir, error);
    if (error) {
      throw ECliError(Msg("cannot make the directory \"%s\": %s",
                          {FullPathName(options.output_dir), SystemErrorText(error.value())}));
    }
  }
  if (options.input_paths.size() <= 1) {
    ConvertOne(options, options.input_paths.empty() ? "-" : options.input_paths[0], pictures[0], in,
               out, err);
    return kExitOk;
  }
  return ConvertMany(options, pictures, err);
}

// The named colours of CSS as style sheets write them, in lower case and in order: the X11
// names, the "grey" spelling of each gray, and rebeccapurple.
std::vector<std::pair<std::string, ColorValue>> CssColorNames() {
  std::vector<std::pair<std::string, ColorValue>> names;
  for (const ColorName& color : X11ColorNames) {
    std::string name(color.name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    names.emplace_back(name, color.value);
    if (const size_t gray = name.find("gray"); gray != std::string::npos) {
      names.emplace_back(name.replace(gray, 4, "grey"), color.value);
    }
  }
  names.emplace_back("rebeccapurple", *FindCssColor("rebeccapurple"));
  std::sort(names.begin(), names.end());
  return names;
}

std::string ColorLine(const ColorName& color) {
  char value[16];
  std::snprintf(value, sizeof value, "0x%08X", color.value);
  std::string line(color.name);
  if (line.size() < 26) line.resize(26, ' ');
  return line + " " + value + "\n";
}

}  // namespace

int RunCommandLine(int argc, char** argv, FILE* in, FILE* out, FILE* err) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (parsed.error) {
    ReportUsageError(err, parsed.error->message);
    return kExitUsage;
  }
  const CliOptions& options = *parsed.options;
  // Past the file size limit a write fails with EFBIG and the tool says so, instead of the
  // kernel ending it with SIGXFSZ.
  IgnoreFileSizeSignal();
  RemoveTemporaryFileOnInterrupt();
  try {
    switch (options.action) {
      case CliAction::kHelp:
        Write(out, UsageText(), N_("the help"));
        Flush(out, N_("the help"));
        return kExitOk;
      case CliAction::kVersion:
        Write(out, std::string(kProgram) + " " + kVersion + "\n", N_("the version"));
        Flush(out, N_("the version"));
        return kExitOk;
      case CliAction::kListFonts:
        for (const std::string& name : InstalledFontNames())
          Write(out, name + "\n", N_("the list"));
        Flush(out, N_("the list"));
        return kExitOk;
      case CliAction::kListColors:
        for (const ColorName& color : ListColorNames())
          Write(out, ColorLine(color), N_("the list"));
        for (const auto& [name, value] : CssColorNames())
          Write(out, ColorLine(ColorName{name, value}), N_("the list"));
        Flush(out, N_("the list"));
        return kExitOk;
      case CliAction::kConvert:
        return Convert(options, in, out, err);
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
