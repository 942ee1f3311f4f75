#include "convert/picture_format.h"

#include <algorithm>
#include <cctype>

#include "convert/png_image.h"
#include "platform/failure.h"
#include "platform/messages.h"

namespace t2j {
namespace {

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

void CheckQuality(const PictureEncoding& encoding) {
  if (encoding.format == PictureFormat::kJpeg &&
      (encoding.quality < kMinJpegQuality || encoding.quality > kMaxJpegQuality)) {
    throw Exception(Msg(N_("a JPEG quality of %s is not between %s and %s"),
                        {std::to_string(encoding.quality), std::to_string(kMinJpegQuality),
                         std::to_string(kMaxJpegQuality)}));
  }
}

}  // namespace

std::optional<PictureFormat> ParsePictureFormat(std::string_view name) {
  const std::string lowered = Lowered(name);
  if (lowered == "jpeg" || lowered == "jpg") return PictureFormat::kJpeg;
  if (lowered == "png") return PictureFormat::kPng;
  return std::nullopt;
}

std::optional<PictureFormat> PictureFormatOfPath(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) {
    return std::nullopt;
  }
  return ParsePictureFormat(path.substr(dot + 1));
}

int32_t MaxPictureSide(PictureFormat format) {
  return format == PictureFormat::kPng ? kMaxPngSide : kMaxJpegSide;
}

void EncodePictureRows(int32_t width, int32_t height, PictureRows& rows,
                       const PictureEncoding& encoding, std::string& stream) {
  CheckQuality(encoding);
  if (encoding.format == PictureFormat::kPng) {
    EncodePng(width, height, rows, stream);
  } else {
    EncodeJpeg(width, height, rows, stream, encoding.quality);
  }
}

void EncodePictureRows(int32_t width, int32_t height, PictureRows& rows,
                       const PictureEncoding& encoding, JpegSink& sink) {
  CheckQuality(encoding);
  if (encoding.format == PictureFormat::kPng) {
    EncodePng(width, height, rows, sink);
  } else {
    EncodeJpeg(width, height, rows, sink, encoding.quality);
  }
}

void SavePictureRows(const std::string& path, int32_t width, int32_t height, PictureRows& rows,
                     const PictureEncoding& encoding) {
  CheckQuality(encoding);
  if (encoding.format == PictureFormat::kPng) {
    SavePngFile(path, width, height, rows);
  } else {
    SaveJpegFile(path, width, height, rows, encoding.quality);
  }
}

}  // namespace t2j
