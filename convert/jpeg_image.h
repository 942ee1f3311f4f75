// The JPEG picture of one conversion, over libjpeg.
#pragma once

#include <cstdint>
#include <string>

#include "convert/picture_rows.h"
#include "convert/rendered_picture.h"

namespace t2j {

// Fixed encoder settings.
constexpr int kJpegQuality = 90;
constexpr size_t kJpegBufferBytes = 4096;

// The largest side libjpeg takes; a larger picture is refused with JERR_IMAGE_TOO_BIG (41).
constexpr int32_t kMaxJpegSide = 65500;

// True when a picture of this size has pixels but is too large for the encoder.
inline bool TooLargeForJpeg(int32_t width, int32_t height) {
  return width > 0 && height > 0 && (width > kMaxJpegSide || height > kMaxJpegSide);
}

class TJPEGImage {
 public:
  // Shares the picture's pixels and discards any compressed stream.
  void Assign(const RenderedPicture& picture);

  // The kept picture, as assigned; nothing is decoded.
  const RenderedPicture& Picture() const { return picture_; }

  // Builds the compressed stream when there is none: baseline JFIF 1.01, quality 90, YCbCr
  // 2×2/1×1/1×1, floating-point DCT, standard Huffman tables. An empty picture gives an empty
  // stream. Fails with EJPEG carrying libjpeg's message code (41 for a side over 65500, which
  // a picture that big has no raster for), and with Exception when the picture's Width and
  // Height disagree with its raster.
  const std::string& CompressedStream();

  // Checks that the file can be created (creating it empty when it is absent), encodes when
  // needed, then replaces the file's content by the whole stream (see ReplaceFileContent).
  // Fails with EFCreateError when the file cannot be created (nothing is encoded then), EJPEG
  // from the encoder (an existing file keeps its content, a new one stays with zero bytes), and
  // EWriteError when the bytes cannot all be written (the file keeps its old content).
  void SaveToFile(const std::string& path);

 private:
  RenderedPicture picture_;
  std::string stream_;
  bool has_stream_ = false;
};

// Encodes the picture into `stream` (replacing its contents) as CompressedStream describes.
void EncodeJpeg(const RenderedPicture& picture, std::string& stream);

// The same for a width × height picture read row by row from `rows`, at a quality from 1 to 100;
// a side that is not positive gives an empty stream and reads no row. A failure of `rows` passes
// through, the stream empty.
void EncodeJpeg(int32_t width, int32_t height, PictureRows& rows, std::string& stream,
                int quality = kJpegQuality);

// Writes the picture read from `rows` as a JPEG file, with the steps and failures of
// TJPEGImage::SaveToFile.
void SaveJpegFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                  int quality = kJpegQuality);

}  // namespace t2j
