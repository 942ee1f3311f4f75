#include "text/windows_faces.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace t2j {
namespace {

using ::testing::ElementsAreArray;

struct FacesCase {
  const char* name;
  const char* language;
  std::set<std::string> installed;
  std::vector<std::string> expected;
};

class DrawableWindowsFaceNamesTest : public ::testing::TestWithParam<FacesCase> {};

TEST_P(DrawableWindowsFaceNamesTest, ListsTheFacesWhoseTargetIsInstalled) {
  const FacesCase& c = GetParam();
  const auto installed = [&c](std::string_view family) {
    return c.installed.count(std::string(family)) != 0;
  };
  EXPECT_THAT(DrawableWindowsFaceNames(c.language, installed), ElementsAreArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sources, DrawableWindowsFaceNamesTest,
    ::testing::Values(
        FacesCase{"NothingInstalled", "zh_CN.UTF-8", {}, {}},
        FacesCase{
            "SongFacesInChinese", "zh_CN.UTF-8", {"AR PL UMing CN"}, {"宋体", "新宋体", "仿宋"}},
        FacesCase{"SongFacesInEnglish",
                  "en_US.UTF-8",
                  {"AR PL UMing CN"},
                  {"SimSun", "NSimSun", "FangSong"}},
        FacesCase{"AnyChineseLocale", "zh_TW", {"WenQuanYi Zen Hei"}, {"黑体", "微软雅黑"}},
        FacesCase{"CLocaleTakesEnglish", "C", {"AR PL UKai CN"}, {"KaiTi"}},
        FacesCase{"ZhuluIsNoChinese", "zu_ZA", {"AR PL UKai CN"}, {"KaiTi"}},
        // Fontconfig lists a real SimSun itself, under whichever of its names.
        FacesCase{"InstalledFaceIsNotRepeated",
                  "zh_CN.UTF-8",
                  {"AR PL UMing CN", "SimSun", "仿宋"},
                  {"新宋体"}},
        FacesCase{"LatinFacesKeepTheirNames",
                  "zh_CN.UTF-8",
                  {"Liberation Sans", "DejaVu Sans Mono"},
                  {"Arial", "Courier New", "Microsoft Sans Serif", "MS Sans Serif", "Tahoma"}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace t2j
