#include "text/font_size.h"

#include <gtest/gtest.h>

#include <limits>

namespace t2j {
namespace {

// Vertical metrics of two real faces (units per em, usWinAscent, usWinDescent).
constexpr FaceMetrics kMing{1024, 917, 155};   // AR PL UMing CN
constexpr FaceMetrics kSans{2048, 1854, 434};  // Liberation Sans

struct SizeCase {
  const char* name;
  FaceMetrics metrics;
  int32_t lfHeight;
  int64_t em_64ths;
  int32_t ascent;
  int32_t descent;
};

class PixelSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(PixelSizeTest, FollowsTheWindowsMapping) {
  const SizeCase& row = GetParam();
  const std::optional<PixelSize> size = PixelSizeFor(row.lfHeight, row.metrics);
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->em_64ths, row.em_64ths);
  EXPECT_EQ(size->ascent, row.ascent);
  EXPECT_EQ(size->descent, row.descent);
  EXPECT_EQ(size->cell(), row.ascent + row.descent);
}

INSTANTIATE_TEST_SUITE_P(
    Heights, PixelSizeTest,
    ::testing::Values(
        // 14.33 and 2.42 pixels: a 16-pixel cell, as 宋体 has at 12 points.
        SizeCase{"MingEm16", kMing, -16, 16 * 64, 14, 2},
        SizeCase{"ZeroIsSixteenPixels", kMing, 0, 16 * 64, 14, 2},
        SizeCase{"MingEm12", kMing, -12, 12 * 64, 11, 2},
        SizeCase{"SansEm16", kSans, -16, 16 * 64, 14, 3},
        // A positive height is the cell: 16 × 1024 / 1072 = 15.28 pixels of em.
        SizeCase{"MingCell16", kMing, 16, 978, 14, 2},
        SizeCase{"MingCell32", kMing, 32, 1956, 27, 5},
        SizeCase{"SansCell20", kSans, 20, 1146, 16, 4},
        SizeCase{"OnePixelCell", kMing, 1, 64, 1, 0}, SizeCase{"OnePixelEm", kMing, -1, 64, 1, 0},
        SizeCase{"LargestEm", kMing, -65535, 65535 * 64, 58687, 9920}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return info.param.name; });

TEST(PixelSizeLimitTest, RefusesSizesBeyondTheEngine) {
  EXPECT_FALSE(PixelSizeFor(-65536, kMing).has_value());
  EXPECT_FALSE(PixelSizeFor(std::numeric_limits<int32_t>::min(), kMing).has_value());
  EXPECT_FALSE(PixelSizeFor(std::numeric_limits<int32_t>::max(), kMing).has_value());
  EXPECT_FALSE(PixelSizeFor(-16, FaceMetrics{0, 10, 10}).has_value());
}

TEST(PixelSizeLimitTest, FaceWithoutVerticalMetricsUsesTheEm) {
  const std::optional<PixelSize> size = PixelSizeFor(-20, FaceMetrics{1000, 0, 0});
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->ascent, 20);
  EXPECT_EQ(size->descent, 0);
}

}  // namespace
}  // namespace t2j
