#include <gtest/gtest.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include <cerrno>
#include <cstring>
#include <limits>
#include <string>

#include "platform/color.h"
#include "platform/failure.h"
#include "platform/gb18030.h"
#include "platform/mul_div.h"
#include "platform/raster.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

TEST(MulDivTest, RoundsHalvesAwayFromZero) {
  // Point sizes at 96 pixels per inch.
  EXPECT_EQ(MulDiv(9, 96, 72), 12);
  EXPECT_EQ(MulDiv(10, 96, 72), 13);  // 13.33
  EXPECT_EQ(MulDiv(11, 96, 72), 15);  // 14.67
  EXPECT_EQ(MulDiv(12, 96, 72), 16);
  EXPECT_EQ(MulDiv(14, 96, 72), 19);  // 18.67
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(3, -1, 2), -2);
  EXPECT_EQ(MulDiv(-3, -1, -2), -2);
  EXPECT_EQ(MulDiv(-12, 96, 72), -16);
}

TEST(MulDivTest, GivesMinusOneOnOverflowOrZeroDivisor) {
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::max(), 96, 72), -1);
  EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::min(), 96, 72), -1);
  EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::min(), -1, 1), -1);
  EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::min(), 1, 1), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(MulDiv(std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                   std::numeric_limits<int32_t>::max()),
            std::numeric_limits<int32_t>::max());
}

TEST(ColorTest, ResolvesSystemColoursAndKeepsLow24Bits) {
  ResetSysColors();
  EXPECT_EQ(ResolveColor(0x000000FF), 0x000000FFu);
  EXPECT_EQ(ResolveColor(0xFF000005), GetSysColor(5));
  EXPECT_EQ(ResolveRgb(0xFF000005), (Rgb{255, 255, 255}));
  EXPECT_EQ(ResolveColor(kClNone), 0x00FFFFFFu);
  EXPECT_EQ(ResolveColor(kClDefault), 0x00000000u);
  EXPECT_EQ(ResolveColor(0x12345678), 0x00345678u);
  EXPECT_EQ(ResolveRgb(0x00123456), (Rgb{0x56, 0x34, 0x12}));
  SetSysColor(8, 0x00010203);
  EXPECT_EQ(ResolveColor(0xFF000008), 0x00010203u);
  EXPECT_EQ(GetSysColor(99), 0u);
  ResetSysColors();
  EXPECT_EQ(GetSysColor(8), 0u);
}

TEST(Gb18030Test, CountsAndCutsWithoutSplitting) {
  EXPECT_EQ(Gb18030Length("abc"), 3u);
  EXPECT_EQ(Gb18030Length("宋体"), 4u);
  EXPECT_EQ(Gb18030Length("\xF0\x9F\x98\x80"), 4u);  // an emoji: a four-byte sequence
  EXPECT_EQ(Gb18030PrefixLength("宋体", 3), 3u);     // one hanzi: three UTF-8 bytes
  EXPECT_EQ(Gb18030PrefixLength("宋体", 1), 0u);
  EXPECT_EQ(Gb18030PrefixLength("a宋", 2), 1u);
  EXPECT_EQ(Gb18030PrefixLength("", 0), 0u);
}

TEST(Gb18030Test, RoundTripsAndRefusesInvalidBytes) {
  const std::string text = "说明：生成的JPG文件 ß \xF0\x9F\x98\x80";
  const std::string gb = Utf8ToGb18030(text);
  EXPECT_EQ(Utf8ToGb18030("宋"), "\xCB\xCE");
  EXPECT_EQ(Gb18030ToUtf8(gb), text);
  EXPECT_FALSE(Gb18030ToUtf8("\x81").has_value());  // a lone lead byte
  EXPECT_TRUE(IsValidUtf8(text));
  EXPECT_FALSE(IsValidUtf8("\xC3"));
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xCB\xCE"));      // GB18030 bytes are no UTF-8
  EXPECT_EQ(ValidUtf8Prefix("ab\xC3"), 2u);
  EXPECT_EQ(ValidUtf8Prefix("宋\xFF体"), 3u);
  EXPECT_EQ(ValidUtf8Prefix("宋体"), 6u);
}

TEST(Gb18030Test, DecodesPiecesSplitAnywhereAndNamesTheFirstInvalidByte) {
  // Byte by byte splits every two- and four-byte character, and the emoji's surrogate pair
  // crosses ICU's buffer with a long enough text.
  std::string text;
  for (int i = 0; i < 6000; ++i) text += "说明 \xF0\x9F\x98\x80\n";
  const std::string gb = Utf8ToGb18030(text);
  for (const size_t piece : {size_t{1}, size_t{3}, gb.size()}) {
    Gb18030Decoder decoder;
    std::string out;
    for (size_t at = 0; at < gb.size(); at += piece) {
      ASSERT_TRUE(decoder.Decode(std::string_view(gb).substr(at, piece), false, out)) << at;
    }
    ASSERT_TRUE(decoder.Decode({}, true, out));
    EXPECT_EQ(out, text) << piece;
  }
  const struct {
    const char* name;
    std::string bytes;
    uint64_t offset;
  } invalid[] = {
      {"lead byte cut off by the end", "ab\x81", 2},
      {"lead byte before a blank", "\xCB\xCEx\x81 ", 3},
      {"byte no character starts with", "ab\xFF", 2},
  };
  for (const auto& row : invalid) {
    Gb18030Decoder decoder;
    std::string out;
    bool ok = true;
    for (const char c : row.bytes) ok = ok && decoder.Decode(std::string_view(&c, 1), false, out);
    ok = ok && decoder.Decode({}, true, out);
    EXPECT_FALSE(ok) << row.name;
    EXPECT_EQ(decoder.InvalidOffset(), row.offset) << row.name;
  }
}

