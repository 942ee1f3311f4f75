// The JPEG picture of one conversion, over libjpeg.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "convert/picture_rows.h"
#include "convert/rendered_picture.h"
#include "platform/file_output.h"

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

  // Checks that the file can be created (creating it empty when it is absent), then writes the
  // compressed stream into it as SaveJpegFile does: the stream already built, or else the one
  // encoded from the kept picture as it is made, without keeping it. Failures as SaveJpegFile's.
  void SaveToFile(const std::string& path);

 private:
  RenderedPicture picture_;
  std::string stream_;
  bool has_stream_ = false;
};

// Where an encoded stream goes while it is made.
class JpegSink {
 public:
  virtual ~JpegSink() = default;
  // Takes the next bytes of the stream. False stops the encoding; ThrowFailure then says why.
  virtual bool Put(const uint8_t* bytes, size_t count) = 0;
  [[noreturn]] virtual void ThrowFailure() = 0;
};

// Encodes the picture into `stream` (replacing its contents) as CompressedStream describes.
void EncodeJpeg(const RenderedPicture& picture, std::string& stream);

// The same for a width × height picture read row by row from `rows`; a side that is not positive
// gives an empty stream and reads no row. A failure of `rows` passes through, the stream empty.
void EncodeJpeg(int32_t width, int32_t height, PictureRows& rows, std::string& stream,
                int quality = kJpegQuality);

// The same, handing the stream to `sink` piece by piece as the encoder makes it.
void EncodeJpeg(int32_t width, int32_t height, PictureRows& rows, JpegSink& sink,
                int quality = kJpegQuality);

// How SaveJpegFile puts the picture under its name.
struct JpegFileOptions {
  // kCreateFirst: the name is made empty at once, and an encoder failure leaves it empty (the
  // window). kWhenWhole: nothing appears under the name until the whole picture is there.
  NewName new_name = NewName::kCreateFirst;
  // When given, the finished file joins this group and is renamed over its name when the group
  // is flushed (see CommitGroup), under `tag`.
  CommitGroup* group = nullptr;
  uint64_t tag = 0;
  int quality = kJpegQuality;  // 1 to 100
};

// Writes the picture read from `rows` as a JPEG file. The name is checked first (EFCreateError,
// nothing encoded); then the encoder's output goes into a temporary file beside it as it is made,
// through a small buffer, so memory holds no more than the rows hand out at once; the whole file
// is then renamed over the name (see FileReplacement). An existing file that can only be
// rewritten in place is encoded twice, once to learn the size to reserve, so `rows` must then
// give its rows again from the top. Fails with EJPEG from the encoder, EWriteError when the bytes
// cannot all be written, and whatever `rows` throws; after any failure the name holds what it
// held before (an empty file for a name made by kCreateFirst when the encoder failed) and no
// temporary file is left.
void SaveJpegFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                  const JpegFileOptions& options = {});

// The same with the window's other settings at a quality from 1 to 100.
void SaveJpegFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                  int quality);

// The writing half of SaveJpegFile, into a file that `path` was opened as (FileReplacement::Open):
// reserves room for an in-place rewrite, streams the picture in, and leaves the commit to the
// caller. Fails as SaveJpegFile does, the file then abandoned.
void WriteJpegFile(FileReplacement& file, const std::string& path, int32_t width, int32_t height,
                   PictureRows& rows, int quality = kJpegQuality);

// What SaveJpegFile and WriteJpegFile do, for any encoder: `encode` hands the whole stream to
// the sink it is given, and is called twice (the first time only to count the bytes) when the
// file is rewritten in place.
using StreamEncoder = std::function<void(JpegSink&)>;
void SaveEncodedFile(const std::string& path, const JpegFileOptions& options,
                     const StreamEncoder& encode);
void WriteEncodedFile(FileReplacement& file, const std::string& path,
                      const StreamEncoder& encode);

}  // namespace t2j
