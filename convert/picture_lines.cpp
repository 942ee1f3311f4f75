#include "convert/picture_lines.h"

#include <sys/stat.h>

#include <algorithm>
#include <limits>

#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/page_split.h"
#include "convert/wrap_lines.h"
#include "platform/failure.h"
#include "platform/gb18030.h"
#include "platform/messages.h"
#include "platform/raster.h"
#include "text/font_resolver.h"

namespace t2j {
namespace {

// The picture grows for ink beyond its cells no further than the width and page height asked.
SizeBounds Bounds(const PictureOptions& options) {
  SizeBounds bounds;
  if (options.width) bounds.width = *options.width;
  if (options.max_height) bounds.height = *options.max_height;
  return bounds;
}

// libjpeg's code for a side over 65500 pixels.
constexpr int kImageTooBig = 41;

// The rows of a page without text: white.
class WhiteRows final : public PictureRows {
 public:
  explicit WhiteRows(int32_t width) : row_(static_cast<size_t>(width) * 3, 255) {}
  const uint8_t* Row(int32_t) override { return row_.data(); }

 private:
  std::vector<uint8_t> row_;
};

}  // namespace

PictureLines::PictureLines(InputReader& input, const PictureOptions& options, FontEngine& engine)
    : input_(input), options_(options) {
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

bool PictureLines::Next(std::vector<std::string>& lines) {
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
    // Reading stops as soon as the picture is known to be too tall for its format.
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

// Reads the next input line into waiting_, broken to the width. False at the end.
bool PictureLines::Read() {
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

void Uncovered::Add(const TextLayout& layout) {
  for (const char32_t c : layout.UncoveredCharacters()) {
    if (seen_.insert(c).second) found_.push_back(c);
  }
}

std::string Uncovered::Warning() const {
  if (found_.empty()) return {};
  return Msg("no installed font has %s; drawn as boxes", {UncoveredCharactersText(found_)});
}

std::string FontWarning(const RenderSettings& settings) {
  const std::string& face = settings.FontName;
  if (!settings.FontPath.empty()) return {};
  const bool unknown = IsUnknownFaceName(face);
  if (!unknown && face.find(' ') == std::string::npos) return {};
  FaceRequest request;
  request.face_name = face;
  FontFile used;
  try {
    used = ResolveFace(request);
  } catch (const Exception&) {
    return {};
  }
  if (unknown) {
    return Msg("no installed font is named “%s”; “%s” draws the text", {face, used.family});
  }
  if (!used.missing_style.empty()) {
    return Msg("“%s” has no style “%s”; “%s %s” draws the text",
               {used.family, used.missing_style, used.family, used.style});
  }
  return {};
}

void DrawPicture(const std::vector<std::string>& lines, const PictureOptions& options,
                 FontEngine& engine, Uncovered& uncovered,
                 const std::function<void(int32_t, int32_t, PictureRows&)>& write) {
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

void WritePicture(FileReplacement& file, const std::string& path, int32_t width, int32_t height,
                  PictureRows& rows, const PictureEncoding& encoding) {
  WriteEncodedFile(file, path, [&](JpegSink& sink) {
    EncodePictureRows(width, height, rows, encoding, sink);
  });
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

std::string EncodePicture(InputReader& input, const PictureOptions& options, FontEngine& engine,
                          JpegSink& sink) {
  PictureOptions one = options;
  one.max_height.reset();
  PictureLines pictures(input, one, engine);
  std::vector<std::string> lines;
  pictures.Next(lines);
  Uncovered uncovered;
  DrawPicture(lines, one, engine, uncovered, [&](int32_t width, int32_t height, PictureRows& rows) {
    EncodePictureRows(width, height, rows, one.encoding, sink);
  });
  return uncovered.Warning();
}

}  // namespace t2j
