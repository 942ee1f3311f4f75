#include "text/font_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/collation.h"

namespace t2j {
namespace {

using ::testing::UnorderedElementsAreArray;
using namespace std::string_literals;

struct BuildCase {
  const char* name;
  std::vector<std::string> reports;
  std::vector<std::string> expected;  // sorted; equivalent names may stand in either order
};

class BuildInstalledFontNamesTest : public ::testing::TestWithParam<BuildCase> {
 protected:
  Collation collation_{"en_US.UTF-8"};
  NameComparison compare_ = [this](std::string_view a, std::string_view b) {
    return collation_.Compare(a, b);
  };
};

TEST_P(BuildInstalledFontNamesTest, FollowsTheListRules) {
  const BuildCase& c = GetParam();
  const std::vector<std::string> names =
      BuildInstalledFontNames([&c] { return c.reports; }, compare_);

  EXPECT_THAT(names, UnorderedElementsAreArray(c.expected));
  ASSERT_EQ(names.size(), c.expected.size());
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_TRUE(std::is_eq(compare_(names[i], c.expected[i])))
        << "entry " << i << ": " << names[i] << " where " << c.expected[i] << " belongs";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Reports, BuildInstalledFontNamesTest,
    ::testing::Values(
        BuildCase{"NoFonts", {}, {"Default"}},
        BuildCase{"ThreeCharacterSetsInARow",
                  {"Arial", "Arial", "Arial", "Tahoma"},
                  {"Arial", "Default", "Tahoma"}},
        BuildCase{"RepeatAfterAnotherFaceIsKeptAndAdjacent",
                  {"Arial", "Tahoma", "Arial"},
                  {"Arial", "Arial", "Default", "Tahoma"}},
        BuildCase{"LetterCaseRepeatKeepsTheFirst", {"Tahoma", "TAHOMA"}, {"Default", "Tahoma"}},
        BuildCase{"DefaultReportedFirstIsDropped", {"dEfAuLt", "Arial"}, {"Arial", "Default"}},
        BuildCase{
            "DefaultReportedLaterIsKept", {"Arial", "default"}, {"Arial", "Default", "default"}},
        BuildCase{"DefaultIsSortedAmongTheNames",
                  {"Zapf", "Arial", "Delta", "Courier"},
                  {"Arial", "Courier", "Default", "Delta", "Zapf"}},
        BuildCase{"VerticalVariantIsItsOwnEntry",
                  {"Name", "@Name", "Name"},
                  {"@Name", "Default", "Name", "Name"}},
        BuildCase{"NulEndsTheName", {"Arial\0Bold"s, "Arial"}, {"Arial", "Default"}},
        BuildCase{"NameStartingWithNulIsEmpty", {"\0x"s}, {"", "Default"}},
        BuildCase{"LongNamesStayWhole",
                  {"Noto Sans CJK SC DemiLight Extra Condensed"},
                  {"Default", "Noto Sans CJK SC DemiLight Extra Condensed"}},
        BuildCase{"ChineseNamesInRootOrder",
                  {"黑体", "宋体", "AR PL UMing CN"},
                  {"AR PL UMing CN", "Default", "宋体", "黑体"}}),
    [](const ::testing::TestParamInfo<BuildCase>& info) { return info.param.name; });

TEST(BuildInstalledFontNamesTest, PassesOnTheComparisonsFailure) {
  EXPECT_THROW(
      BuildInstalledFontNames([] { return std::vector<std::string>{"A"}; },
                              [](std::string_view, std::string_view) -> std::weak_ordering {
                                throw std::runtime_error("no comparison");
                              }),
      std::runtime_error);
}

TEST(InstalledFontNamesTest, IsBuiltOnceAndSortedWithDefaultAndTheInstalledFonts) {
  const std::vector<std::string>& names = InstalledFontNames();
  EXPECT_EQ(&names, &InstalledFontNames());
  EXPECT_THAT(names, ::testing::Contains("Default"));
  EXPECT_THAT(names, ::testing::Contains("AR PL UMing CN"));
  const Collation collation(LocaleFromEnvironment("LC_COLLATE"));
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end(), [&](const auto& a, const auto& b) {
    return std::is_lt(collation.Compare(a, b));
  }));
}

}  // namespace
}  // namespace t2j
