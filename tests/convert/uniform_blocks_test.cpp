// The uniform-block shortcut must leave every byte of the stream as libjpeg alone makes it.
#include "convert/uniform_blocks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "convert/input_lines.h"
#include "convert/jpeg_image.h"
#include "convert/render_text.h"
#include "text/font_engine.h"

namespace t2j {
namespace {

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

Picture Make(int32_t width, int32_t height, const std::function<Rgb(int32_t, int32_t)>& pixel) {
  Picture picture{width, height, {}};
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      picture.rgb.insert(picture.rgb.end(), {c.r, c.g, c.b});
    }
  }
  return picture;
}

uint32_t Noise(int32_t x, int32_t y) {
  uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 12);
}

// Every value of each channel fills a 16 × 16 square, so that luma and both chroma blocks are
// uniform, one sample value after another; some squares carry a dot, which ends their
// uniformity.
Picture EveryLevel() {
  return Make(256, 3 * 256, [](int32_t x, int32_t y) {
    const auto level = static_cast<uint8_t>((y % 256) / 16 * 16 + x / 16);
    if ((x % 16 == 5 && y % 16 == 9 && level % 7 == 0)) return Rgb{0, 0, 0};
    switch (y / 256) {
      case 0:
        return Rgb{level, level, level};
      case 1:
        return Rgb{level, static_cast<uint8_t>(255 - level), static_cast<uint8_t>(level / 2)};
      default:
        return Rgb{static_cast<uint8_t>(level * 3), level, static_cast<uint8_t>(level ^ 0x5A)};
    }
  });
}

Picture Text() {
  RenderSettings settings;
  settings.FontName = "宋体";
  settings.TextColor = 0x000000C0;
  const RenderedPicture rendered =
      RenderText(InputLines("说明：转换的文本宽度\n\n   2 生成的JPG文件 gjpqy\n"), settings,
                 SystemFontEngine(), 96);
  return Make(rendered.Width, rendered.Height,
              [&](int32_t x, int32_t y) { return rendered.Pixels->Pixel(x, y); });
}

struct Holder {
  UniformBlocks blocks;
};

void ForwardDct(j_compress_ptr cinfo, jpeg_component_info* component, JSAMPARRAY samples,
                JBLOCKROW blocks, JDIMENSION row, JDIMENSION column, JDIMENSION count) {
  static_cast<Holder*>(cinfo->client_data)
      ->blocks.ForwardDct(cinfo, component, samples, blocks, row, column, count);
}

// The picture compressed by libjpeg itself, with or without the shortcut.
std::string Compress(const Picture& picture, int quality, J_DCT_METHOD method, bool shortcut) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr error{};
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* bytes = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &bytes, &size);
  Holder holder;
  cinfo.client_data = &holder;
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.dct_method = method;
  jpeg_start_compress(&cinfo, TRUE);
  if (shortcut) holder.blocks.Install(&cinfo, ForwardDct);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data()) +
                   static_cast<size_t>(cinfo.next_scanline) * picture.width * 3;
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::string stream(reinterpret_cast<const char*>(bytes), size);
  std::free(bytes);
  return stream;
}

struct PictureCase {
  const char* name;
  std::function<Picture()> make;
};

class UniformBlocksTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(UniformBlocksTest, SameBytesAtEveryQualityAndMethod) {
  ASSERT_TRUE(UniformBlocks::Supported()) << "the shortcut is off: nothing to compare";
  const Picture picture = GetParam().make();
  for (const J_DCT_METHOD method : {JDCT_FLOAT, JDCT_ISLOW, JDCT_IFAST}) {
    for (const int quality : {1, 5, 10, 25, 50, 75, 89, 90, 91, 95, 99, 100}) {
      SCOPED_TRACE(testing::Message() << "method " << method << ", quality " << quality);
      ASSERT_EQ(Compress(picture, quality, method, true),
                Compress(picture, quality, method, false));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, UniformBlocksTest,
    ::testing::Values(
        PictureCase{"White",
                    [] {
                      return Make(64, 48, [](int32_t, int32_t) { return Rgb{255, 255, 255}; });
                    }},
        PictureCase{"EveryLevelOfEveryChannel", EveryLevel}, PictureCase{"Text", Text},
        PictureCase{"Noise",
                    [] {
                      return Make(61, 45, [](int32_t x, int32_t y) {
                        const uint32_t n = Noise(x, y);
                        return Rgb{static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                                   static_cast<uint8_t>(n >> 16)};
                      });
                    }},
        PictureCase{"Gradients",
                    [] {
                      return Make(200, 120, [](int32_t x, int32_t y) {
                        return Rgb{static_cast<uint8_t>(x), static_cast<uint8_t>(y * 2),
                                   static_cast<uint8_t>((x + y) / 2)};
                      });
                    }},
        PictureCase{"OddSizeWithFlatAreasAtTheEdges",
                    [] {
                      return Make(37, 23, [](int32_t x, int32_t y) {
                        return x > 30 || y > 17   ? Rgb{12, 200, 99}
                               : (x + y) % 5 == 0 ? Rgb{0, 0, 0}
                                                  : Rgb{255, 255, 255};
                      });
                    }}),
    [](const ::testing::TestParamInfo<PictureCase>& info) { return info.param.name; });

// The encoder of the program, shortcut and all, gives what libjpeg alone gives for its settings.
TEST(UniformBlocksTest, EncoderGivesLibjpegsOwnBytes) {
  for (const Picture& picture : {EveryLevel(), Text()}) {
    std::unique_ptr<Raster> raster = Raster::MakeWhite(picture.width, picture.height);
    for (int32_t y = 0; y < picture.height; ++y) {
      std::copy_n(picture.rgb.data() + static_cast<size_t>(y) * picture.width * 3,
                  picture.width * 3, raster->Row(y));
    }
    RenderedPicture rendered{picture.width, picture.height, std::move(raster)};
    std::string stream;
    EncodeJpeg(rendered, stream);
    EXPECT_EQ(stream, Compress(picture, kJpegQuality, JDCT_FLOAT, false));
  }
}

}  // namespace
}  // namespace t2j
