// Text read as it comes, gathered into the lines of each picture (broken to a width, split into
// pages), and each picture drawn and written: the steps that the command-line tool and the
// library share.
#pragma once

#include <cerrno>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "convert/failure_text.h"
#include "convert/input_reader.h"
#include "convert/jpeg_image.h"
#include "convert/picture_format.h"
#include "convert/render_settings.h"
#include "convert/render_text.h"
#include "platform/file_output.h"
#include "platform/system_error.h"
#include "text/font_engine.h"

namespace t2j {

// How the text becomes pictures.
struct PictureOptions {
  RenderSettings settings;
  int32_t pixels_per_inch = kDefaultPixelsPerInch;
  std::optional<int32_t> width;       // the most pixels a picture may be wide, margins included
  std::optional<int32_t> max_height;  // pages of at most this many rows
  PictureEncoding encoding;           // JPEG at quality 90 unless told otherwise
};

// The most text, in UTF-8 bytes, that one picture or page may hold.
constexpr uint64_t kMostPictureTextBytes = uint64_t{192} << 20;

// Lines as they are read, gathered into pictures: the lines of one picture or page at a time.
// Without a width each line is cut at kMaxLineBytes of its GB18030 form, as the window cuts it;
// with a width, lines are kept whole and broken so that every picture is at most that wide.
// Fails with Exception when the width leaves no room between the margins or a character is
// wider than that room.
class PictureLines {
 public:
  PictureLines(InputReader& input, const PictureOptions& options, FontEngine& engine);

  // The lines of the next picture: a full page, or what is left at the end of the input. False
  // when the input is used up and a picture has been given. Fails with EInputError for an empty
  // input, with EJPEG (a side too large) as soon as the picture is known to be too tall for its
  // format, and with Exception when one picture's text passes kMostPictureTextBytes.
  bool Next(std::vector<std::string>& lines);

 private:
  bool Read();

  InputReader& input_;
  const PictureOptions& options_;
  std::unique_ptr<TextFont> font_;
  int64_t pitch_ = 0;
  int64_t fixed_height_ = 0;
  int64_t room_ = 0;
  size_t per_page_ = 0;
  size_t given_ = 0;
  std::deque<std::string> waiting_;
};

// Gathers the characters that no font has over the pictures of a text, each once.
class Uncovered {
 public:
  void Add(const TextLayout& layout);
  // The warning naming them, or empty.
  std::string Warning() const;

 private:
  std::vector<char32_t> found_;
  std::unordered_set<char32_t> seen_;
};

// The warning for a font that does not draw as asked: a face that no installed family has and no
// substitute stands for (naming the family that draws instead), or a style that the family
// lacks; empty otherwise, for a font file, and when fontconfig fails (the drawing reports that).
std::string FontWarning(const RenderSettings& settings);

// Lays the lines out as one picture and hands its size and rows, drawn in bands as they are
// read, to `write`. Lines that are all blank give a white picture of their height, as wide as
// the margins. Fails with Exception when the picture would be no pixel tall, and with the
// failures of TextLayout.
void DrawPicture(const std::vector<std::string>& lines, const PictureOptions& options,
                 FontEngine& engine, Uncovered& uncovered,
                 const std::function<void(int32_t, int32_t, PictureRows&)>& write);

// Opens a picture's name for its new content (NewName::kWhenWhole): nothing appears under it
// until it is whole. Fails with EFCreateError as creating the file would, and with Exception for
// a symbolic link to nothing.
void OpenPicture(FileReplacement& file, const std::string& path);

// Writes the picture into the open file in the encoding's format as it is encoded. Fails as
// SaveJpegFile does.
void WritePicture(FileReplacement& file, const std::string& path, int32_t width, int32_t height,
                  PictureRows& rows, const PictureEncoding& encoding);

// The width and height of each picture that the lines of the input give, in order (one picture
// without a most height; a page each with one); nothing is encoded. Fails as PictureLines and
// DrawPicture fail.
std::vector<std::pair<int32_t, int32_t>> PictureSizes(InputReader& input,
                                                      const PictureOptions& options,
                                                      FontEngine& engine);

// The picture of the input's lines (no pages: a most height is not used) encoded in the
// options' format and handed to `sink` as it is made. Returns the warning of the characters that
// no installed font has, or empty. Fails as PictureLines, DrawPicture and EncodeJpeg fail, and
// as the sink says.
std::string EncodePicture(InputReader& input, const PictureOptions& options, FontEngine& engine,
                          JpegSink& sink);

// libjpeg's message code for memory it could not have.
constexpr int kJpegOutOfMemory = 54;

// Runs `work`; the encoder's "no memory" comes out as what it is, EOutOfResources.
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

}  // namespace t2j
