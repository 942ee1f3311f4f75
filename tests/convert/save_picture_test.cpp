#include "convert/save_picture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "convert/failure_text.h"
#include "convert/jpeg_image.h"
#include "jpeg_test_support.h"
#include "platform/system_error.h"

namespace t2j {
namespace {

using testing::MakePicture;
using testing::ScratchDir;

// Records what the window would be told, in order.
class RecordingSink : public PreviewSink {
 public:
  void SetPreviewPicture(const RenderedPicture& picture) override {
    events.push_back("set");
    preview = picture;
  }
  void RepaintPreview() override { events.push_back("repaint"); }

  std::vector<std::string> events;
  RenderedPicture preview;
};

RenderedPicture InkedPicture() { return MakePicture(120, 40, {{8, 8, 100, 24, Rgb{255, 0, 0}}}); }

struct NamingStep {
  std::string base_name;
  bool numbering;
  std::string file_name;
};

struct NamingCase {
  const char* name;
  int32_t first_number;
  std::vector<NamingStep> steps;
  int32_t last_number;
};

class OutputFileNameTest : public ::testing::TestWithParam<NamingCase> {};

TEST_P(OutputFileNameTest, FollowsBaseNameAndNumber) {
  PictureFileState state;
  state.NextFileNumber = GetParam().first_number;
  for (const NamingStep& step : GetParam().steps) {
    EXPECT_EQ(NextOutputFileName(step.base_name, step.numbering, state), step.file_name);
    EXPECT_EQ(state.OutputFileName, step.file_name);
  }
  EXPECT_EQ(state.NextFileNumber, GetParam().last_number);
}

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Table, OutputFileNameTest,
    ::testing::Values(
        NamingCase{"StartingValues",
                   0,
                   {{"Picture", true, "Picture0.jpg"}, {"Picture", true, "Picture1.jpg"}},
                   2},
        NamingCase{"NumberingOff",
                   0,
                   {{"Picture", false, "Picture.jpg"}, {"Picture", false, "Picture.jpg"}},
                   0},
        NamingCase{"OnOffOn",
                   0,
                   {{"Picture", true, "Picture0.jpg"},
                    {"Picture", false, "Picture.jpg"},
                    {"Picture", true, "Picture1.jpg"}},
                   2},
        NamingCase{"BaseNameChanged", 0, {{"A", true, "A0.jpg"}, {"B", true, "B1.jpg"}}, 2},
        NamingCase{"EmptyBaseNumbered", 0, {{"", true, "0.jpg"}}, 1},
        NamingCase{"EmptyBaseUnnumbered", 0, {{"", false, ".jpg"}}, 0},
        NamingCase{"BlanksKept", 3, {{" my picture ", true, " my picture 3.jpg"}}, 4},
        NamingCase{"NoDotAdded", 0, {{"shot.", false, "shot..jpg"}}, 0},
        NamingCase{"DirectoryPartKept", 7, {{"out/sub/p", true, "out/sub/p7.jpg"}}, 8},
        NamingCase{"Chinese", 12, {{"图片", true, "图片12.jpg"}}, 13},
        NamingCase{"WrapsPastTheLargest",
                   kMax,
                   {{"P", true, "P2147483647.jpg"}, {"P", true, "P-2147483648.jpg"}},
                   -kMax},
        NamingCase{"NegativeAfterWrap", -2, {{"P", true, "P-2.jpg"}, {"P", true, "P-1.jpg"}}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SavePictureFileTest, WritesTheNumberedFileInTheCurrentDirectory) {
  ScratchDir dir;
  PictureFileState state;
  RecordingSink sink;
  const RenderedPicture picture = InkedPicture();
  SavePictureFile(picture, "Picture", true, false, state, sink);
  SavePictureFile(picture, "Picture", true, false, state, sink);
  EXPECT_EQ(state.NextFileNumber, 2);
  EXPECT_EQ(state.OutputFileName, "Picture1.jpg");
  for (const char* name : {"Picture0.jpg", "Picture1.jpg"}) {
    const std::optional<testing::DecodedJpeg> decoded =
        testing::DecodeJpeg(testing::ReadFileBytes(dir.path() / name));
    ASSERT_TRUE(decoded.has_value()) << name;
    EXPECT_EQ(decoded->width, 120);
    EXPECT_EQ(decoded->height, 40);
  }
}

TEST(SavePictureFileTest, ReplacesAnExistingFile) {
  ScratchDir dir;
  testing::WriteFileBytes("Picture.jpg", std::string(100000, 'x'));
  PictureFileState state;
  RecordingSink sink;
  const RenderedPicture picture = InkedPicture();
  SavePictureFile(picture, "Picture", false, false, state, sink);
  std::string stream;
  EncodeJpeg(picture, stream);
  EXPECT_EQ(testing::ReadFileBytes("Picture.jpg"), stream);
}

TEST(SavePictureFileTest, PreviewGetsTheVeryPixelsThenARepaint) {
  ScratchDir dir;
  PictureFileState state;
  RecordingSink sink;
  RenderedPicture picture = InkedPicture();
  const Raster* pixels = picture.Pixels.get();
  SavePictureFile(picture, "Picture", true, true, state, sink);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"set", "repaint"}));
  EXPECT_EQ(sink.preview.Pixels.get(), pixels);
  EXPECT_EQ(sink.preview.Width, 120);
  EXPECT_EQ(sink.preview.Height, 40);
  // The conversion releases its picture; the preview keeps the pixels.
  picture = RenderedPicture{};
  EXPECT_EQ(sink.preview.Pixels.use_count(), 1);
  EXPECT_EQ(sink.preview.Pixels->Pixel(50, 16), (Rgb{255, 0, 0}));
}

