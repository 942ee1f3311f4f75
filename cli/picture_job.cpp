#include "cli/picture_job.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <limits>
#include <memory>
#include <unordered_set>
#include <vector>

#include "cli/output_names.h"
#include "convert/failure_text.h"
#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/picture_format.h"
#include "convert/page_split.h"
#include "convert/render_text.h"
#include "convert/wrap_lines.h"
#include "platform/failure.h"
#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/raster.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

// The picture grows for ink beyond its cells no further than the width and page height asked.
SizeBounds Bounds(const PictureOptions& options) {
  SizeBounds bounds;
  if (options.width) bounds.width = *options.width;
  if (options.max_height) bounds.height = *options.max_height;
  return bounds;
}

// libjpeg's codes for a side over 65500 pixels and for memory it could not have.
constexpr int kImageTooBig = 41;
constexpr int kJpegOutOfMemory = 54;

// The encoder's "no memory" said as what it is.
template <typename Work>
auto NamingMemory(Work work) {
  try {
    return work();
  } catch (const EJPEG& failure) {
    if (failure.message_code() != kJpegOutOfMemory) throw;
    throw EOutOfResources(SystemErrorText(ENOMEM) + " (JPEG error #" +
                          std::to_string(kJpegOutOfMemory) + ")");
  }
}

// Gathers the characters that no font has over the pages of a text, each once.
class Uncovered {
 public:
  void Add(const TextLayout& layout) {
    for (const char32_t c : layout.UncoveredCharacters()) {
      if (seen_.insert(c).second) found_.push_back(c);
    }
  }
  std::string Warning() const {
    if (found_.empty()) return {};
    return Msg("no installed font has %s; drawn as boxes", {UncoveredCharactersText(found_)});
  }

 private:
  std::vector<char32_t> found_;
  std::unordered_set<char32_t> seen_;
};

// The rows of a page without text: white.
class WhiteRows final : public PictureRows {
 public:
  explicit WhiteRows(int32_t width) : row_(static_cast<size_t>(width) * 3, 255) {}
  const uint8_t* Row(int32_t) override { return row_.data(); }

 private:
  std::vector<uint8_t> row_;
};

// The stream going to a descriptor that is no file of ours (standard output).
class DescriptorSink final : public JpegSink {
 public:
  explicit DescriptorSink(int fd) : fd_(fd) {}
  bool Put(const uint8_t* bytes, size_t count) override {
    error_ = WriteAll(fd_, std::string_view(reinterpret_cast<const char*>(bytes), count));
    return error_ == 0;
  }
  [[noreturn]] void ThrowFailure() override {
    throw Exception(
        Msg("cannot write the picture to standard output: %s", {SystemErrorText(error_)}));
  }

 private:
  int fd_;
  int error_ = 0;
};

// Lines as they are read, gathered into pictures: the lines of one picture or page at a time.
class PictureLines {
 public:
  PictureLines(InputReader& input, const PictureOptions& options, FontEngine& engine)
      : input_(input), options_(options), engine_(engine) {
    const RenderSettings& settings = options.settings;
    font_ = engine.CreateFont(MakeLogFont(settings, options.pixels_per_inch));
    const int64_t h = CellHeight(*font_);
    pitch_ = h + settings.LineSpacing;
    fixed_height_ = 2 * int64_t{settings.Margin} - settings.LineSpacing;
    if (options.width) {
      room_ = int64_t{*options.width} - 2 * int64_t{settings.Margin};
      if (room_ <= 0) {
        throw Exception(
            Msg("a width of %s pixels leaves no room for text between margins of %s pixels",
                {std::to_string(*options.width), std::to_string(settings.Margin)}));
      }
    } else {
      // The line cut needs no more than this much of a line.
      input.KeepLineBytes(kMaxLineBytes * 2);
    }
    per_page_ = options.max_height ? LinesPerPage(static_cast<int32_t>(h), settings.LineSpacing,
                                                  settings.Margin, *options.max_height)
                                   : std::numeric_limits<size_t>::max();
  }

