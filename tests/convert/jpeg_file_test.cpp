#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "convert/failure_text.h"
#include "convert/jpeg_image.h"
#include "jpeg_test_support.h"
#include "platform/file_output.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

using testing::MakePicture;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteFileBytes;

RenderedPicture InkedPicture() {
  return MakePicture(300, 80, {{10, 10, 290, 30, Rgb{255, 0, 0}}, {10, 40, 200, 70, Rgb{}}});
}

// Lowers the soft file size limit for the test's lifetime. Root is bound by it as well.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ok_ = getrlimit(RLIMIT_FSIZE, &saved_) == 0;
    rlimit lowered = saved_;
    lowered.rlim_cur = bytes;
    ok_ = ok_ && setrlimit(RLIMIT_FSIZE, &lowered) == 0;
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }
  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  bool ok_ = false;
};

TEST(JpegFileTest, FileHoldsExactlyTheStream) {
  ScratchDir dir;
  TJPEGImage jpeg;
  jpeg.Assign(InkedPicture());
  jpeg.SaveToFile("out.jpg");
  const std::string written = ReadFileBytes(dir.path() / "out.jpg");
  EXPECT_EQ(written, jpeg.CompressedStream());
  EXPECT_TRUE(testing::DecodeJpeg(written).has_value());
}

TEST(JpegFileTest, UncreatableFileIsRefusedBeforeEncoding) {
  ScratchDir dir;
  TJPEGImage jpeg;
  // A picture that the encoder would refuse: creation fails first, so its failure is the one.
  jpeg.Assign(MakePicture(65501, 1));
  try {
    jpeg.SaveToFile("missing/out.jpg");
    FAIL() << "no failure";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" +
                                         (dir.path() / "missing" / "out.jpg").string() + "\". " +
                                         SystemErrorText(ENOENT));
  }
}

// Whatever ends a save early, the name holds the old file or the whole new one, never a part.
TEST(JpegFileTest, ReplacingNeverLeavesPartOfAFile) {
  ScratchDir dir;
  TJPEGImage jpeg;
  jpeg.Assign(InkedPicture());
  const std::string stream = jpeg.CompressedStream();
  auto leftovers = [&] {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      count += entry.path().filename().string().rfind(".text2jpg-", 0) == 0;
    }
    return count;
  };

  // A full disk: the old file stays whole, a new name is not left behind.
  WriteFileBytes("old.jpg", "old contents");
  {
    FileSizeLimit limit(stream.size() / 2);
    ASSERT_TRUE(limit.ok());
    EXPECT_THROW(jpeg.SaveToFile("old.jpg"), EWriteError);
    EXPECT_THROW(jpeg.SaveToFile("new.jpg"), EWriteError);
  }
  EXPECT_EQ(ReadFileBytes("old.jpg"), "old contents");
  EXPECT_FALSE(std::filesystem::exists("new.jpg"));
  EXPECT_EQ(leftovers(), 0);

  // A replaced file keeps its permission bits; a link keeps pointing at the file replaced.
  std::filesystem::permissions("old.jpg", std::filesystem::perms(0640));
  std::filesystem::create_symlink("old.jpg", "link.jpg");
  jpeg.SaveToFile("link.jpg");
  EXPECT_TRUE(std::filesystem::is_symlink("link.jpg"));
  EXPECT_EQ(ReadFileBytes("old.jpg"), stream);
  EXPECT_EQ(std::filesystem::status("old.jpg").permissions(), std::filesystem::perms(0640));

  // A FIFO is written plainly to its reader.
  ASSERT_EQ(mkfifo("pipe.jpg", 0600), 0);
  std::string piped;
  std::thread reader([&] { piped = ReadFileBytes(dir.path() / "pipe.jpg"); });
  jpeg.SaveToFile("pipe.jpg");
  reader.join();
  EXPECT_EQ(piped, stream);
  EXPECT_EQ(leftovers(), 0);
}

bool CanSwapAndLease() {
  WriteFileBytes("probe-a", "a");
  WriteFileBytes("probe-b", "b");
  bool can = ::renameat2(AT_FDCWD, "probe-a", AT_FDCWD, "probe-b", RENAME_EXCHANGE) == 0;
  const int fd = ::open("probe-a", O_RDWR | O_CLOEXEC);
  can = can && fd >= 0 && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
  if (fd >= 0) ::close(fd);
  std::filesystem::remove("probe-a");
  std::filesystem::remove("probe-b");
  return can;
}

// A batch writes later pictures into the files it replaced, but never into one that somebody
// still reads or that has another name, and cuts off what the old content had past the new.
TEST(CommitGroupTest, WritesIntoAReplacedFileOnlyWhenNothingElseHasIt) {
  ScratchDir dir;
  WriteFileBytes("a.jpg", std::string(20000, 'a'));
  WriteFileBytes("b.jpg", "old b");
  WriteFileBytes("c.jpg", "old c");
  WriteFileBytes("d.jpg", "old d");
  std::filesystem::permissions("d.jpg", std::filesystem::perms(0640));
  ASSERT_EQ(::link("b.jpg", "b-link.jpg"), 0);
  const int reader = ::open("c.jpg", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(reader, 0);
  auto inode = [](const char* path) {
    struct stat info {};
    return ::stat(path, &info) == 0 ? info.st_ino : 0;
  };
  const ino_t old_a = inode("a.jpg");
  auto replace = [](CommitGroup& group, const std::string& path, const std::string& bytes) {
    FileReplacement file(&group);
    ASSERT_EQ(file.Open(path, NewName::kWhenWhole), 0);
    ASSERT_EQ(file.Write(bytes), 0);
    ASSERT_EQ(file.Commit(group, 0), 0);
  };
  {
    CommitGroup group;
    for (const std::string name : {"a.jpg", "b.jpg", "c.jpg"}) replace(group, name, "new " + name);
    for (const CommitGroup::Result& result : group.Flush()) EXPECT_EQ(result.error, 0);
    // Only the old a.jpg is free to take d.jpg's picture.
    replace(group, "d.jpg", "new d");
    for (const CommitGroup::Result& result : group.Flush()) EXPECT_EQ(result.error, 0);
    // Where the file system can swap names and grant leases, which ext4 and tmpfs can.
    if (CanSwapAndLease()) {
      EXPECT_EQ(inode("d.jpg"), old_a);
    }
  }
  EXPECT_EQ(ReadFileBytes("d.jpg"), "new d");
  EXPECT_EQ(std::filesystem::status("d.jpg").permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(ReadFileBytes("b.jpg"), "new b.jpg");
  EXPECT_EQ(ReadFileBytes("b-link.jpg"), "old b");
  char held[8] = {};
  EXPECT_EQ(::pread(reader, held, sizeof held, 0), 5);
  EXPECT_STREQ(held, "old c");
  ::close(reader);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_NE(entry.path().filename().string().rfind(".text2jpg-", 0), 0u) << entry.path();
  }
}

TEST(WriteAllTest, ShortWritesAreCarriedOnUntilTheLimitGivesItsError) {
  ScratchDir dir;
  const int fd = ::open("part.bin", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  ASSERT_GE(fd, 0);
  IgnoreFileSizeSignal();
  {
    FileSizeLimit limit(4096 + 100);
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(WriteAll(fd, std::string(4096, 'a')), 0);
    EXPECT_EQ(WriteAll(fd, std::string(4096, 'b')), EFBIG);
  }
  EXPECT_EQ(::close(fd), 0);
  EXPECT_EQ(ReadFileBytes("part.bin"), std::string(4096, 'a') + std::string(100, 'b'));
}

}  // namespace
}  // namespace t2j
