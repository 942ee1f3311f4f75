#include "cli/picture_job.h"

#include <limits>
#include <unordered_set>

#include "cli/output_names.h"
#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/page_split.h"
#include "convert/render_text.h"
#include "convert/wrap_lines.h"
#include "platform/failure.h"
#include "platform/messages.h"

namespace t2j {

std::vector<std::vector<std::string>> PictureLines(std::string_view text,
                                                   const PictureOptions& options,
                                                   FontEngine& engine) {
  const RenderSettings& settings = options.settings;
  if (!options.width && !options.max_height) return {InputLines(text)};

  const std::unique_ptr<TextFont> font =
      engine.CreateFont(MakeLogFont(settings, options.pixels_per_inch));
  std::vector<std::string> lines;
  if (options.width) {
    const int64_t room = int64_t{*options.width} - 2 * int64_t{settings.Margin};
    if (room <= 0) {
      throw Exception(
          Msg("a width of %s pixels leaves no room for text between margins of %s "
              "pixels",
              {std::to_string(*options.width), std::to_string(settings.Margin)}));
    }
    try {
      lines = WrapLines(InputLines(text, std::numeric_limits<size_t>::max()), *font, room);
    } catch (const ETooNarrow& failure) {
      throw Exception(
          Msg("%s (a width of %s less margins of %s)",
              {failure.what(), std::to_string(*options.width), std::to_string(settings.Margin)}));
    }
  } else {
    lines = InputLines(text);
  }
  if (!options.max_height) return {std::move(lines)};
  const size_t per_page =
      LinesPerPage(CellHeight(*font), settings.LineSpacing, settings.Margin, *options.max_height);
  return SplitPages(std::move(lines), per_page);
}

namespace {

// The picture grows for ink beyond its cells no further than the width and page height asked.
SizeBounds Bounds(const PictureOptions& options) {
  SizeBounds bounds;
  if (options.width) bounds.width = *options.width;
  if (options.max_height) bounds.height = *options.max_height;
  return bounds;
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

}  // namespace

std::string WritePictures(std::string_view text, const PictureOptions& options, FontEngine& engine,
                          const std::string& path, const InputFiles& inputs) {
  const std::vector<std::vector<std::string>> pages = PictureLines(text, options, engine);
  Uncovered uncovered;
  for (size_t i = 0; i < pages.size(); ++i) {
    const std::string page_path = options.max_height ? PageName(path, i + 1) : path;
    if (inputs.Contains(page_path)) {
      throw Exception(Msg("the picture \"%s\" would replace an input file", {page_path}));
    }
    // Drawn in bands as the encoder takes the rows: the same bytes as the whole raster, without
    // its memory.
    const TextLayout layout(pages[i], options.settings, engine, options.pixels_per_inch,
                            Bounds(options));
    uncovered.Add(layout);
    BandedRows rows(layout, 0, MaxPictureSide(options.encoding.format));
    SavePictureRows(page_path, layout.Width(), layout.Height(), rows, options.encoding);
  }
  return uncovered.Warning();
}

std::vector<std::pair<int32_t, int32_t>> PictureSizes(std::string_view text,
                                                      const PictureOptions& options,
                                                      FontEngine& engine) {
  std::vector<std::pair<int32_t, int32_t>> sizes;
  for (const std::vector<std::string>& page : PictureLines(text, options, engine)) {
    const TextLayout layout(page, options.settings, engine, options.pixels_per_inch);
    sizes.emplace_back(layout.Width(), layout.Height());
  }
  return sizes;
}

EncodedPicture EncodePicture(std::string_view text, const PictureOptions& options,
                             FontEngine& engine) {
  PictureOptions one = options;
  one.max_height.reset();
  const std::vector<std::string> lines = PictureLines(text, one, engine).front();
  const TextLayout layout(lines, options.settings, engine, options.pixels_per_inch, Bounds(one));
  Uncovered uncovered;
  uncovered.Add(layout);
  BandedRows rows(layout, 0, MaxPictureSide(options.encoding.format));
  EncodedPicture picture;
  EncodePictureRows(layout.Width(), layout.Height(), rows, options.encoding, picture.stream);
  picture.warning = uncovered.Warning();
  return picture;
}

}  // namespace t2j