  // The lines of the next picture: a full page, or what is left at the end of the input. False
  // when the input is used up and a picture has been given.
  bool Next(std::vector<std::string>& lines) {
    lines.clear();
    uint64_t bytes = 0;
    while (lines.size() < per_page_) {
      if (waiting_.empty() && !Read()) break;
      std::string& line = waiting_.front();
      bytes += line.size();
      lines.push_back(std::move(line));
      waiting_.pop_front();
      if (bytes > kMostPictureTextBytes) {
        throw Exception(
            Msg("the text of one picture is more than %s MiB; give --max-height to split it "
                "into pages",
                {std::to_string(kMostPictureTextBytes >> 20)}));
      }
      // Reading stops as soon as the picture is known to be too tall for JPEG.
      if (pitch_ > 0 && static_cast<int64_t>(lines.size()) * pitch_ + fixed_height_ >
                            MaxPictureSide(options_.encoding.format)) {
        throw EJPEG(kImageTooBig);
      }
    }
    if (input_.Empty()) throw EInputError(Tr("the input is empty; there is nothing to draw"));
    if (lines.empty() && given_ > 0) return false;
    ++given_;
    return true;
  }

 private:
  // Reads the next input line into waiting_, broken to the width. False at the end.
  bool Read() {
    std::string line;
    if (!input_.NextLine(line)) return false;
    if (!options_.width) {
      if (line.size() > kMaxLineBytes / 4) line.resize(Gb18030PrefixLength(line, kMaxLineBytes));
      waiting_.push_back(std::move(line));
      return true;
    }
    try {
      for (std::string& piece : WrapLines({line}, *font_, room_)) {
        waiting_.push_back(std::move(piece));
      }
    } catch (const ETooNarrow& failure) {
      throw Exception(std::string(failure.what()) + " (a width of " +
                      std::to_string(*options_.width) + " less margins of " +
                      std::to_string(options_.settings.Margin) + ")");
    }
    return true;
  }

  InputReader& input_;
  const PictureOptions& options_;
  FontEngine& engine_;
  std::unique_ptr<TextFont> font_;
  int64_t pitch_ = 0;
  int64_t fixed_height_ = 0;
  int64_t room_ = 0;
  size_t per_page_ = 0;
  size_t given_ = 0;
  std::deque<std::string> waiting_;
};

// Writes the picture into the open file in the encoding's format: a JPEG as it is encoded,
// another format encoded whole first.
void WritePicture(FileReplacement& file, const std::string& path, int32_t width, int32_t height,
                  PictureRows& rows, const PictureEncoding& encoding) {
  if (encoding.format == PictureFormat::kJpeg) {
    WriteJpegFile(file, path, width, height, rows, encoding.quality);
    return;
  }
  std::string stream;
  EncodePictureRows(width, height, rows, encoding, stream);
  int error = file.NeedsReserve() ? file.Reserve(stream.size()) : 0;
  if (error == 0) error = file.Write(stream);
  if (error != 0) throw EWriteError(path, error);
}

// Opens a picture's name for its new content; nothing appears under it until it is whole.
void OpenPicture(FileReplacement& file, const std::string& path) {
  struct stat link {};
  struct stat target {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode) &&
      ::stat(path.c_str(), &target) != 0 && errno == ENOENT) {
    throw Exception(Msg(
        "\"%s\" is a symbolic link to a file that does not exist; not writing through it",
        {path}));
  }
  if (const int error = file.Open(path, NewName::kWhenWhole); error != 0) {
    throw EFCreateError(path, error);
  }
}

// Draws the lines as one picture into `sink`-like writer `write(width, height, rows)`.
template <typename Write>
void DrawPicture(const std::vector<std::string>& lines, const PictureOptions& options,
                 FontEngine& engine, Uncovered& uncovered, Write write) {
  const TextLayout layout(lines, options.settings, engine, options.pixels_per_inch,
                          Bounds(options));
  uncovered.Add(layout);
  if (!layout.Empty()) {
    // Drawn in bands as the encoder takes the rows: the same bytes as the whole raster, without
    // its memory.
    BandedRows rows(layout);
    write(layout.Width(), layout.Height(), rows);
    return;
  }
  if (layout.Height() <= 0) {
    throw Exception(
        Msg("the picture would be %s pixels tall; check the line spacing and the margins",
            {std::to_string(layout.Height())}));
  }
  // Blank lines only: a white picture of their height, as wide as the margins.
  const int32_t width =
      static_cast<int32_t>(std::max<int64_t>(1, 2 * int64_t{std::max(options.settings.Margin, 0)}));
  WhiteRows rows(width);
  write(width, layout.Height(), rows);
}

