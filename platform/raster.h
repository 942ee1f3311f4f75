// The picture's pixels: 8-bit red, green, blue, rows top to bottom, no padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/color.h"

namespace t2j {

class Raster {
 public:
  static constexpr int kBytesPerPixel = 3;

  // Makes a raster of width × height pixels filled with white. Both must be positive.
  // Fails with EOutOfResources (the system's text for "cannot allocate memory") when its bytes
  // would exceed `available_bytes`, before any memory is taken; with the same failure when the
  // allocation itself fails; and with EOutOfResources naming the size when a dimension is not
  // positive or the byte count does not fit into the address space.
  static std::unique_ptr<Raster> MakeWhite(int32_t width, int32_t height, uint64_t available_bytes);

  // The same, checked against the memory that is available now.
  static std::unique_ptr<Raster> MakeWhite(int32_t width, int32_t height);

  // The byte size of a raster, or nothing when it does not fit into 64 bits (it always does for
  // 32-bit dimensions; kept as a checked function so callers need not reason about it).
  static uint64_t ByteSize(int32_t width, int32_t height);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  size_t stride() const { return static_cast<size_t>(width_) * kBytesPerPixel; }
  uint8_t* Row(int32_t y) { return pixels_.get() + static_cast<size_t>(y) * stride(); }
  const uint8_t* Row(int32_t y) const { return pixels_.get() + static_cast<size_t>(y) * stride(); }
  const uint8_t* data() const { return pixels_.get(); }

  Rgb Pixel(int32_t x, int32_t y) const {
    const uint8_t* p = Row(y) + static_cast<size_t>(x) * kBytesPerPixel;
    return Rgb{p[0], p[1], p[2]};
  }

  // Fills the part of the rectangle [left, right) × [top, bottom) that lies inside the raster.
  void FillRect(int64_t left, int64_t top, int64_t right, int64_t bottom, Rgb color);

 private:
  Raster(int32_t width, int32_t height, std::unique_ptr<uint8_t[]> pixels);

  int32_t width_;
  int32_t height_;
  std::unique_ptr<uint8_t[]> pixels_;
};

// Drawn pixels are shared read-only between the picture, the encoder and the preview.
using SharedRaster = std::shared_ptr<const Raster>;

// Advises the kernel to back the whole 2 MiB pages inside a block of at least 8 MiB with huge
// pages: tens of megabytes are filled several times faster in them than in 4 KiB pages. Only a
// hint; smaller blocks are left alone.
void AskForHugePages(void* block, size_t bytes);

// The memory that a new allocation can have now: the kernel's MemAvailable, lowered to what each
// memory cgroup from the process's own up to the root still allows (v1 limit_in_bytes less
// usage, v2 memory.max less memory.current, reclaimable page cache not counted as used), and to
// what RLIMIT_AS and RLIMIT_DATA leave beside the process's present address space and data.
uint64_t AvailableMemoryBytes();

// The same, with /proc and /sys/fs/cgroup read below `root` ("" for the real ones); the
// resource limits are always the process's own.
uint64_t AvailableMemoryBytes(const std::string& root);

// Blocks up to this size are taken without reading the limits above: they cannot be what
// exhausts the memory, and the twenty-odd files read for each check would otherwise cost more
// than drawing and encoding a short note.
constexpr uint64_t kUncheckedBlockBytes = uint64_t{4} << 20;

}  // namespace t2j
