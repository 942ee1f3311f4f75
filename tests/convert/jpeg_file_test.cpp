#include <gtest/gtest.h>
#include <sys/resource.h>

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

}  // namespace
}  // namespace t2j