// The pages of an earlier run past `last`, which this run leaves alone.
std::string StalePagesWarning(const std::string& path, size_t last) {
  size_t end = last + 1;
  struct stat info {};
  while (::lstat(PageName(path, end).c_str(), &info) == 0) ++end;
  if (end == last + 1) return {};
  if (end == last + 2) {
    return Msg("\"%s\" from an earlier run is left as it was", {PageName(path, last + 1)});
  }
  return Msg("\"%s\" to \"%s\" from an earlier run are left as they were",
             {PageName(path, last + 1), PageName(path, end - 1)});
}

std::string JoinWarnings(const std::string& a, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + "\n" + b;
}

std::string WritePicturesOf(InputReader& input, const PictureOptions& options, FontEngine& engine,
                            const PictureOutput& output);
std::string WritePictureOf(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine);

}  // namespace

std::string WritePictures(InputReader& input, const PictureOptions& options, FontEngine& engine,
                          const PictureOutput& output) {
  return NamingMemory([&] { return WritePicturesOf(input, options, engine, output); });
}

std::vector<std::pair<int32_t, int32_t>> PictureSizes(InputReader& input,
                                                      const PictureOptions& options,
                                                      FontEngine& engine) {
  std::vector<std::pair<int32_t, int32_t>> sizes;
  PictureLines pictures(input, options, engine);
  std::vector<std::string> lines;
  Uncovered uncovered;
  while (pictures.Next(lines)) {
    DrawPicture(lines, options, engine, uncovered,
                [&](int32_t width, int32_t height, PictureRows&) { sizes.emplace_back(width, height); });
    if (!options.max_height) break;
  }
  return sizes;
}

std::string WritePictureTo(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine) {
  return NamingMemory([&] { return WritePictureOf(fd, input, options, engine); });
}

namespace {

std::string WritePicturesOf(InputReader& input, const PictureOptions& options, FontEngine& engine,
                            const PictureOutput& output) {
  const bool paged = options.max_height.has_value();
  CommitGroup pages;
  Uncovered uncovered;
  PictureLines pictures(input, options, engine);
  std::vector<std::string> lines;
  size_t page = 0;
  // Each picture's name is checked before its lines are read.
  auto file = std::make_unique<FileReplacement>();
  std::string name = paged ? PageName(output.path, 1) : output.path;
  OpenPicture(*file, name);
  while (pictures.Next(lines)) {
    ++page;
    if (output.inputs != nullptr && output.inputs->Contains(name)) {
      throw Exception(Msg("the picture \"%s\" would replace an input file", {name}));
    }
    DrawPicture(lines, options, engine, uncovered,
                [&](int32_t width, int32_t height, PictureRows& rows) {
                  WritePicture(*file, name, width, height, rows, options.encoding);
                });
    int error;
    if (paged || output.group != nullptr) {
      error = file->Commit(pages, page);
    } else {
      error = file->Commit();
    }
    if (error != 0) throw EWriteError(name, error);
    if (!paged) break;
    name = PageName(output.path, page + 1);
    file = std::make_unique<FileReplacement>();
    OpenPicture(*file, name);
  }
  file.reset();
  std::string warning = uncovered.Warning();
  if (paged) warning = JoinWarnings(warning, StalePagesWarning(output.path, page));
  if (output.group != nullptr) {
    output.group->Adopt(pages, output.tag);
  } else {
    for (const CommitGroup::Result& result : pages.Flush()) {
      if (result.error != 0) {
        throw EWriteError(PageName(output.path, result.tag), result.error);
      }
    }
  }
  return warning;
}

std::string WritePictureOf(int fd, InputReader& input, const PictureOptions& options,
                           FontEngine& engine) {
  PictureOptions one = options;
  one.max_height.reset();
  PictureLines pictures(input, one, engine);
  std::vector<std::string> lines;
  pictures.Next(lines);
  Uncovered uncovered;
  DrawPicture(lines, one, engine, uncovered, [&](int32_t width, int32_t height, PictureRows& rows) {
    if (one.encoding.format != PictureFormat::kJpeg) {
      std::string stream;
      EncodePictureRows(width, height, rows, one.encoding, stream);
      if (!stream.empty()) {
        DescriptorSink sink(fd);
        if (!sink.Put(reinterpret_cast<const uint8_t*>(stream.data()), stream.size())) {
          sink.ThrowFailure();
        }
      }
      return;
    }
    DescriptorSink sink(fd);
    EncodeJpeg(width, height, rows, sink, one.encoding.quality);
  });
  return uncovered.Warning();
}

}  // namespace
}  // namespace t2j
