#include "cli/cli_run.h"

#include <fcntl.h>
#include <malloc.h>
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
#include <map>
#include <memory>
#include <mutex>
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
#include "convert/input_reader.h"
#include "convert/jpeg_image.h"
#include "convert/render_text.h"
#include "platform/file_output.h"
#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/raster.h"
#include "platform/system_error.h"
#include "text/font_engine.h"
#include "text/font_list.h"
#include "text/font_resolver.h"
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

// An input opened for reading, closed again however the conversion ends.
class OpenInput {
 public:
  OpenInput(const CliOptions& options, const std::string& path, FILE* in)
      : OpenInput(path, options.encoding, in, options.text) {}
  OpenInput(const std::string& path, InputEncoding encoding, FILE* in,
            const std::optional<std::string>& text = std::nullopt) {
    if (text) {
      reader_ = std::make_unique<InputReader>(*text);
      return;
    }
    if (path == "-") {
      reader_ = std::make_unique<InputReader>(fileno(in), Tr("standard input"), encoding);
      return;
    }
    do {
      fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
      throw ECliError(Msg("cannot open \"%s\": %s", {FullPathName(path), SystemErrorText(errno)}));
    }
    reader_ = std::make_unique<InputReader>(fd_, "\"" + path + "\"", encoding);
  }
  ~OpenInput() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenInput(const OpenInput&) = delete;
  OpenInput& operator=(const OpenInput&) = delete;
  InputReader& reader() { return *reader_; }

 private:
  int fd_ = -1;
  std::unique_ptr<InputReader> reader_;
};

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
                        options.max_height, options.picture};
}

// Prints each line of `warnings` as a warning, after `prefix`.
void PrintWarnings(FILE* err, const std::string& prefix, const std::string& warnings) {
  size_t start = 0;
  while (start < warnings.size()) {
    size_t end = warnings.find('\n', start);
    if (end == std::string::npos) end = warnings.size();
    PrintLine(err,
              Msg("%s: %swarning: %s", {kProgram, prefix, warnings.substr(start, end - start)}));
    start = end + 1;
  }
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
  OpenInput opened(options, input, in);
  ReusingFontEngine engine(SystemFontEngine());
  std::string warning;
  if (output == "-") {
    Flush(out, N_("the picture"));
    warning = WritePictureTo(fileno(out), opened.reader(), PictureOptionsOf(options), engine);
  } else {
    warning = WritePictures(opened.reader(), PictureOptionsOf(options), engine,
                            PictureOutput{output, &inputs, nullptr, 0});
  }
  PrintWarnings(err, "", warning);
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

// The memory that converting one file may take at most: its text, once read, in lines, and
// the drawing band and fonts beside it.
uint64_t MemoryForFile(const std::string& path) {
  constexpr uint64_t kBeside = uint64_t{16} << 20;
  struct stat info {};
  uint64_t text = 0;
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    text = std::min<uint64_t>(static_cast<uint64_t>(info.st_size) * 3, kMostPictureTextBytes * 2);
  }
  return text + kBeside;
}

// The most workers whose files fit into the memory available at once, the largest files taken.
unsigned WorkersThatFit(const std::vector<std::string>& files, unsigned jobs) {
  if (jobs <= 1) return 1;
  std::vector<uint64_t> needs;
  needs.reserve(files.size());
  for (const std::string& file : files) needs.push_back(MemoryForFile(file));
  const size_t wanted = std::min<size_t>(jobs, needs.size());
  std::partial_sort(needs.begin(), needs.begin() + static_cast<ptrdiff_t>(wanted), needs.end(),
                    std::greater<>());
  const uint64_t available = AvailableMemoryBytes() / 4 * 3;
  uint64_t total = 0;
  unsigned fit = 0;
  for (size_t i = 0; i < wanted; ++i) {
    total += needs[i];
    if (fit > 0 && total > available) break;
    ++fit;
  }
  return fit;
}

