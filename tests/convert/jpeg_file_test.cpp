#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

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

TEST(JpegFileTest, ExistingFileIsReplacedWithTheNewLength) {
  ScratchDir dir;
  WriteFileBytes("out.jpg", std::string(200000, 'x'));
  TJPEGImage jpeg;
  jpeg.Assign(InkedPicture());
  jpeg.SaveToFile("out.jpg");
  EXPECT_EQ(std::filesystem::file_size("out.jpg"), jpeg.CompressedStream().size());
}

TEST(JpegFileTest, EncoderFailureLeavesAnEmptyFile) {
  ScratchDir dir;
  WriteFileBytes("wide.jpg", "old contents");
  TJPEGImage jpeg;
  jpeg.Assign(MakePicture(65501, 1));
  EXPECT_THROW(jpeg.SaveToFile("wide.jpg"), EJPEG);
  ASSERT_TRUE(std::filesystem::exists("wide.jpg"));
  EXPECT_EQ(std::filesystem::file_size("wide.jpg"), 0u);
}

TEST(JpegFileTest, EmptyPictureWritesZeroBytes) {
  ScratchDir dir;
  RenderedPicture empty;
  empty.Height = 16;
  TJPEGImage jpeg;
  jpeg.Assign(empty);
  jpeg.SaveToFile("empty.jpg");
  ASSERT_TRUE(std::filesystem::exists("empty.jpg"));
  EXPECT_EQ(std::filesystem::file_size("empty.jpg"), 0u);
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

TEST(JpegFileTest, FullDeviceIsAWriteFailure) {
  TJPEGImage jpeg;
  jpeg.Assign(InkedPicture());
  try {
    jpeg.SaveToFile("/dev/full");
    FAIL() << "a write to a full device reported success";
  } catch (const EWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "无法写入文件 \"/dev/full\"：" + SystemErrorText(ENOSPC));
  }
}

TEST(JpegFileTest, FileSizeLimitIsAWriteFailureNotTheEndOfTheProcess) {
  ScratchDir dir;
  TJPEGImage jpeg;
  jpeg.Assign(InkedPicture());
  ASSERT_GT(jpeg.CompressedStream().size(), 1000u);
  {
    FileSizeLimit limit(1000);
    ASSERT_TRUE(limit.ok());
    EXPECT_THROW(jpeg.SaveToFile("limited.jpg"), EWriteError);
  }
  // The loop went on after the short write, and the next write told why it could not.
  EXPECT_EQ(std::filesystem::file_size("limited.jpg"), 1000u);
}

TEST(OutputFileTest, ShortWritesAreCarriedOnUntilTheLimitGivesItsError) {
  ScratchDir dir;
  OutputFile file;
  ASSERT_EQ(file.Create("part.bin"), 0);
  {
    FileSizeLimit limit(4096 + 100);
    ASSERT_TRUE(limit.ok());
    EXPECT_EQ(file.WriteAll(std::string(4096, 'a')), 0);
    EXPECT_EQ(file.WriteAll(std::string(4096, 'b')), EFBIG);
  }
  EXPECT_EQ(file.Close(), 0);
  EXPECT_EQ(ReadFileBytes("part.bin"), std::string(4096, 'a') + std::string(100, 'b'));
}

TEST(OutputFileTest, WritesEveryByteOfALargeBuffer) {
  ScratchDir dir;
  std::string bytes(24u << 20, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 >> 7);
  OutputFile file;
  ASSERT_EQ(file.Create("large.bin"), 0);
  ASSERT_EQ(file.WriteAll(bytes), 0);
  ASSERT_EQ(file.Close(), 0);
  EXPECT_TRUE(ReadFileBytes("large.bin") == bytes);
}

TEST(OutputFileTest, NoFileOpen) {
  OutputFile file;
  EXPECT_EQ(file.WriteAll("x"), EBADF);
  EXPECT_EQ(file.WriteAll(""), EBADF);
  EXPECT_EQ(file.Close(), 0);
}

TEST(OutputFileTest, CreateReportsTheSystemError) {
  ScratchDir dir;
  WriteFileBytes("plain", "x");
  std::filesystem::create_directory("folder");
  OutputFile file;
  EXPECT_EQ(file.Create("missing/x"), ENOENT);
  EXPECT_EQ(file.Create("plain/x"), ENOTDIR);
  EXPECT_EQ(file.Create("folder"), EISDIR);
  EXPECT_FALSE(file.IsOpen());
}

}  // namespace
}  // namespace t2j