TEST(RasterTest, IsWhiteAndFillsOnlyInside) {
  auto raster = Raster::MakeWhite(4, 3);
  ASSERT_NE(raster, nullptr);
  EXPECT_EQ(raster->stride(), 12u);
  EXPECT_EQ(raster->Pixel(3, 2), (Rgb{255, 255, 255}));
  raster->FillRect(-10, 1, 2, 100, Rgb{1, 2, 3});
  EXPECT_EQ(raster->Pixel(0, 1), (Rgb{1, 2, 3}));
  EXPECT_EQ(raster->Pixel(1, 2), (Rgb{1, 2, 3}));
  EXPECT_EQ(raster->Pixel(2, 1), (Rgb{255, 255, 255}));
  EXPECT_EQ(raster->Pixel(0, 0), (Rgb{255, 255, 255}));
}

TEST(RasterTest, RefusesWhatDoesNotFitIntoAvailableMemoryWithoutTrying) {
  // 2^31-1 × 2^31-1 pixels would be 1.4e19 bytes: refused by the check, not by the allocator.
  const int32_t big = std::numeric_limits<int32_t>::max();
  std::string no_memory = SystemErrorText(ENOMEM);
  try {
    Raster::MakeWhite(big, big);
    FAIL() << "made an impossible raster";
  } catch (const EOutOfResources& failure) {
    EXPECT_EQ(std::string(failure.what()), no_memory);
  }
  // A small raster is refused the same way when the memory says no.
  EXPECT_THROW(Raster::MakeWhite(100, 100, 100 * 100 * 3 - 1), EOutOfResources);
  EXPECT_NE(Raster::MakeWhite(100, 100, 100 * 100 * 3), nullptr);
  EXPECT_THROW(Raster::MakeWhite(0, 5), EOutOfResources);
  EXPECT_THROW(Raster::MakeWhite(5, -1), EOutOfResources);
  EXPECT_GT(AvailableMemoryBytes(), 0u);
}

// /proc and the cgroup hierarchies of a process in a v1 memory cgroup a/b and a v2 cgroup x/y:
// the least headroom of any level counts, whichever hierarchy and level it is in.
TEST(AvailableMemoryTest, CountsEveryCgroupLimitUpToTheRoot) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("t2j-memory-" + std::to_string(getpid()));
  std::filesystem::remove_all(root);
  auto write = [&](const std::string& path, const std::string& text) {
    std::filesystem::create_directories((root / path).parent_path());
    std::ofstream(root / path) << text;
  };
  constexpr uint64_t kMiB = uint64_t{1} << 20;
  write("proc/meminfo", "MemTotal:       8000000 kB\nMemAvailable:   4096000 kB\n");
  write("proc/self/status", "VmSize:\t  1000 kB\nVmData:\t   500 kB\n");
  write("proc/self/cgroup", "5:cpu,memory:/a/b\n1:name=systemd:/\n0::/x/y\n");
  const std::string v1 = "sys/fs/cgroup/memory/";
  write(v1 + "memory.limit_in_bytes", "9223372036854771712\n");
  write(v1 + "memory.usage_in_bytes", std::to_string(100 * kMiB));
  write(v1 + "a/memory.limit_in_bytes", std::to_string(512 * kMiB));
  write(v1 + "a/memory.usage_in_bytes", std::to_string(300 * kMiB));
  // Page cache the kernel drops first does not count as used.
  write(v1 + "a/memory.stat", "cache 100\ntotal_inactive_file " + std::to_string(88 * kMiB));
  write(v1 + "a/b/memory.limit_in_bytes", "9223372036854771712\n");
  write(v1 + "a/b/memory.usage_in_bytes", std::to_string(300 * kMiB));
  EXPECT_EQ(AvailableMemoryBytes(root.string()), 300 * kMiB);

  write("sys/fs/cgroup/unified/x/memory.max", "max\n");
  write("sys/fs/cgroup/unified/x/y/memory.max", std::to_string(400 * kMiB));
  write("sys/fs/cgroup/unified/x/y/memory.current", std::to_string(350 * kMiB));
  EXPECT_EQ(AvailableMemoryBytes(root.string()), 50 * kMiB);
  write("sys/fs/cgroup/unified/x/y/memory.current", std::to_string(450 * kMiB));
  EXPECT_EQ(AvailableMemoryBytes(root.string()), 0u);

  // Without cgroups, MemAvailable; without even that, nothing lowers the figure but the
  // process's own resource limits.
  write("proc/self/cgroup", "");
  EXPECT_EQ(AvailableMemoryBytes(root.string()), 4096000 * uint64_t{1024});
  std::filesystem::remove_all(root);
}

TEST(SystemErrorTest, TrimsTrailingBlanksAndFullStops) {
  const std::string text = SystemErrorText(ENOENT);
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '.');
  EXPECT_NE(text.back(), ' ');
  EXPECT_EQ(FullPathName("/a/b/../c.jpg"), "/a/c.jpg");
}

}  // namespace
}  // namespace t2j
