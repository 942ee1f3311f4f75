#include "text/coverage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace t2j {
namespace {

TEST(BlendChannelTest, IsTheRoundedLinearMix) {
  for (int under = 0; under < 256; under += 3) {
    for (int ink = 0; ink < 256; ink += 5) {
      for (int coverage = 0; coverage < 256; ++coverage) {
        const int weighted = ink * coverage + under * (255 - coverage);
        const int expected = (2 * weighted + 255) / 510;  // nearest, halves up
        ASSERT_EQ(BlendChannel(static_cast<uint8_t>(under), static_cast<uint8_t>(ink),
                               static_cast<uint8_t>(coverage)),
                  expected)
            << under << " " << ink << " " << coverage;
      }
    }
  }
}

TEST(BlendChannelTest, EndsAreExact) {
  for (int value = 0; value < 256; ++value) {
    const auto v = static_cast<uint8_t>(value);
    EXPECT_EQ(BlendChannel(v, 17, 0), v);
    EXPECT_EQ(BlendChannel(v, 17, 255), 17);
  }
  EXPECT_EQ(BlendChannel(255, 0, 128), 127);  // 127.5 from white to black
  EXPECT_EQ(BlendChannel(0, 255, 128), 128);
}

TEST(BlendPixelTest, KeepsChannelsApart) {
  const Rgb under{255, 255, 255};
  const Rgb ink{10, 100, 200};
  EXPECT_EQ(BlendPixel(under, ink, 255), ink);
  EXPECT_EQ(BlendPixel(under, ink, 0), under);
  const Rgb half = BlendPixel(under, ink, 128);
  EXPECT_EQ(half, (Rgb{132, 177, 227}));
  const Rgb over_red = BlendPixel(Rgb{255, 0, 0}, Rgb{0, 0, 255}, 51);
  EXPECT_EQ(over_red, (Rgb{204, 0, 51}));
}

std::unique_ptr<Raster> Filled(int32_t width, int32_t height, Rgb color) {
  std::unique_ptr<Raster> raster = Raster::MakeWhite(width, height, uint64_t{1} << 30);
  raster->FillRect(0, 0, width, height, color);
  return raster;
}

TEST(BlendCoverageTest, ClipsToTheRasterAndToTheRightLimit) {
  const Rgb background{1, 2, 3};
  const Rgb ink{200, 100, 50};
  std::vector<uint8_t> full(5 * 4, 255);
  const CoverageView image{full.data(), 5, 4, 5};

  std::unique_ptr<Raster> raster = Filled(6, 5, background);
  BlendCoverage(*raster, -2, -1, image, ink, 2);  // covers x -2..2, y -1..2; clip at x 2
  for (int32_t y = 0; y < 5; ++y) {
    for (int32_t x = 0; x < 6; ++x) {
      const bool inked = x < 2 && y < 3;
      EXPECT_EQ(raster->Pixel(x, y), inked ? ink : background) << x << "," << y;
    }
  }
  BlendCoverage(*raster, 4, 3, image, ink, 100);  // past the bottom-right corner
  EXPECT_EQ(raster->Pixel(5, 4), ink);
  EXPECT_EQ(raster->Pixel(3, 4), background);
  BlendCoverage(*raster, 6, 0, image, ink, 100);   // wholly right of the raster
  BlendCoverage(*raster, 0, -4, image, ink, 100);  // wholly above
  BlendCoverage(*raster, -5, 0, image, ink, 100);  // wholly left
  EXPECT_EQ(raster->Pixel(0, 4), background);
}

TEST(BlendCoverageTest, ReadsBottomUpImages) {
  const uint8_t values[] = {255, 0, 0, 255};  // stored bottom row first
  const CoverageView image{values + 2, 2, 2, -2};
  std::unique_ptr<Raster> raster = Filled(2, 2, Rgb{255, 255, 255});
  BlendCoverage(*raster, 0, 0, image, Rgb{0, 0, 0}, 2);
  EXPECT_EQ(raster->Pixel(0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(raster->Pixel(1, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(raster->Pixel(0, 1), (Rgb{0, 0, 0}));
}

TEST(CoverageMasksTest, SplitFullAndPartialValues) {
  const uint8_t values[] = {0, 255, 7, 0, 255, 255, 0, 0, 1};
  const CoverageMasks masks = CoverageMasksOf(CoverageView{values, 3, 3, 3});
  ASSERT_EQ(masks.full.size(), 3u);
  EXPECT_EQ(masks.full[0], 0b010u);
  EXPECT_EQ(masks.partial[0], 0b100u);
  EXPECT_EQ(masks.full[1], 0b110u);
  EXPECT_EQ(masks.partial[1], 0u);
  EXPECT_EQ(masks.full[2], 0u);
  EXPECT_EQ(masks.partial[2], 0b100u);
}

// The masks are only a faster way to the same pixels, wherever the image lands and is cut.
TEST(CoverageMasksTest, BlendTheSamePixelsAsTheImage) {
  std::mt19937 random(20261209);
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    const int32_t width = 1 + static_cast<int32_t>(random() % CoverageMasks::kMaxWidth);
    const int32_t rows = 1 + static_cast<int32_t>(random() % 20);
    std::vector<uint8_t> values(static_cast<size_t>(width) * rows);
    for (uint8_t& value : values) {
      const unsigned pick = random() % 4;
      value = pick == 0 ? 0 : pick == 1 ? 255 : static_cast<uint8_t>(random() % 256);
    }
    const CoverageView image{values.data(), width, rows, width};
    const int64_t left = static_cast<int64_t>(random() % 90) - 40;
    const int64_t top = static_cast<int64_t>(random() % 40) - 15;
    const int64_t clip = static_cast<int64_t>(random() % 80) - 5;
    const Rgb ink{static_cast<uint8_t>(random()), static_cast<uint8_t>(random()),
                  static_cast<uint8_t>(random())};
    std::unique_ptr<Raster> expected = Filled(50, 30, Rgb{250, 240, 230});
    std::unique_ptr<Raster> actual = Filled(50, 30, Rgb{250, 240, 230});
    BlendCoverage(*expected, left, top, image, ink, clip);
    BlendMasks(*actual, left, top, CoverageMasksOf(image), image, ink, clip);
    ASSERT_EQ(0, std::memcmp(expected->data(), actual->data(), 50 * 30 * 3));
  }
}

}  // namespace
}  // namespace t2j
