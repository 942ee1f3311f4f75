#include "text/windows_faces.h"

#include <span>

#include "text/font_resolver.h"

namespace t2j {
namespace {

struct WindowsFace {
  std::string_view chinese_name;  // empty for a face without a Chinese name
  std::string_view english_name;
};

// The faces of a Chinese Windows that FaceSubstitutes stands in for; aliases such as
// "MS Shell Dlg" and the "_GB2312" faces of old systems are names, not listed faces.
constexpr WindowsFace kWindowsFaces[] = {
    {"宋体", "SimSun"},    {"新宋体", "NSimSun"}, {"仿宋", "FangSong"},
    {"黑体", "SimHei"},    {"楷体", "KaiTi"},     {"微软雅黑", "Microsoft YaHei"},
    {"", "Arial"},         {"", "Courier New"},   {"", "Microsoft Sans Serif"},
    {"", "MS Sans Serif"}, {"", "Tahoma"},        {"", "Times New Roman"},
};

bool IsChineseLocale(std::string_view locale) {
  if (locale.substr(0, 2) != "zh") return false;
  return locale.size() == 2 || std::string_view("_.@-").find(locale[2]) != std::string_view::npos;
}

// The last candidate is a catch-all that always matches something, Chinese or not.
bool HasInstalledFamily(std::string_view face_name, const FamilyLookup& installed) {
  const std::span<const std::string_view> candidates = FaceSubstitutes(face_name);
  for (size_t i = 0; i + 1 < candidates.size(); ++i) {
    if (installed(candidates[i])) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> DrawableWindowsFaceNames(std::string_view language,
                                                  const FamilyLookup& installed) {
  const bool chinese = IsChineseLocale(language);
  std::vector<std::string> names;
  for (const WindowsFace& face : kWindowsFaces) {
    if (installed(face.english_name)) continue;
    if (!face.chinese_name.empty() && installed(face.chinese_name)) continue;
    if (!HasInstalledFamily(face.english_name, installed)) continue;
    const bool use_chinese = chinese && !face.chinese_name.empty();
    names.emplace_back(use_chinese ? face.chinese_name : face.english_name);
  }
  return names;
}

}  // namespace t2j
