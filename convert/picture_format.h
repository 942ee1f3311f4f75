// The file formats a picture is written in, and the choice between them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "convert/jpeg_image.h"
#include "convert/picture_rows.h"

namespace t2j {

enum class PictureFormat { kJpeg, kPng };

// The range of JPEG qualities; kJpegQuality is the window's.
constexpr int32_t kMinJpegQuality = 1;
constexpr int32_t kMaxJpegQuality = 100;

// How a picture's rows become a stream. The defaults write the window's JPEG.
struct PictureEncoding {
  PictureFormat format = PictureFormat::kJpeg;
  int32_t quality = kJpegQuality;  // JPEG only
};

// The format named "jpeg", "jpg" or "png", letter case ignored; nothing for any other name.
std::optional<PictureFormat> ParsePictureFormat(std::string_view name);

// The format of a file name's extension (".jpg", ".jpeg", ".png", letter case ignored); nothing
// for any other name.
std::optional<PictureFormat> PictureFormatOfPath(std::string_view path);

// The largest side a picture may have in the format.
int32_t MaxPictureSide(PictureFormat format);

// Encodes a width × height picture read from `rows` into `stream` in the encoding's format, with
// the failures of EncodeJpeg or EncodePng. Fails with Exception for a quality outside
// kMinJpegQuality to kMaxJpegQuality, before anything is read.
void EncodePictureRows(int32_t width, int32_t height, PictureRows& rows,
                       const PictureEncoding& encoding, std::string& stream);

// The same, handing the stream to `sink` piece by piece as it is made.
void EncodePictureRows(int32_t width, int32_t height, PictureRows& rows,
                       const PictureEncoding& encoding, JpegSink& sink);

// Writes the picture as a file in the encoding's format, as SaveJpegFile or SavePngFile write.
void SavePictureRows(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                     const PictureEncoding& encoding);

}  // namespace t2j
