// The installed font families: what stands in for EnumFontFamiliesEx.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace t2j {

// One name per installed family, in fontconfig's order (the order of each family's first
// font). A family's name is the one in `language` where it has one, else one in the same
// language of another territory, else its first name (usually the English one). `language` is
// a POSIX locale name such as "zh_CN.UTF-8" (LocaleFromEnvironment("LC_MESSAGES")); "C" and an
// empty one ask for first names. Families that differ only in letter case and blanks are one
// family, as fontconfig matches them. Empty when fontconfig lists nothing or cannot be used.
std::vector<std::string> FontconfigFamilyNames(std::string_view language);

}  // namespace t2j
