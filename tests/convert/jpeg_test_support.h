// Helpers for the tests of the JPEG file output: pictures, a scratch directory, decoding.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <csetjmp>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "convert/rendered_picture.h"
#include "platform/raster.h"

namespace t2j::testing {

struct InkRect {
  int64_t left, top, right, bottom;
  Rgb color;
};

// A white picture of the given size with the rectangles filled in, as the renderer would hand it.
inline RenderedPicture MakePicture(int32_t width, int32_t height,
                                   const std::vector<InkRect>& ink = {}) {
  std::unique_ptr<Raster> raster = Raster::MakeWhite(width, height);
  for (const InkRect& r : ink) raster->FillRect(r.left, r.top, r.right, r.bottom, r.color);
  RenderedPicture picture;
  picture.Width = width;
  picture.Height = height;
  picture.Pixels = std::move(raster);
  return picture;
}

// A fresh directory under the system's temporary directory, made the current directory for the
// test's lifetime; the previous current directory is restored and the directory removed after.
class ScratchDir {
 public:
  ScratchDir() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "t2j-jpeg-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot make a scratch directory";
      return;
    }
    std::filesystem::current_path(pattern);
    // As the system spells it, so that expected absolute names match when TMPDIR has a link.
    path_ = std::filesystem::current_path();
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// What libjpeg reads back from a stream: the quantisation tables and the pixels as R, G, B.
struct DecodedJpeg {
  int width = 0;
  int height = 0;
  std::vector<std::vector<uint16_t>> quant_tables;  // natural (row) order
  std::vector<uint8_t> pixels;

  Rgb Pixel(int x, int y) const {
    const size_t at = (static_cast<size_t>(y) * width + x) * 3;
    return Rgb{pixels[at], pixels[at + 1], pixels[at + 2]};
  }
};

namespace detail {
struct DecodeError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};
[[noreturn]] inline void DecodeErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<DecodeError*>(cinfo->err)->jump, 1);
}
inline void DecodeQuiet(j_common_ptr cinfo, int level) {
  if (level < 0) ++cinfo->err->num_warnings;
}

// No object with a destructor lives here across the setjmp.
inline bool DecodeInto(const std::string& stream, jpeg_decompress_struct* cinfo, DecodeError* err,
                       DecodedJpeg* out) {
  if (setjmp(err->jump) != 0) return false;
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char*>(stream.data()),
               static_cast<unsigned long>(stream.size()));
  if (jpeg_read_header(cinfo, TRUE) != JPEG_HEADER_OK) return false;
  for (JQUANT_TBL* table : cinfo->quant_tbl_ptrs) {
    if (table == nullptr) break;
    out->quant_tables.emplace_back(table->quantval, table->quantval + DCTSIZE2);
  }
  cinfo->out_color_space = JCS_RGB;
  if (!jpeg_start_decompress(cinfo)) return false;
  out->width = static_cast<int>(cinfo->output_width);
  out->height = static_cast<int>(cinfo->output_height);
  out->pixels.resize(static_cast<size_t>(out->width) * out->height * 3);
  while (cinfo->output_scanline < cinfo->output_height) {
    JSAMPROW row =
        out->pixels.data() + static_cast<size_t>(cinfo->output_scanline) * out->width * 3;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) return false;
  }
  return jpeg_finish_decompress(cinfo) == TRUE && err->pub.num_warnings == 0;
}
}  // namespace detail

// Decodes a whole stream; nothing when libjpeg fails or warns.
inline std::optional<DecodedJpeg> DecodeJpeg(const std::string& stream) {
  jpeg_decompress_struct cinfo{};
  detail::DecodeError err{};
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = detail::DecodeErrorExit;
  err.pub.emit_message = detail::DecodeQuiet;
  DecodedJpeg out;
  const bool ok = detail::DecodeInto(stream, &cinfo, &err, &out);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) return std::nullopt;
  return out;
}

}  // namespace t2j::testing