TEST(SavePictureFileTest, PreviewOffOnlyRepaints) {
  ScratchDir dir;
  PictureFileState state;
  RecordingSink sink;
  SavePictureFile(InkedPicture(), "Picture", true, false, state, sink);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"repaint"}));
  EXPECT_EQ(sink.preview.Pixels, nullptr);
}

TEST(SavePictureFileTest, EmptyPictureIsAnEmptyFileAndAnEmptyPreview) {
  ScratchDir dir;
  PictureFileState state;
  RecordingSink sink;
  RenderedPicture empty;
  empty.Height = 16;  // an empty text with the starting margin and spacing
  SavePictureFile(empty, "Picture", true, true, state, sink);
  EXPECT_EQ(std::filesystem::file_size("Picture0.jpg"), 0u);
  EXPECT_EQ(sink.events, (std::vector<std::string>{"set", "repaint"}));
  EXPECT_TRUE(sink.preview.Empty());
  EXPECT_EQ(sink.preview.Width, 0);
  EXPECT_EQ(sink.preview.Height, 16);
}

struct CreateFailureCase {
  const char* name;
  std::string base_name;  // relative to the scratch directory, which holds a file "plain"
  int error_number;
};

class SaveCreateFailureTest : public ::testing::TestWithParam<CreateFailureCase> {};

TEST_P(SaveCreateFailureTest, NamesTheAbsolutePathAndUsesTheNumberUp) {
  ScratchDir dir;
  testing::WriteFileBytes("plain", "x");
  PictureFileState state;
  state.NextFileNumber = 5;
  RecordingSink sink;
  try {
    SavePictureFile(InkedPicture(), GetParam().base_name, true, true, state, sink);
    FAIL() << "no failure";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file \"" +
                                         (dir.path() / (GetParam().base_name + "5.jpg")).string() +
                                         "\". " + SystemErrorText(GetParam().error_number));
  }
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(state.OutputFileName, GetParam().base_name + "5.jpg");
  EXPECT_EQ(state.NextFileNumber, 6);
  // The next good conversion gets the following number.
  SavePictureFile(InkedPicture(), "Picture", true, true, state, sink);
  EXPECT_TRUE(std::filesystem::exists("Picture6.jpg"));
  EXPECT_EQ(sink.events, (std::vector<std::string>{"set", "repaint"}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, SaveCreateFailureTest,
    ::testing::Values(CreateFailureCase{"MissingDirectory", "no/such/dir/Picture", ENOENT},
                      CreateFailureCase{"ThroughARegularFile", "plain/Picture", ENOTDIR}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SavePictureFileTest, EncoderFailureKeepsAnOldFileAndLeavesANewOneEmpty) {
  ScratchDir dir;
  testing::WriteFileBytes("Picture0.jpg", "old contents");
  PictureFileState state;
  RecordingSink sink;
  for (const char* name : {"Picture0.jpg", "Picture1.jpg"}) {
    try {
      SavePictureFile(MakePicture(65501, 1), "Picture", true, true, state, sink);
      FAIL() << "no failure";
    } catch (const EJPEG& e) {
      EXPECT_STREQ(e.what(), "JPEG error #41") << name;
    }
  }
  EXPECT_EQ(testing::ReadFileBytes("Picture0.jpg"), "old contents");
  EXPECT_EQ(std::filesystem::file_size("Picture1.jpg"), 0u);
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(state.NextFileNumber, 2);
}

TEST(SavePictureFileTest, WriteFailureIsReportedNotSuccess) {
  ScratchDir dir;
  std::filesystem::create_symlink("/dev/full", "Picture.jpg");
  PictureFileState state;
  RecordingSink sink;
  try {
    SavePictureFile(InkedPicture(), "Picture", false, true, state, sink);
    FAIL() << "a write to a full device reported success";
  } catch (const EWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "无法写入文件 \"" + (dir.path() / "Picture.jpg").string() +
                                         "\"：" + SystemErrorText(ENOSPC));
  }
  EXPECT_TRUE(sink.events.empty());
}

}  // namespace
}  // namespace t2j