// Several files, each to its picture, converted in parallel. The pictures are put under their
// names in groups (CommitGroup), so that many files pay for one flush to the disk together.
// Returns the exit code.
int ConvertMany(const CliOptions& options, const std::vector<std::string>& pictures, FILE* err) {
  const std::vector<std::string>& files = options.input_paths;
  const InputFiles inputs(files);
  const PictureOptions picture_options = PictureOptionsOf(options);
  Progress progress(err, files.size(), files.size() > kQuietFileCount && isatty(fileno(err)));
  size_t failed = 0;
  CommitGroup group;
  std::mutex report_lock;
  std::map<size_t, std::string> waiting;  // warnings of files whose pictures are not yet renamed

  auto report = [&](size_t i, const std::optional<std::string>& failure,
                    const std::string& warning) {
    const std::string file = std::string(kProgram) + ": " + files[i] + ": ";
    if (failure) {
      ++failed;
      progress.Report(file + FailureText(*failure));
    } else {
      size_t start = 0;
      while (start < warning.size()) {
        size_t end = warning.find('\n', start);
        if (end == std::string::npos) end = warning.size();
        progress.Report(
            Msg("%s: %s: warning: %s", {kProgram, files[i], warning.substr(start, end - start)}));
        start = end + 1;
      }
    }
    progress.Done();
  };
  // Renames what the group holds; each file is reported once its pictures are under their names.
  auto flush = [&] {
    std::map<size_t, int> errors;
    for (const CommitGroup::Result& result : group.Flush()) {
      int& error = errors[static_cast<size_t>(result.tag)];
      if (error == 0) error = result.error;
    }
    const std::lock_guard<std::mutex> lock(report_lock);
    for (const auto& [i, error] : errors) {
      const std::string warning = waiting[i];
      waiting.erase(i);
      if (error != 0) {
        report(i, FailureText(EWriteError(pictures[i], error).what()), "");
      } else {
        report(i, std::nullopt, warning);
      }
    }
  };

  const unsigned jobs =
      WorkersThatFit(files, options.jobs == 0 ? UsableProcessors() : options.jobs);
  ConvertInParallel(
      files.size(), jobs,
      [&](size_t i, FontEngine& engine) {
        OpenInput opened(files[i], options.encoding, nullptr);
        const std::string warning = WritePictures(opened.reader(), picture_options, engine,
                                                  PictureOutput{pictures[i], &inputs, &group, i});
        {
          const std::lock_guard<std::mutex> lock(report_lock);
          waiting[i] = warning;
        }
        if (group.Full()) flush();
        return std::string();
      },
      [&](size_t i, const ItemOutcome& outcome) {
        if (!outcome.failure) return;
        const std::lock_guard<std::mutex> lock(report_lock);
        report(i, outcome.failure, "");
      });
  flush();
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
  if (options.output_path && *options.output_path != "-") {
    const std::string& path = *options.output_path;
    struct stat info {};
    if (path.ends_with('/') || (::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
      return UsageError{
          Msg("'%s' is a directory; -o names the picture's file (use -O for a directory)", {path})};
    }
  }
  if (options.input_paths.empty() ||
      (options.input_paths.size() == 1 && options.input_paths[0] == "-")) {
    if (options.output_path) return std::vector<std::string>{*options.output_path};
    std::string name(kStandardInputPicture);
    if (options.picture.format == PictureFormat::kPng) name = "Picture.png";
    return std::vector<std::string>{
        options.output_dir.empty() ? name
                                   : (std::filesystem::path(options.output_dir) / name).string()};
  }
  if (options.output_path) return std::vector<std::string>{*options.output_path};
  for (const std::string& input : options.input_paths) {
    std::optional<std::string> picture = PictureNameFor(
        input, options.output_dir, options.picture.format == PictureFormat::kPng ? ".png" : ".jpg");
    if (!picture) return UsageError{Msg("'%s' names no file to name a picture after", {input})};
    pictures.push_back(std::move(*picture));
  }
  if (auto same = FindSamePicture(options.input_paths, pictures)) return UsageError{*same};
  return pictures;
}

// Converts every input; a usage error is reported as such. Returns the exit code.
// Prints the size of every picture of the input, one "WIDTHxHEIGHT" a line, after `prefix`.
void PrintSizesOf(const CliOptions& options, const std::string& input, const std::string& prefix,
                  FontEngine& engine, FILE* in, FILE* out) {
  OpenInput opened(options, input, in);
  for (const auto& [width, height] :
       PictureSizes(opened.reader(), PictureOptionsOf(options), engine)) {
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

// Names the font that draws a face no installed family has and no substitute stands for, or a
// style that the family lacks.
void WarnOfUnknownFace(const CliOptions& options, FILE* err) {
  PrintWarnings(err, "", FontWarning(options.settings));
}

int Convert(const CliOptions& options, FILE* in, FILE* out, FILE* err) {
  WarnOfUnknownFace(options, err);
  if (options.print_size) return PrintSizes(options, in, out, err);
  auto names = PictureNames(options);
  if (const UsageError* usage = std::get_if<UsageError>(&names)) {
    ReportUsageError(err, usage->message);
    return kExitUsage;
  }
  const std::vector<std::string>& pictures = std::get<std::vector<std::string>>(names);
  if (options.output_path && *options.output_path != "-" &&
      PictureFormatOfPath(*options.output_path) != options.picture.format) {
    if (options.picture.format == PictureFormat::kPng) {
      PrintLine(err, Msg("%s: warning: '%s' does not end in .png; it is written as PNG",
                         {kProgram, *options.output_path}));
    } else {
      PrintLine(err, Msg("%s: warning: '%s' does not end in .jpg or .jpeg; it is written as JPEG",
                         {kProgram, *options.output_path}));
    }
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
  // Each file's band and buffers are made again for the next one: kept by the allocator rather
  // than handed back to the system and faulted in afresh every time. Large blocks (the text of a
  // big input) are still mapped on their own and handed back at once.
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
  mallopt(M_TRIM_THRESHOLD, 32 << 20);
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
