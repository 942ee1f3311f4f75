// The Windows faces that the font list offers although no font of that name is installed: the
// substitution table draws them with an installed family.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace t2j {

// True when fontconfig knows a family by this name (IsInstalledFamilyName).
using FamilyLookup = std::function<bool(std::string_view)>;

// The names of the well-known Windows faces that FaceSubstitutes can draw with an installed
// family (one of its candidates before the catch-all pattern), named as Windows lists them for
// `language` (a POSIX locale name): the Chinese names (宋体, 黑体, ...) under a Chinese locale,
// the English ones (SimSun, SimHei, ...) otherwise. A face that fontconfig itself knows by one
// of its names is left out, since fontconfig lists it already. One name per face, in a fixed
// order.
std::vector<std::string> DrawableWindowsFaceNames(std::string_view language,
                                                  const FamilyLookup& installed);

}  // namespace t2j
