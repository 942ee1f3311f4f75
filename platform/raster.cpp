#include "platform/raster.h"

#include <sys/mman.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <new>
#include <optional>
#include <string>

#include "platform/failure.h"
#include "platform/messages.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

constexpr uint64_t kUnlimited = std::numeric_limits<uint64_t>::max();

// The value of the line "<key> <number> ..." of a /proc or cgroup file, or nothing.
std::optional<uint64_t> ReadKeyed(const std::string& path, const std::string& key) {
  std::ifstream file(path);
  std::string line;
  while (std::getline(file, line)) {
    if (line.size() > key.size() && line.compare(0, key.size(), key) == 0 &&
        (line[key.size()] == ' ' || line[key.size()] == '\t')) {
      const char* begin = line.c_str() + key.size();
      char* end = nullptr;
      errno = 0;
      const unsigned long long value = std::strtoull(begin, &end, 10);
      if (end == begin || errno != 0) return std::nullopt;
      return static_cast<uint64_t>(value);
    }
  }
  return std::nullopt;
}

// The number that a cgroup file holds alone; nothing for "max", a missing or unreadable file.
std::optional<uint64_t> ReadNumber(const std::string& path) {
  std::ifstream file(path);
  std::string text;
  if (!(file >> text) || text.empty() || text[0] < '0' || text[0] > '9') return std::nullopt;
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0) return std::nullopt;
  return static_cast<uint64_t>(value);
}

// What one cgroup may still take: its limit less its usage, where page cache that the kernel
// drops first (inactive_file) does not count as used.
uint64_t CgroupHeadroom(const std::string& dir, const char* limit_file, const char* usage_file,
                        const char* inactive_key) {
  const std::optional<uint64_t> limit = ReadNumber(dir + "/" + limit_file);
  if (!limit) return kUnlimited;
  uint64_t usage = ReadNumber(dir + "/" + usage_file).value_or(0);
  const uint64_t inactive = ReadKeyed(dir + "/memory.stat", inactive_key).value_or(0);
  usage -= std::min(usage, inactive);
  return *limit > usage ? *limit - usage : 0;
}

// The least headroom of the cgroups from `path` up to the hierarchy's root at `mount`.
uint64_t HierarchyHeadroom(const std::string& mount, std::string path, bool v2) {
  uint64_t least = kUnlimited;
  for (;;) {
    const std::string dir = mount + (path == "/" ? "" : path);
    least =
        std::min(least, v2 ? CgroupHeadroom(dir, "memory.max", "memory.current", "inactive_file")
                           : CgroupHeadroom(dir, "memory.limit_in_bytes", "memory.usage_in_bytes",
                                            "total_inactive_file"));
    if (path.empty() || path == "/") return least;
    const size_t slash = path.find_last_of('/');
    path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
  }
}

// Every memory cgroup limit on the way from this process's cgroups to the roots, v1 and v2.
uint64_t CgroupHeadroom(const std::string& root) {
  std::ifstream cgroups(root + "/proc/self/cgroup");
  std::string line;
  uint64_t least = kUnlimited;
  while (std::getline(cgroups, line)) {
    // "<id>:<controllers>:<path>"; v2 has id 0 and no controllers.
    const size_t first = line.find(':');
    const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
    if (second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    if (path.empty() || path[0] != '/') continue;
    if (controllers.empty()) {
      // The unified hierarchy is mounted at the top, or beside the v1 ones in a hybrid layout.
      for (const char* mount : {"/sys/fs/cgroup", "/sys/fs/cgroup/unified"}) {
        least = std::min(least, HierarchyHeadroom(root + mount, path, true));
      }
      continue;
    }
    const std::string list = "," + controllers + ",";
    if (list.find(",memory,") != std::string::npos) {
      least = std::min(least, HierarchyHeadroom(root + "/sys/fs/cgroup/memory", path, false));
    }
  }
  return least;
}

// What a resource limit leaves beside what the process has already taken against it.
uint64_t RlimitHeadroom(int resource, const std::string& status, const std::string& used_key) {
  rlimit limit{};
  if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnlimited;
  const uint64_t used = ReadKeyed(status, used_key).value_or(0) * 1024;
  const auto cap = static_cast<uint64_t>(limit.rlim_cur);
  return cap > used ? cap - used : 0;
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

uint64_t AvailableMemoryBytes(const std::string& root) {
  const std::optional<uint64_t> mem_available = ReadKeyed(root + "/proc/meminfo", "MemAvailable:");
  uint64_t available = mem_available ? *mem_available * 1024 : kUnlimited;
  available = std::min(available, CgroupHeadroom(root));
  const std::string status = root + "/proc/self/status";
  available = std::min(available, RlimitHeadroom(RLIMIT_AS, status, "VmSize:"));
  return std::min(available, RlimitHeadroom(RLIMIT_DATA, status, "VmData:"));
}

uint64_t AvailableMemoryBytes() { return AvailableMemoryBytes(""); }

uint64_t Raster::ByteSize(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return 0;
  return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * kBytesPerPixel;
}

std::unique_ptr<Raster> Raster::MakeWhite(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return MakeWhite(width, height, 0);
  if (ByteSize(width, height) <= kUncheckedBlockBytes) return MakeWhite(width, height, kUnlimited);
  return MakeWhite(width, height, AvailableMemoryBytes());
}

std::unique_ptr<Raster> Raster::MakeWhite(int32_t width, int32_t height, uint64_t available_bytes) {
  if (width <= 0 || height <= 0) {
    throw EOutOfResources(
        Msg("cannot make a picture of %s × %s pixels: width and height must "
            "both be above 0",
            {std::to_string(width), std::to_string(height)}));
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
