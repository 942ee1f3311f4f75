#include "convert/failure_text.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace t2j {
namespace {

struct FullStopCase {
  const char* name;
  std::string message;
  std::string shown;
};

class FailureTextTest : public ::testing::TestWithParam<FullStopCase> {};

TEST_P(FailureTextTest, AppendsAFullStopByTheLastByte) {
  EXPECT_EQ(FailureText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FailureTextTest,
    ::testing::Values(
        FullStopCase{"Letter", "JPEG error #41", "JPEG error #41."},
        FullStopCase{"Digit", "error 7", "error 7."}, FullStopCase{"QuestionMark", "why?", "why?."},
        FullStopCase{"ChineseFullStop", "失败。", "失败。."},
        FullStopCase{"Hanzi", "无法创建", "无法创建."}, FullStopCase{"FullStop", "done.", "done."},
        FullStopCase{"Parenthesis", "(x)", "(x)"}, FullStopCase{"Exclamation", "stop!", "stop!"},
        FullStopCase{"Comma", "a,", "a,"}, FullStopCase{"Hyphen", "a-", "a-"},
        FullStopCase{"Space", "a ", "a "}, FullStopCase{"LineBreak", "a\n", "a\n"},
        FullStopCase{"Slash", "a/", "a/."}, FullStopCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FailureClassesTest, CarryTheirTexts) {
  EXPECT_STREQ(EJPEG(41).what(), "JPEG error #41");
  EXPECT_EQ(EJPEG(41).message_code(), 41);

  const std::string cwd = std::filesystem::current_path().string();
  const EFCreateError create_error("missing/Picture0.jpg", ENOENT);
  const std::string trimmed_enoent = [] {
    std::string s = std::strerror(ENOENT);
    while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
    return s;
  }();
  EXPECT_EQ(std::string(create_error.what()),
            "Cannot create file \"" + cwd + "/missing/Picture0.jpg\". " + trimmed_enoent);
}

}  // namespace
}  // namespace t2j
