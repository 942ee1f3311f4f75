#include "text/font_families.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace t2j {
namespace {

using ::testing::Contains;
using ::testing::Not;

struct FamilyCase {
  const char* name;
  const char* language;
  const char* listed;      // the name WenQuanYi Zen Hei is listed under
  const char* not_listed;  // and one it is not
};

class FontconfigFamilyNamesTest : public ::testing::TestWithParam<FamilyCase> {};

TEST_P(FontconfigFamilyNamesTest, NamesFamiliesInTheLanguage) {
  const FamilyCase& c = GetParam();
  const std::vector<std::string> names = FontconfigFamilyNames(c.language);
  EXPECT_THAT(names, Contains("AR PL UMing CN"));
  EXPECT_THAT(names, Contains(c.listed));
  EXPECT_THAT(names, Not(Contains(c.not_listed)));
}

INSTANTIATE_TEST_SUITE_P(
    Languages, FontconfigFamilyNamesTest,
    ::testing::Values(FamilyCase{"ZhCn", "zh_CN.UTF-8", "文泉驿正黑", "WenQuanYi Zen Hei"},
                      FamilyCase{"ZhTw", "zh_TW.UTF-8", "文泉驛正黑", "文泉驿正黑"},
                      FamilyCase{"ZhSgTakesAnotherTerritory", "zh_SG.UTF-8", "文泉驛正黑",
                                 "WenQuanYi Zen Hei"},
                      FamilyCase{"EnUs", "en_US.UTF-8", "WenQuanYi Zen Hei", "文泉驿正黑"},
                      FamilyCase{"C", "C.UTF-8", "WenQuanYi Zen Hei", "文泉驿正黑"},
                      FamilyCase{"Unknown", "xx_YY", "WenQuanYi Zen Hei", "文泉驿正黑"}),
    [](const auto& info) { return info.param.name; });

// DejaVu Sans comes as several fonts (light, condensed, ...), not all in a row.
TEST(FontconfigFamilyNamesTest, ListsEachFamilyOnce) {
  const std::vector<std::string> names = FontconfigFamilyNames("en_US.UTF-8");
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
  EXPECT_THAT(names, Contains("DejaVu Sans"));
}

}  // namespace
}  // namespace t2j
