// The list of installed font names that the font box offers.
#pragma once

#include <compare>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace t2j {

// The entry that heads the list before it is sorted.
inline constexpr std::string_view kDefaultFontEntry = "Default";

// Gives the face names of the installed fonts as the platform reports them, in its order, a
// face once for each report. Each name is UTF-8; a NUL byte ends it.
using FaceNameSource = std::function<std::vector<std::string>()>;

// Orders two names: less, equivalent or greater.
using NameComparison = std::function<std::weak_ordering(std::string_view, std::string_view)>;

// "Default", then every reported name unless it compares equivalent to the entry before it,
// then the whole list sorted in ascending order of `compare` (equivalent names end up next to
// each other, in no particular order). Names are kept whole up to a NUL byte, and none is
// filtered out. With no reports the list is "Default" alone. Failures of the source or of
// `compare` are passed on.
std::vector<std::string> BuildInstalledFontNames(const FaceNameSource& source,
                                                 const NameComparison& compare);

// The list over fontconfig's families and the Windows faces the substitution table draws with
// them (DrawableWindowsFaceNames), named in the user's language (LC_MESSAGES) and sorted
// by the user's collation (LC_COLLATE), ignoring letter case. Built on the first call; every
// later call returns the same list without enumerating again. For the UI thread only.
const std::vector<std::string>& InstalledFontNames();

}  // namespace t2j
