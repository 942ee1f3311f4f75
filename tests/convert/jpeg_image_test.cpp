#include "convert/jpeg_image.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "convert/failure_text.h"
#include "jpeg_test_support.h"

namespace t2j {
namespace {

using testing::DecodedJpeg;
using testing::DecodeJpeg;
using testing::InkRect;
using testing::MakePicture;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 160, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

// ITU-T T.81 Annex K, tables K.1 and K.2, in row order.
constexpr std::array<int, 64> kLuminanceK1 = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr std::array<int, 64> kChrominanceK2 = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

std::vector<uint16_t> ScaledForQuality90(const std::array<int, 64>& table) {
  std::vector<uint16_t> scaled;
  for (int entry : table)
    scaled.push_back(static_cast<uint16_t>(std::clamp((20 * entry + 50) / 100, 1, 255)));
  return scaled;
}

// The marker segments of a stream as they follow one another, with the markers found inside
// the entropy-coded data.
struct Segment {
  uint8_t marker;
  std::string payload;
};
struct MarkerWalk {
  bool starts_with_soi = false;
  bool ends_with_eoi = false;
  size_t bytes_after_eoi = 0;
  std::vector<Segment> segments;  // SOI and EOI not included
  std::vector<uint8_t> markers_in_scan;
};

MarkerWalk WalkMarkers(const std::string& stream) {
  MarkerWalk walk;
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(stream[i]); };
  if (stream.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return walk;
  walk.starts_with_soi = true;
  size_t pos = 2;
  while (pos + 1 < stream.size()) {
    if (byte(pos) != 0xFF) return walk;
    while (pos + 1 < stream.size() && byte(pos + 1) == 0xFF) ++pos;
    const uint8_t marker = byte(pos + 1);
    pos += 2;
    if (marker == 0xD9) {
      walk.ends_with_eoi = true;
      walk.bytes_after_eoi = stream.size() - pos;
      return walk;
    }
    if (pos + 2 > stream.size()) return walk;
    const size_t length = (size_t{byte(pos)} << 8) | byte(pos + 1);
    if (length < 2 || pos + length > stream.size()) return walk;
    walk.segments.push_back({marker, stream.substr(pos + 2, length - 2)});
    pos += length;
    if (marker != 0xDA) continue;
    while (pos + 1 < stream.size()) {
      if (byte(pos) == 0xFF && byte(pos + 1) != 0x00) {
        const uint8_t inner = byte(pos + 1);
        if (inner < 0xD0 || inner > 0xD7) break;
        walk.markers_in_scan.push_back(inner);
      }
      ++pos;
    }
  }
  return walk;
}

std::vector<uint8_t> MarkersOf(const MarkerWalk& walk) {
  std::vector<uint8_t> markers;
  for (const Segment& s : walk.segments) markers.push_back(s.marker);
  return markers;
}

std::string Encode(const RenderedPicture& picture) {
  std::string stream;
  EncodeJpeg(picture, stream);
  return stream;
}

bool Near(Rgb got, Rgb want, int tolerance) {
  return std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
         std::abs(got.b - want.b) <= tolerance;
}

::testing::AssertionResult PixelNear(const DecodedJpeg& decoded, int x, int y, Rgb want,
                                     int tolerance) {
  const Rgb got = decoded.Pixel(x, y);
  if (Near(got, want, tolerance)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "pixel (" << x << ", " << y << ") is " << int{got.r} << "," << int{got.g} << ","
         << int{got.b} << ", wanted " << int{want.r} << "," << int{want.g} << "," << int{want.b};
}

// A picture like a rendered line of text: white with some ink.
RenderedPicture InkedPicture() {
  return MakePicture(200, 60, {{10, 10, 120, 26, kRed}, {30, 32, 190, 48, Rgb{0, 0, 0}}});
}

TEST(JpegMarkersTest, OneBaselineJfifStreamFromSoiToEoi) {
  const MarkerWalk walk = WalkMarkers(Encode(InkedPicture()));
  ASSERT_TRUE(walk.starts_with_soi);
  ASSERT_TRUE(walk.ends_with_eoi);
  EXPECT_EQ(walk.bytes_after_eoi, 0u);
  // APP0 right after SOI; tables, one baseline frame, tables, one scan. No DRI, no comment, no
  // other application marker, no progressive or arithmetic frame.
  EXPECT_EQ(MarkersOf(walk),
            (std::vector<uint8_t>{0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA}));
  EXPECT_TRUE(walk.markers_in_scan.empty()) << "restart markers in the scan";
}

TEST(JpegMarkersTest, Jfif101WithAspectRatioOnly) {
  const MarkerWalk walk = WalkMarkers(Encode(InkedPicture()));
  ASSERT_FALSE(walk.segments.empty());
  ASSERT_EQ(walk.segments[0].marker, 0xE0);
  // "JFIF\0", version 1.01, unit 0, density 1 × 1, no thumbnail.
  EXPECT_EQ(walk.segments[0].payload,
            std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
}

TEST(JpegMarkersTest, FrameSamplesYTwoByTwoAndChromaOnce) {
  const MarkerWalk walk = WalkMarkers(Encode(InkedPicture()));
  const std::vector<uint8_t> markers = MarkersOf(walk);
  const auto sof = std::find(markers.begin(), markers.end(), 0xC0);
  ASSERT_NE(sof, markers.end());
  // Precision 8, height 60, width 200, three components: id, sampling (h << 4 | v), table.
  EXPECT_EQ(walk.segments[sof - markers.begin()].payload, std::string("\x08\x00\x3C\x00\xC8\x03"
                                                                      "\x01\x22\x00"
                                                                      "\x02\x11\x01"
                                                                      "\x03\x11\x01",
                                                                      15));
}

TEST(JpegMarkersTest, HuffmanTablesAreTheStandardOnes) {
  const MarkerWalk walk = WalkMarkers(Encode(InkedPicture()));
  // Class and id, then the code counts for lengths 1 to 16 (Annex K.3).
  const std::vector<std::string> want = {
      std::string("\x00\x00\x01\x05\x01\x01\x01\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00", 17),
      std::string("\x10\x00\x02\x01\x03\x03\x02\x04\x03\x05\x05\x04\x04\x00\x00\x01\x7D", 17),
      std::string("\x01\x00\x03\x01\x01\x01\x01\x01\x01\x01\x01\x01\x00\x00\x00\x00\x00", 17),
      std::string("\x11\x00\x02\x01\x02\x04\x04\x03\x04\x07\x05\x04\x04\x00\x01\x02\x77", 17)};
  std::vector<std::string> got;
  for (const Segment& s : walk.segments) {
    if (s.marker == 0xC4) got.push_back(s.payload.substr(0, 17));
  }
  EXPECT_EQ(got, want);
}

TEST(JpegDecodeTest, QuantisationTablesAreAnnexKAtQuality90) {
  const std::optional<DecodedJpeg> decoded = DecodeJpeg(Encode(InkedPicture()));
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->quant_tables.size(), 2u);
  EXPECT_EQ(decoded->quant_tables[0], ScaledForQuality90(kLuminanceK1));
  EXPECT_EQ(decoded->quant_tables[1], ScaledForQuality90(kChrominanceK2));
  EXPECT_EQ(
      std::vector<uint16_t>(decoded->quant_tables[0].begin(), decoded->quant_tables[0].begin() + 8),
      (std::vector<uint16_t>{3, 2, 2, 3, 5, 8, 10, 12}));
  EXPECT_EQ(decoded->quant_tables[1][63], 20);
}

TEST(JpegDecodeTest, ColoursComeBackInTheirChannels) {
  // Blocks aligned to the 16-pixel colour cells, so chroma subsampling does not blur them.
  const RenderedPicture picture =
      MakePicture(96, 32, {{16, 0, 32, 32, kRed}, {48, 0, 64, 32, kGreen}, {80, 0, 96, 32, kBlue}});
  const std::optional<DecodedJpeg> decoded = DecodeJpeg(Encode(picture));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_TRUE(PixelNear(*decoded, 24, 16, kRed, 24));
  EXPECT_TRUE(PixelNear(*decoded, 56, 16, kGreen, 24));
  EXPECT_TRUE(PixelNear(*decoded, 88, 16, kBlue, 24));
  EXPECT_TRUE(PixelNear(*decoded, 8, 16, kWhite, 6));
  EXPECT_TRUE(PixelNear(*decoded, 40, 16, kWhite, 6));
}

struct RoundTripCase {
  const char* name;
  int32_t width;
  int32_t height;
  size_t at_least_bytes;  // makes sure the stream crosses the destination's buffer where wanted
};

class JpegRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

// Cells of 16 × 16 in colours that change from cell to cell.
RenderedPicture CellPicture(int32_t width, int32_t height) {
  std::vector<InkRect> cells;
  for (int32_t y = 0; y < height; y += 16) {
    for (int32_t x = 0; x < width; x += 16) {
      const uint32_t n = static_cast<uint32_t>(x / 16 * 7 + y / 16 * 13);
      cells.push_back({x, y, x + 16, y + 16,
                       Rgb{static_cast<uint8_t>(n * 37), static_cast<uint8_t>(n * 91),
                           static_cast<uint8_t>(n * 53)}});
    }
  }
  return MakePicture(width, height, cells);
}

TEST_P(JpegRoundTripTest, DecodesToThePicture) {
  const RoundTripCase& c = GetParam();
  const RenderedPicture picture = CellPicture(c.width, c.height);
  const std::string stream = Encode(picture);
  ASSERT_GE(stream.size(), c.at_least_bytes);
  const std::optional<DecodedJpeg> decoded = DecodeJpeg(stream);
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->width, c.width);
  ASSERT_EQ(decoded->height, c.height);
  // Each cell is probed in the middle of its visible part; slivers cut off by the edge blend
  // with their neighbours and are left out.
  for (int32_t y = 0; y < c.height; y += 16) {
    for (int32_t x = 0; x < c.width; x += 16) {
      const int32_t seen_w = std::min(16, c.width - x);
      const int32_t seen_h = std::min(16, c.height - y);
      if ((seen_w < 8 && seen_w != c.width) || (seen_h < 8 && seen_h != c.height)) continue;
      const int32_t px = x + seen_w / 2;
      const int32_t py = y + seen_h / 2;
      ASSERT_TRUE(PixelNear(*decoded, px, py, picture.Pixels->Pixel(px, py), 24));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JpegRoundTripTest,
    ::testing::Values(RoundTripCase{"OnePixel", 1, 1, 0}, RoundTripCase{"OddSides", 17, 9, 0},
                      RoundTripCase{"ManyBuffers", 1280, 720, 3 * kJpegBufferBytes},
                      RoundTripCase{"WidestAllowed", 65500, 2, 2 * kJpegBufferBytes},
                      RoundTripCase{"TallestAllowed", 2, 65500, 2 * kJpegBufferBytes}),
    [](const auto& info) { return std::string(info.param.name); });

struct TooBigCase {
  const char* name;
  int32_t width;
  int32_t height;
};

class JpegTooBigTest : public ::testing::TestWithParam<TooBigCase> {};

TEST_P(JpegTooBigTest, RefusedWithMessageCode41) {
  TJPEGImage jpeg;
  jpeg.Assign(MakePicture(GetParam().width, GetParam().height));
  try {
    jpeg.CompressedStream();
    FAIL() << "no failure";
  } catch (const EJPEG& e) {
    EXPECT_STREQ(e.what(), "JPEG error #41");
    EXPECT_EQ(e.message_code(), 41);
  }
  // Still refused the second time: a failed encoding leaves no stream behind.
  EXPECT_THROW(jpeg.CompressedStream(), EJPEG);
}

INSTANTIATE_TEST_SUITE_P(Sizes, JpegTooBigTest,
                         ::testing::Values(TooBigCase{"Wide", 65501, 1},
                                           TooBigCase{"Tall", 1, 65501}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JpegTooBigTest, EncoderWorksAgainAfterAFailure) {
  EXPECT_THROW(Encode(MakePicture(65501, 1)), EJPEG);
  EXPECT_TRUE(DecodeJpeg(Encode(InkedPicture())).has_value());
}

struct EmptyCase {
  const char* name;
  int32_t width;
  int32_t height;
};

class JpegEmptyTest : public ::testing::TestWithParam<EmptyCase> {};

TEST_P(JpegEmptyTest, GivesAnEmptyStream) {
  RenderedPicture picture;
  picture.Width = GetParam().width;
  picture.Height = GetParam().height;
  TJPEGImage jpeg;
  jpeg.Assign(picture);
  EXPECT_EQ(jpeg.CompressedStream(), "");
  EXPECT_EQ(jpeg.Picture().Width, picture.Width);
  EXPECT_EQ(jpeg.Picture().Height, picture.Height);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, JpegEmptyTest,
    ::testing::Values(EmptyCase{"NothingAtAll", 0, 0}, EmptyCase{"NoWidth", 0, 76},
                      EmptyCase{"NoHeight", 70, 0}, EmptyCase{"NegativeHeight", 0, -4},
                      EmptyCase{"NegativeWidth", -20, 16}, EmptyCase{"Minimum", INT32_MIN, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegImageTest, SizeThatDisagreesWithThePixelsIsRefused) {
  RenderedPicture picture = MakePicture(10, 4);
  picture.Width = 11;
  std::string stream = "old";
  EXPECT_THROW(EncodeJpeg(picture, stream), Exception);
  EXPECT_EQ(stream, "");
}

TEST(JpegImageTest, AssignDiscardsTheStream) {
  TJPEGImage jpeg;
  jpeg.Assign(MakePicture(40, 20));
  ASSERT_EQ(DecodeJpeg(jpeg.CompressedStream())->width, 40);
  jpeg.Assign(MakePicture(24, 8));
  const std::optional<DecodedJpeg> decoded = DecodeJpeg(jpeg.CompressedStream());
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->width, 24);
  EXPECT_EQ(decoded->height, 8);
  jpeg.Assign(RenderedPicture{});
  EXPECT_EQ(jpeg.CompressedStream(), "");
}

}  // namespace
}  // namespace t2j
