#include "text/font_resolver.h"

#include <gtest/gtest.h>

#include <string>

#include "text/font_engine.h"

namespace t2j {
namespace {

struct SubstituteCase {
  const char* name;
  const char* face;
  const char* first;  // nullptr: not in the table
  const char* last;
};

class FaceSubstitutesTest : public ::testing::TestWithParam<SubstituteCase> {};

TEST_P(FaceSubstitutesTest, ListsCandidatesInOrder) {
  const SubstituteCase& row = GetParam();
  const auto candidates = FaceSubstitutes(row.face);
  if (row.first == nullptr) {
    EXPECT_TRUE(candidates.empty());
    return;
  }
  ASSERT_FALSE(candidates.empty());
  EXPECT_EQ(candidates.front(), row.first);
  EXPECT_EQ(candidates.back(), row.last);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FaceSubstitutesTest,
    ::testing::Values(
        SubstituteCase{"SongTi", "宋体", "AR PL UMing CN", "serif:lang=zh-cn"},
        SubstituteCase{"SimSunAnyCase", "simsun", "AR PL UMing CN", "serif:lang=zh-cn"},
        SubstituteCase{"NewSongTi", "新宋体", "AR PL UMing CN", "serif:lang=zh-cn"},
        SubstituteCase{"NSimSun", "NSimSun", "AR PL UMing CN", "serif:lang=zh-cn"},
        SubstituteCase{"FangSong", "仿宋", "AR PL UMing CN", "serif:lang=zh-cn"},
        SubstituteCase{"HeiTi", "黑体", "WenQuanYi Zen Hei", "sans-serif:lang=zh-cn"},
        SubstituteCase{"YaHei", "微软雅黑", "WenQuanYi Zen Hei", "sans-serif:lang=zh-cn"},
        SubstituteCase{"MicrosoftYaHei", "Microsoft YaHei", "WenQuanYi Zen Hei",
                       "sans-serif:lang=zh-cn"},
        SubstituteCase{"KaiTi", "楷体", "AR PL UKai CN", "serif:lang=zh-cn"},
        SubstituteCase{"KaiTiGb2312", "楷体_GB2312", "AR PL UKai CN", "serif:lang=zh-cn"},
        SubstituteCase{"MsSansSerif", "MS Sans Serif", "Liberation Sans", "sans-serif"},
        SubstituteCase{"MsShellDlg", "MS Shell Dlg", "Liberation Sans", "sans-serif"},
        SubstituteCase{"Tahoma", "TAHOMA", "Liberation Sans", "sans-serif"},
        SubstituteCase{"Arial", "Arial", "Liberation Sans", "sans-serif"},
        SubstituteCase{"TimesNewRoman", "Times New Roman", "Liberation Serif", "serif"},
        SubstituteCase{"CourierNew", "Courier New", "Liberation Mono", "monospace"},
        SubstituteCase{"Unknown", "Comic Sans MS", nullptr, nullptr},
        SubstituteCase{"PrefixOnly", "宋", nullptr, nullptr},
        SubstituteCase{"Empty", "", nullptr, nullptr}),
    [](const ::testing::TestParamInfo<SubstituteCase>& info) { return info.param.name; });

TEST(InstalledFamilyTest, KnowsEveryNameOfAFamilyIgnoringCase) {
  if (!IsInstalledFamily("WenQuanYi Zen Hei")) GTEST_SKIP() << "fonts-wqy-zenhei missing";
  EXPECT_TRUE(IsInstalledFamily("wenquanyi zen hei"));
  EXPECT_TRUE(IsInstalledFamily("文泉驿正黑"));
  EXPECT_TRUE(IsInstalledFamily("文泉驛正黑"));
  EXPECT_FALSE(IsInstalledFamily("WenQuanYi"));
  EXPECT_FALSE(IsInstalledFamily("宋体"));
  EXPECT_FALSE(IsInstalledFamily(""));
  EXPECT_FALSE(IsInstalledFamily(std::string_view("WenQuanYi Zen Hei\0x", 19)));
}

TEST(FaceQueryTest, InstalledNamesComeBeforeTheTable) {
  if (!IsInstalledFamily("AR PL UMing CN") || !IsInstalledFamily("Liberation Sans")) {
    GTEST_SKIP() << "fonts-arphic-uming or fonts-liberation2 missing";
  }
  EXPECT_EQ(FaceQueryFor("宋体"), "AR PL UMing CN");
  EXPECT_EQ(FaceQueryFor("SimSun"), "AR PL UMing CN");
  EXPECT_EQ(FaceQueryFor("MS Sans Serif"), "Liberation Sans");
  EXPECT_EQ(FaceQueryFor("ar pl uming cn"), "ar pl uming cn");
  EXPECT_EQ(FaceQueryFor("DejaVu Serif"), "DejaVu Serif");
  EXPECT_EQ(FaceQueryFor("No Such Face"), "No Such Face");
}

TEST(ResolveFaceTest, WindowsChineseFacesReachFontsWithChineseCharacters) {
  if (!IsInstalledFamily("AR PL UMing CN")) GTEST_SKIP() << "fonts-arphic-uming missing";
  FaceRequest request;
  request.face_name = "宋体";
  const FontFile song = ResolveFace(request);
  EXPECT_EQ(song.family, "AR PL UMing CN");
  EXPECT_NE(song.path.find("uming"), std::string::npos) << song.path;

  request.face_name = "黑体";
  EXPECT_EQ(ResolveFace(request).family, "WenQuanYi Zen Hei");
}

TEST(ResolveFaceTest, StyleAfterTheFamilyOrInFontconfigFormPicksThatStyle) {
  if (!IsInstalledFamily("DejaVu Sans")) GTEST_SKIP() << "fonts-dejavu-core missing";
  FaceRequest request;
  for (const char* name : {"DejaVu Sans Bold", "DejaVu Sans:weight=bold"}) {
    request.face_name = name;
    const FontFile bold = ResolveFace(request);
    EXPECT_EQ(bold.family, "DejaVu Sans") << name;
    EXPECT_NE(bold.path.find("DejaVuSans-Bold."), std::string::npos) << name << ": " << bold.path;
    EXPECT_FALSE(IsUnknownFaceName(name)) << name;
  }
  // A family that ends in a word that could be a style stays that family.
  if (IsInstalledFamily("DejaVu Sans Mono")) {
    request.face_name = "DejaVu Sans Mono";
    EXPECT_EQ(ResolveFace(request).family, "DejaVu Sans Mono");
  }
  EXPECT_TRUE(IsUnknownFaceName("No Such Face"));
  EXPECT_FALSE(IsUnknownFaceName("宋体"));
}

TEST(ResolveFaceTest, AnyNameGivesSomeFont) {
  FaceRequest request;
  for (const char* name : {"No Such Face", "", "serif:lang=zh-cn", "a-b:c=d"}) {
    request.face_name = name;
    EXPECT_FALSE(ResolveFace(request).path.empty()) << name;
  }
}

TEST(FallbackFontsTest, FindsAChineseFontForALatinFace) {
  if (!IsInstalledFamily("Liberation Sans")) GTEST_SKIP() << "fonts-liberation2 missing";
  FaceRequest request;
  request.face_name = "Liberation Sans";
  FallbackFonts fallback(request, "Liberation Sans");
  const FontFile* chinese = fallback.FontFor(U'中');
  ASSERT_NE(chinese, nullptr);
  EXPECT_NE(chinese->family, "Liberation Sans");
  EXPECT_EQ(fallback.FontFor(U'中'), chinese);
  EXPECT_EQ(fallback.FontFor(0x10FFFD), nullptr);  // private use: nothing covers it
}

TEST(FallbackFontsTest, TakesAFontOfTheFacesStyleFirst) {
  if (!IsInstalledFamily("WenQuanYi Zen Hei") || !IsInstalledFamily("DejaVu Sans")) {
    GTEST_SKIP() << "fonts-wqy-zenhei or fonts-dejavu-core missing";
  }
  FaceRequest request;
  request.face_name = "黑体";
  FallbackFonts sans(request, "WenQuanYi Zen Hei");
  ASSERT_NE(sans.FontFor(U'ấ'), nullptr);
  EXPECT_EQ(sans.FontFor(U'ấ')->family, "DejaVu Sans") << "not the calligraphic AR PL UKai";
}

}  // namespace
}  // namespace t2j
