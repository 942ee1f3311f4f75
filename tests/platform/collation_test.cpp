#include "platform/collation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace t2j {
namespace {

struct CompareCase {
  const char* name;
  const char* locale;
  std::string a;
  std::string b;
  std::weak_ordering expected;
};

class CollationTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CollationTest, OrdersTwoNames) {
  const CompareCase& c = GetParam();
  const Collation collation(c.locale);
  EXPECT_TRUE(collation.Compare(c.a, c.b) == c.expected);
  // The reverse comparison must agree, or a sort over it could run off its range.
  EXPECT_TRUE(collation.Compare(c.b, c.a) == 0 <=> c.expected);
}

const std::string kTooLongLocale(400, 'z');

INSTANTIATE_TEST_SUITE_P(
    Names, CollationTest,
    ::testing::Values(
        CompareCase{"CaseIgnored", "en_US.UTF-8", "Arial", "ARIAL", std::weak_ordering::equivalent},
        CompareCase{"CaseIgnoredUnderZh", "zh_CN.UTF-8", "SimSun", "simsun",
                    std::weak_ordering::equivalent},
        CompareCase{"DefaultIgnoresCase", "C.UTF-8", "Default", "DEFAULT",
                    std::weak_ordering::equivalent},
        CompareCase{"AccentsCount", "en_US.UTF-8", "Cafe", "Café", std::weak_ordering::less},
        CompareCase{"AtSignCounts", "en_US.UTF-8", "@Name", "Name", std::weak_ordering::less},
        CompareCase{"LettersBeforeCase", "en_US.UTF-8", "arial", "Batang",
                    std::weak_ordering::less},
        CompareCase{"PinyinUnderZhCn", "zh_CN.UTF-8", "黑体", "宋体", std::weak_ordering::less},
        CompareCase{"PinyinUnderZhCnWithoutCodeset", "zh_CN", "楷体", "宋体",
                    std::weak_ordering::less},
        // The Chinese collation puts Han before Latin.
        CompareCase{"HanBeforeLatinUnderZhCn", "zh_CN.UTF-8", "黑体", "Arial",
                    std::weak_ordering::less},
        CompareCase{"CodePointOrderOfHanUnderEnUs", "en_US.UTF-8", "宋体", "黑体",
                    std::weak_ordering::less},
        CompareCase{"UnknownLocaleIsRoot", "xx_YY.UTF-8", "宋体", "黑体", std::weak_ordering::less},
        CompareCase{"MalformedLocaleIsRoot", kTooLongLocale.c_str(), "Arial", "ARIAL",
                    std::weak_ordering::equivalent},
        CompareCase{"EmptyLocaleIsRoot", "", "宋体", "黑体", std::weak_ordering::less},
        CompareCase{"EmptyNames", "zh_CN.UTF-8", "", "", std::weak_ordering::equivalent},
        CompareCase{"EmptyBeforeAny", "zh_CN.UTF-8", "", "A", std::weak_ordering::less},
        CompareCase{"IllFormedIsReplacementCharacter", "en_US.UTF-8", "a\xFF", "a\xEF\xBF\xBD",
                    std::weak_ordering::equivalent}),
    [](const ::testing::TestParamInfo<CompareCase>& info) { return info.param.name; });

// Sets or clears environment variables for one test and puts the old values back.
class ScopedEnvironment {
 public:
  void Set(const char* name, const char* value) {
    if (!saved_.contains(name)) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

struct EnvironmentCase {
  const char* name;
  const char* lc_all;
  const char* lc_messages;
  const char* lang;
  const char* expected;
};

class LocaleFromEnvironmentTest : public ::testing::TestWithParam<EnvironmentCase> {};

TEST_P(LocaleFromEnvironmentTest, TakesTheFirstSetVariable) {
  const EnvironmentCase& c = GetParam();
  ScopedEnvironment environment;
  environment.Set("LC_ALL", c.lc_all);
  environment.Set("LC_MESSAGES", c.lc_messages);
  environment.Set("LANG", c.lang);
  EXPECT_EQ(LocaleFromEnvironment("LC_MESSAGES"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Variables, LocaleFromEnvironmentTest,
    ::testing::Values(
        EnvironmentCase{"LcAllWins", "zh_CN.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "zh_CN.UTF-8"},
        EnvironmentCase{"CategoryBeforeLang", nullptr, "en_US.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"},
        EnvironmentCase{"EmptyCountsAsUnset", "", "", "zh_TW.UTF-8", "zh_TW.UTF-8"},
        EnvironmentCase{"LangAlone", nullptr, nullptr, "zh_CN.GB18030", "zh_CN.GB18030"},
        EnvironmentCase{"NothingSet", nullptr, nullptr, nullptr, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace t2j
