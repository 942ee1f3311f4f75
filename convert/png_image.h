// The picture as a PNG stream, over libpng: lossless, from the same rows the JPEG is made from.
#pragma once

#include <cstdint>
#include <string>

#include "convert/jpeg_image.h"
#include "convert/picture_rows.h"

namespace t2j {

// The largest side written: libpng's readers refuse larger pictures unless told otherwise.
constexpr int32_t kMaxPngSide = 1000000;

// True when a picture of this size has pixels but is too large for a PNG file.
inline bool TooLargeForPng(int32_t width, int32_t height) {
  return width > 0 && height > 0 && (width > kMaxPngSide || height > kMaxPngSide);
}

// Encodes a width × height picture read row by row from `rows` into `stream` (replacing its
// contents): 8-bit RGB, not interlaced, no time or text chunks, so the same pixels give the same
// bytes. A side that is not positive gives an empty stream and reads no row, as the JPEG does.
// Fails with Exception naming the size when a side is over kMaxPngSide (before any memory is
// taken), and with Exception carrying libpng's message when it fails; a failure of `rows`
// passes through. The stream is empty after any failure.
void EncodePng(int32_t width, int32_t height, PictureRows& rows, std::string& stream);

// The same, handing the stream to `sink` piece by piece as it is made; a sink that refuses
// bytes ends the encoding with its ThrowFailure.
void EncodePng(int32_t width, int32_t height, PictureRows& rows, JpegSink& sink);

// Writes the picture read from `rows` as a PNG file, streamed as it is encoded, with the steps,
// failures and options of SaveJpegFile (its quality unused).
void SavePngFile(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                 const JpegFileOptions& options = {});

}  // namespace t2j
