#include "platform/raster.h"

#include <sys/mman.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <string>

#include "platform/failure.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

uint64_t ReadMemAvailable() {
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  uint64_t value = 0;
  std::string unit;
  while (meminfo >> key >> value) {
    std::getline(meminfo, unit);
    if (key == "MemAvailable:") return value * 1024;
  }
  return std::numeric_limits<uint64_t>::max();
}

// What the cgroup (v2) of this process may still take; unlimited when there is none.
uint64_t ReadCgroupHeadroom() {
  std::ifstream cgroup_file("/proc/self/cgroup");
  std::string line;
  std::string path;
  while (std::getline(cgroup_file, line)) {
    if (line.rfind("0::", 0) == 0) path = line.substr(3);
  }
  if (path.empty()) return std::numeric_limits<uint64_t>::max();
  const std::string dir = "/sys/fs/cgroup" + path;
  std::ifstream max_file(dir + "/memory.max");
  std::ifstream current_file(dir + "/memory.current");
  std::string max_text;
  uint64_t current = 0;
  if (!(max_file >> max_text) || max_text == "max" || !(current_file >> current)) {
    return std::numeric_limits<uint64_t>::max();
  }
  const uint64_t limit = std::stoull(max_text);
  return limit > current ? limit - current : 0;
}

uint64_t ReadAddressSpaceHeadroom() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return std::numeric_limits<uint64_t>::max();
  }
  return static_cast<uint64_t>(limit.rlim_cur);
}

[[noreturn]] void FailNoMemory() { throw EOutOfResources(SystemErrorText(ENOMEM)); }

}  // namespace

void AskForHugePages(void* block, size_t bytes) {
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  if (bytes < 4 * kHugePage) return;
  const uintptr_t start = reinterpret_cast<uintptr_t>(block);
  const uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (start + bytes) & ~(kHugePage - 1);
  if (begin < end) {
    // Failing leaves ordinary pages, which are just as correct.
    (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  }
}

uint64_t AvailableMemoryBytes() {
  uint64_t available = ReadMemAvailable();
  try {
    available = std::min(available, ReadCgroupHeadroom());
  } catch (const std::exception&) {
    // An unreadable cgroup file leaves the kernel's figure.
  }
  return std::min(available, ReadAddressSpaceHeadroom());
}

uint64_t Raster::ByteSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * kBytesPerPixel;
}

std::unique_ptr<Raster> Raster::MakeWhite(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return MakeWhite(width, height, 0);
  return MakeWhite(width, height, AvailableMemoryBytes());
}

std::unique_ptr<Raster> Raster::MakeWhite(int32_t width, int32_t height, uint64_t available_bytes) {
  if (width <= 0 || height <= 0) {
    throw EOutOfResources("无法创建 " + std::to_string(width) + " × " + std::to_string(height) +
                          " 像素的图片：宽和高都必须大于 0");
  }
  const uint64_t bytes = ByteSize(width, height);
  if (bytes > available_bytes || bytes > std::numeric_limits<size_t>::max()) FailNoMemory();
  std::unique_ptr<uint8_t[]> pixels(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]);
  if (!pixels) FailNoMemory();
  AskForHugePages(pixels.get(), static_cast<size_t>(bytes));
  std::memset(pixels.get(), 0xFF, static_cast<size_t>(bytes));
  return std::unique_ptr<Raster>(new Raster(width, height, std::move(pixels)));
}

Raster::Raster(int32_t width, int32_t height, std::unique_ptr<uint8_t[]> pixels)
    : width_(width), height_(height), pixels_(std::move(pixels)) {}

void Raster::FillRect(int64_t left, int64_t top, int64_t right, int64_t bottom, Rgb color) {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, width_);
  bottom = std::min<int64_t>(bottom, height_);
  if (left >= right || top >= bottom) return;
  const size_t row_bytes = static_cast<size_t>(right - left) * kBytesPerPixel;
  uint8_t* first = Row(static_cast<int32_t>(top)) + static_cast<size_t>(left) * kBytesPerPixel;
  if (color.r == color.g && color.g == color.b) {
    for (int64_t y = top; y < bottom; ++y) {
      std::memset(first + static_cast<size_t>(y - top) * stride(), color.r, row_bytes);
    }
    return;
  }
  for (uint8_t* p = first; p != first + row_bytes; p += kBytesPerPixel) {
    p[0] = color.r;
    p[1] = color.g;
    p[2] = color.b;
  }
  for (int64_t y = top + 1; y < bottom; ++y) {
    std::memcpy(first + static_cast<size_t>(y - top) * stride(), first, row_bytes);
  }
}

}  // namespace t2j
