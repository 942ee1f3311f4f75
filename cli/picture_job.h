// One input's pictures: its lines laid out (broken to a width, split into pages) and written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/picture_format.h"
#include "convert/render_settings.h"
#include "text/font_engine.h"

namespace t2j {

class InputFiles;

// How the text becomes pictures.
struct PictureOptions {
  RenderSettings settings;
  int32_t pixels_per_inch = kDefaultPixelsPerInch;
  std::optional<int32_t> width;       // the most pixels a picture may be wide, margins included
  std::optional<int32_t> max_height;  // pages of at most this many rows
  PictureEncoding encoding;           // JPEG at quality 90 unless told otherwise
};

// The lines of each picture of the text (UTF-8): its input lines as the window takes them; with
// a width, its lines uncut and broken so that every picture is at most that wide; with a most
// height, split into pages that each fit it. One picture without pages. Fails with Exception when
// the width leaves no room between the margins, when a character is wider than that room, and
// when one line with the margins is taller than a page.
std::vector<std::vector<std::string>> PictureLines(std::string_view text,
                                                   const PictureOptions& options,
                                                   FontEngine& engine);

// Draws the pictures of the text and writes them as files in the options' encoding: `path`, or
// with a most height the pages PageName(path, 1), PageName(path, 2), … Every file is written as
// SavePictureRows writes it, one after the other; a file that is one of `inputs` is never replaced
// (Exception). Returns the warning for characters that no installed font has, or an empty text.
std::string WritePictures(std::string_view text, const PictureOptions& options, FontEngine& engine,
                          const std::string& path, const InputFiles& inputs);

// The width and height of each picture that WritePictures would write, in order.
std::vector<std::pair<int32_t, int32_t>> PictureSizes(std::string_view text,
                                                      const PictureOptions& options,
                                                      FontEngine& engine);

// The picture of the text as a stream in the options' encoding (no pages), and the warning as
// WritePictures gives it.
struct EncodedPicture {
  std::string stream;
  std::string warning;
};
EncodedPicture EncodePicture(std::string_view text, const PictureOptions& options,
                             FontEngine& engine);

}  // namespace t2j
