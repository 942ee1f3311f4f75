// PNG output and the choice of format and JPEG quality.
#include "convert/picture_format.h"

#include <gtest/gtest.h>
#include <png.h>

#include <string>
#include <vector>

#include "convert/png_image.h"
#include "convert/render_text.h"
#include "platform/failure.h"

namespace t2j {
namespace {

// The RGB pixels of a PNG stream, or nothing when libpng cannot read it.
std::optional<std::string> DecodePng(const std::string& stream, int32_t& width, int32_t& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, stream.data(), stream.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::string pixels(PNG_IMAGE_SIZE(image), '\0');
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
  width = static_cast<int32_t>(image.width);
  height = static_cast<int32_t>(image.height);
  return pixels;
}

// Counts the rows read, and fails at a given row.
class CountedRows final : public PictureRows {
 public:
  CountedRows(int32_t width, int32_t fail_at)
      : row_(static_cast<size_t>(width) * 3, '\x7f'), fail_at_(fail_at) {}
  const uint8_t* Row(int32_t y) override {
    ++read;
    if (y == fail_at_) throw EOutOfResources("drawing failed");
    return reinterpret_cast<const uint8_t*>(row_.data());
  }
  int read = 0;

 private:
  std::string row_;
  int32_t fail_at_;
};

TEST(PngImageTest, HoldsExactlyThePixelsTheJpegIsMadeFrom) {
  RenderSettings settings;
  settings.FontName = "宋体";
  settings.BackgroundColor = 0x00E0F0FF;
  settings.Alignment = LineAlignment::kCenter;
  const std::vector<std::string> lines = {"说明：转换的文本", "gjp 宽", "", "   3 末行"};
  const RenderedPicture whole = RenderText(lines, settings, SystemFontEngine(), 96);
  ASSERT_FALSE(whole.Empty());
  EXPECT_EQ(whole.Pixels->Pixel(0, 0), (Rgb{0xFF, 0xF0, 0xE0}));

  const TextLayout layout(lines, settings, SystemFontEngine(), 96);
  BandedRows rows(layout, 7, kMaxPngSide);
  std::string stream;
  EncodePictureRows(layout.Width(), layout.Height(), rows, {PictureFormat::kPng, 90}, stream);
  int32_t width = 0;
  int32_t height = 0;
  const std::optional<std::string> pixels = DecodePng(stream, width, height);
  ASSERT_TRUE(pixels.has_value());
  EXPECT_EQ(width, whole.Width);
  EXPECT_EQ(height, whole.Height);
  EXPECT_TRUE(*pixels == std::string(reinterpret_cast<const char*>(whole.Pixels->data()),
                                     Raster::ByteSize(whole.Width, whole.Height)));
}

TEST(PngImageTest, EmptyTooLargeAndFailingPictures) {
  std::string stream = "old";
  CountedRows rows(4, -1);
  EncodePng(0, 5, rows, stream);
  EXPECT_TRUE(stream.empty());
  stream = "old";
  EXPECT_THROW(EncodePng(kMaxPngSide + 1, 1, rows, stream), Exception);
  EXPECT_TRUE(stream.empty());
  EXPECT_EQ(rows.read, 0);
  CountedRows failing(4, 2);
  EXPECT_THROW(EncodePng(4, 5, failing, stream), EOutOfResources);
  EXPECT_EQ(failing.read, 3);
  EXPECT_TRUE(stream.empty());
}

TEST(PictureFormatTest, QualityReachesTheEncoderAndIsChecked) {
  CountedRows rows(64, -1);
  std::string at_90;
  std::string at_default;
  std::string at_20;
  EncodeJpeg(64, 64, rows, at_default);
  EncodePictureRows(64, 64, rows, {PictureFormat::kJpeg, 90}, at_90);
  EncodePictureRows(64, 64, rows, {PictureFormat::kJpeg, 20}, at_20);
  EXPECT_EQ(at_90, at_default);
  EXPECT_NE(at_20, at_90);
  for (const int32_t quality : {0, 101, -5}) {
    CountedRows unread(8, -1);
    std::string stream;
    EXPECT_THROW(EncodePictureRows(8, 8, unread, {PictureFormat::kJpeg, quality}, stream),
                 Exception);
    EXPECT_EQ(unread.read, 0);
  }
}

TEST(PictureFormatTest, NamesAndExtensions) {
  EXPECT_EQ(ParsePictureFormat("JPEG"), PictureFormat::kJpeg);
  EXPECT_EQ(ParsePictureFormat("jpg"), PictureFormat::kJpeg);
  EXPECT_EQ(ParsePictureFormat("Png"), PictureFormat::kPng);
  EXPECT_FALSE(ParsePictureFormat("gif").has_value());
  EXPECT_EQ(PictureFormatOfPath("a/b.PNG"), PictureFormat::kPng);
  EXPECT_EQ(PictureFormatOfPath("note.jpeg"), PictureFormat::kJpeg);
  EXPECT_FALSE(PictureFormatOfPath("dir.png/picture").has_value());
  EXPECT_FALSE(PictureFormatOfPath("picture").has_value());
  EXPECT_EQ(ParseLineAlignment("centre"), LineAlignment::kCenter);
  EXPECT_FALSE(ParseLineAlignment("Middle").has_value());
}

}  // namespace
}  // namespace t2j
